// The toolkit's dialog keys with real key input: TAB cycling in creation order,
// Enter for the focused push button or else the last-created default button,
// ESC for the last-created cancel button, the Ctrl
// and Shift exceptions (read from the real key state), Alt+letter
// accelerators, and the repeat-flag rule at the top-level window.
#include "tests/formless/toolkit.h"

#include <string>

namespace toolkit {
namespace {

// A window of the usual kind: a label, a check-list and four buttons, two of
// them default buttons (the later one wins).
class Keys : public Toolkit {
protected:
  void SetUp() override {
    Toolkit::SetUp();
    window->make<tLabel>(makeBounds(10, 10, 200, 20), "&Label"); // no tab stop
    list = &window->make<tChecklistBox>(makeBounds(10, 40, 200, 80));
    list->setItems({"one", "two"});
    const char* captions[] = {"&First", "&Apply", "Cancel", "OK", "Edge&"};
    using enum tButtonKind;
    tButtonKind kinds[] = {defaultPush, plain, cancel, defaultPush, plain};
    for (int i = 0; i < 5; ++i) {
      buttons[i] =
          &window->make<tButton>(makeBounds(10 + 80 * i, 200, 70, 24), captions[i], kinds[i]);
      buttons[i]->onClick = [this, i] { clicks += std::to_string(i); };
    }
    for (tComponent* c : {static_cast<tComponent*>(list), static_cast<tComponent*>(buttons[1])})
      c->onKeyPress = [this](uint32_t ch) { typed += std::to_string(ch) + " "; };
    window->createControls();
  }

  // Puts the focus on the control and waits until the system agrees.
  void focus(tComponent* c) {
    SetFocus(c->handle);
    ASSERT_TRUE(pumpUntil([&] { return GetFocus() == c->handle; }));
  }

  tChecklistBox* list = nullptr;
  tButton* buttons[5] = {};
  std::string clicks; // indexes of the buttons clicked, in order
  std::string typed;  // characters that reached a control's onKeyPress
};

TEST_F(Keys, FocusStartsOnTheFirstTabStop) {
  EXPECT_EQ(GetFocus(), list->handle);
  EXPECT_EQ(window->focused, list);
}

TEST_F(Keys, EachKeyDoesWhatTheDialogRulesSay) {
  struct Case {
    const char* what;
    int from;               // -1: the list, else a button index
    std::vector<WORD> held; // modifiers, really held down
    WORD vk;                // typed for real, or
    char posted;            // a character posted while they are held
    int to;                 // where the focus is afterwards
    const char* clicked;    // buttons clicked
    const char* reached;    // characters the control saw
    bool quits;             // cancels and ends the loop
  };
  const Case cases[] = {
      {"TAB", -1, {}, VK_TAB, 0, 0, "", "", false},
      {"TAB wraps round", 4, {}, VK_TAB, 0, -1, "", "", false},
      {"Shift+TAB", 0, {VK_SHIFT}, VK_TAB, 0, -1, "", "", false},
      {"Shift+TAB wraps round", -1, {VK_SHIFT}, VK_TAB, 0, 4, "", "", false},
      {"Ctrl+TAB is a character", -1, {VK_CONTROL}, 0, '\t', -1, "", "9 ", false},
      {"Enter on the list: the last default button", -1, {}, VK_RETURN, 0, -1, "3", "", false},
      {"Enter on a plain button presses it", 1, {}, VK_RETURN, 0, 1, "1", "", false},
      {"Enter on the cancel button presses it", 2, {}, VK_RETURN, 0, 2, "2", "", true},
      {"Enter on a default button presses that one", 0, {}, VK_RETURN, 0, 0, "0", "", false},
      {"ESC: the cancel button", -1, {}, VK_ESCAPE, 0, -1, "2", "", true},
      {"Shift+Enter is a character", 1, {VK_SHIFT}, 0, '\r', 1, "", "13 ", false},
      {"Ctrl+Enter is a character", 1, {VK_CONTROL}, 0, '\r', 1, "", "13 ", false},
      {"Shift+ESC is a character", -1, {VK_SHIFT}, 0, 27, -1, "", "27 ", false},
      {"Ctrl+ESC is a character", -1, {VK_CONTROL}, 0, 27, -1, "", "27 ", false},
      {"Alt+A", -1, {VK_MENU}, 'A', 0, -1, "1", "", false},
      {"Alt+F, from a button", 1, {VK_MENU}, 'F', 0, 1, "0", "", false},
      {"Alt+C: no & in Cancel", -1, {VK_MENU}, 'C', 0, -1, "", "", false},
      {"Alt+E: & at the end", -1, {VK_MENU}, 'E', 0, -1, "", "", false},
      {"Alt+L: not a button", -1, {VK_MENU}, 'L', 0, -1, "", "", false},
  };
  for (const Case& c : cases) {
    clicks.clear();
    typed.clear();
    window->cancelRequest = {};
    window->loopEnded = false;
    tComponent* start = c.from < 0 ? static_cast<tComponent*>(list) : buttons[c.from];
    focus(start);
    for (WORD m : c.held)
      key(m, false);
    if (c.vk) {
      key(c.vk, false);
      key(c.vk, true);
    } else {
      PostMessageA(start->handle, WM_CHAR, static_cast<unsigned char>(c.posted), 1);
    }
    drain();
    for (WORD m : c.held)
      key(m, true);
    drain();
    tComponent* to = c.to < 0 ? static_cast<tComponent*>(list) : buttons[c.to];
    EXPECT_EQ(GetFocus(), to->handle) << c.what;
    EXPECT_EQ(clicks, c.clicked) << c.what;
    EXPECT_EQ(typed, c.reached) << c.what;
    EXPECT_EQ(window->cancelRequest.requested(), c.quits) << c.what;
    EXPECT_EQ(window->loopEnded, c.quits) << c.what;
  }
}

TEST_F(Keys, EnterPressesTheFocusedPlainButtonEscWithoutItsButtonIsSwallowed) {
  // A window with a plain button only.
  open("Plain", 300, 200);
  auto& plain = window->make<tButton>(makeBounds(10, 10, 80, 24), "Plain", tButtonKind::plain);
  plain.onKeyPress = [this](uint32_t ch) { typed += std::to_string(ch) + " "; };
  plain.onClick = [this] { clicks += "p"; };
  window->createControls();
  SetForegroundWindow(window->handle);
  ASSERT_TRUE(pumpUntil([&] { return GetFocus() == plain.handle; }));
  for (WORD vk : {VK_RETURN, VK_ESCAPE}) {
    key(vk, false);
    key(vk, true);
    drain();
  }
  EXPECT_EQ(typed, "");
  EXPECT_EQ(clicks, "p") << "Enter presses the focused button; ESC finds no cancel button";
  EXPECT_FALSE(window->cancelRequest.requested());
  EXPECT_FALSE(window->loopEnded);
}

TEST_F(Keys, AtTheWindowItselfOnlyAFirstPressCounts) {
  SetFocus(window->handle);
  ASSERT_TRUE(pumpUntil([&] { return GetFocus() == window->handle; }));
  // Held down: the second press repeats (bit 30 of the key data).
  key(VK_RETURN, false);
  key(VK_RETURN, false);
  key(VK_RETURN, true);
  drain();
  EXPECT_EQ(clicks, "3");
  // The same keys as characters sent to the window, with their key data.
  clicks.clear();
  struct Case {
    WPARAM ch;
    LPARAM data;
    const char* clicked;
  };
  for (const Case& c :
       {Case{13, 0x001C0001, "3"}, Case{13, 0x401C0001, ""}, Case{27, 0x00010001, "2"},
        Case{27, 0x20010001, ""}, Case{'a', 0x001E0001, ""}}) {
    clicks.clear();
    SendMessageA(window->handle, WM_CHAR, c.ch, c.data);
    EXPECT_EQ(clicks, c.clicked) << c.ch << " " << std::hex << c.data;
  }
}

} // namespace
} // namespace toolkit
