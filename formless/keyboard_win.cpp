// The keyboard handling that a dialog manager would otherwise do: focus
// cycling over the tab stops, the default and cancel buttons, accelerators.
#include "formless/component.h"
#include "formless/program.h"

void tProgram::focusNext(int fromIndex, bool forward) {
  int count = componentCount();
  int n = fromIndex;
  // Every component once, the starting one last: when it is the only tab
  // stop it keeps the focus.
  for (int step = 0; step < count; ++step) {
    n += forward ? 1 : -1;
    if (n < 0) n = count - 1;
    if (n >= count) n = 0;
    tComponent* next = componentAt(n);
    if (next->style & WS_TABSTOP) {
      SetFocus(next->handle);
      return;
    }
  }
}

int tProgram::pressButton(int kind) {
  // When several buttons share a kind, the one created last wins.
  for (int i = componentCount() - 1; i >= 0; --i) {
    auto* button = dynamic_cast<tButton*>(componentAt(i));
    if (button && button->kind == kind) return press(*button);
  }
  return 1;
}

int tProgram::press(const tButton& button) {
  // Comes back through the WM_COMMAND route to the button itself.
  SendMessageA(handle, WM_COMMAND, 0, reinterpret_cast<LPARAM>(button.handle));
  return 0;
}

void tProgram::handleKeys(tMessageRec& rec) {
  for (int i = 0; i < componentCount(); ++i) {
    if (auto* button = dynamic_cast<tButton*>(componentAt(i))) {
      dispatch(*button, rec);
      if (rec.result == 1) return; // its accelerator
    }
  }
  // Scan code and flags: a first press of Enter or ESC, not a repeat and
  // not with Alt.
  switch (HIWORD(rec.lParam)) {
  case 0x001C:
    pressButton(defaultButton);
    break;
  case 0x0001:
    pressButton(cancelButton);
    break;
  default:
    break;
  }
}

bool isAccelerator(char c, const std::string& caption) {
  size_t amp = caption.find('&');
  if (amp == std::string::npos || amp + 1 >= caption.size()) return false;
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, &c, 1, &caption[amp + 1], 1) ==
         CSTR_EQUAL;
}
