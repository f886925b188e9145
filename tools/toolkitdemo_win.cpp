// A small program built from the toolkit alone, to see it at work: a picture,
// two labels, a check-list and three buttons. "Select all" ticks every item,
// OK reports the ticked ones and ends, Cancel (or ESC, or the close box)
// ends at once.
#include "formless/checklist.h"
#include "formless/component.h"
#include "formless/image.h"
#include "formless/program.h"
#include "util/ui.h"

#include <string>

namespace {

class DemoWindow : public tProgram {
public:
  DemoWindow() : tProgram("FORMLESS DEMO") {}

  void createControls() override {
    auto& image = make<tImage>(makeBounds(10, 10, 0, 0), loadBitmapRec(MAKEINTRESOURCEA(10)));
    int x = image.drawWidth + 24;
    auto& title = make<tLabel>(makeBounds(x, 10, 300, 22), "The formless toolkit");
    title.setFont({"Arial", 16, 0, true, false});
    make<tLabel>(makeBounds(x, 36, 320, 40),
                 "Buttons, labels, images and a check-list, drawn and routed by the toolkit "
                 "itself. Space, a click in a box or a double click ticks an item.");
    list_ = &make<tChecklistBox>(makeBounds(x, 82, 320, 100));
    list_->setItems({"Plain item", "Ticked item", "Greyed tick (three states)", "A & in its text"});
    list_->setCheckState(1, 1);
    list_->setTwoState(2, 0);
    list_->setCheckState(2, 2);
    make<tButton>(makeBounds(x, 200, 90, 24), "Select &all", tButtonKind::plain).onClick = [this] {
      for (int i = 0; i < list_->itemCount(); ++i)
        if (list_->checkState(i) == 0) list_->setCheckState(i, 1);
      list_->repaint();
    };
    make<tButton>(makeBounds(x + 110, 200, 90, 24), "OK", tButtonKind::defaultPush).onClick =
        [this] {
          std::string ticked;
          for (int i = 0; i < list_->itemCount(); ++i)
            if (list_->checkState(i) != 0) ticked += list_->itemText(i) + "\n";
          infoBox(ticked.empty() ? "Nothing is ticked." : "Ticked:\n" + ticked);
        };
    make<tButton>(makeBounds(x + 220, 200, 90, 24), "Cancel", tButtonKind::cancel);
    tProgram::createControls();
  }

private:
  tChecklistBox* list_ = nullptr;
};

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  formlessStartup();
  DemoWindow window;
  window.openModal(makeBounds(120, 120, 490, 275), "Toolkit demo", dialogWindowStyle);
  return 0;
}
