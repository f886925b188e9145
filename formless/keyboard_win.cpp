#include "formless/keyboard.h"

namespace {

// The key data (scan code and flags, bits 16-31 of lParam) of a first press
// of Enter or ESC, not a repeat and not with Alt.
constexpr WORD enterPressed = 0x001C;
constexpr WORD escapePressed = 0x0001;

bool keyDown(int key) {
  return GetAsyncKeyState(key) < 0;
}

int indexOf(tComponentList components, const tComponent& control) {
  for (size_t i = 0; i < components.size(); ++i)
    if (components[i].get() == &control) return static_cast<int>(i);
  return -1;
}

} // namespace

void focusNext(tComponentList components, int fromIndex, bool forward) {
  int count = static_cast<int>(components.size());
  int n = fromIndex;
  // Every component once, the starting one last.
  for (int step = 0; step < count; ++step) {
    n += forward ? 1 : -1;
    if (n < 0) n = count - 1;
    if (n >= count) n = 0;
    const tComponent& next = *components[static_cast<size_t>(n)];
    if (next.style & WS_TABSTOP) {
      SetFocus(next.handle);
      return;
    }
  }
}

int pressButton(tComponentList components, tButtonKind kind) {
  // When several buttons share a kind, the one created last wins.
  for (auto it = components.rbegin(); it != components.rend(); ++it) {
    auto* button = dynamic_cast<const tButton*>(it->get());
    if (button && button->kind == kind) return press(*button);
  }
  return 1;
}

int press(const tButton& button) {
  // Comes back through the window's WM_COMMAND route to the button itself.
  if (button.owner)
    SendMessageA(button.owner->handle, WM_COMMAND, 0, reinterpret_cast<LPARAM>(button.handle));
  return 0;
}

void handleKeys(tComponentList components, tMessageRec& rec) {
  for (const auto& component : components) {
    if (auto* button = dynamic_cast<tButton*>(component.get())) {
      dispatch(*button, rec);
      if (rec.handled) return; // its accelerator
    }
  }
  switch (HIWORD(rec.lParam)) {
  case enterPressed:
    pressButton(components, tButtonKind::defaultPush);
    break;
  case escapePressed:
    pressButton(components, tButtonKind::cancel);
    break;
  default:
    break;
  }
}

void controlKeys(tComponentList components, const tComponent& control, tMessageRec& rec) {
  if (rec.msg == WM_SYSCHAR) {
    handleKeys(components, rec);
    return;
  }
  // The dialog keys never reach the control as characters, unless Ctrl (or,
  // for Enter and ESC, Shift) is held.
  const bool ctrl = keyDown(VK_CONTROL);
  const bool shift = keyDown(VK_SHIFT);
  if (rec.wParam == VK_TAB && !ctrl) {
    focusNext(components, indexOf(components, control), !shift);
    rec.answer(0);
  } else if (rec.wParam == VK_ESCAPE && !ctrl && !shift) {
    rec.answer(pressButton(components, tButtonKind::cancel));
  } else if (rec.wParam == VK_RETURN && !ctrl && !shift) {
    // As in every dialog: a push button with the focus is the one Enter
    // presses (Cancel included); elsewhere it is the default button.
    auto* button = dynamic_cast<const tButton*>(&control);
    rec.answer(button ? press(*button) : pressButton(components, tButtonKind::defaultPush));
  }
}
