#pragma once
// The keyboard handling that a dialog manager would otherwise do, over the
// windowed components of one window in creation order: TAB focus cycling,
// Enter for the focused push button or else the default button, ESC for the
// cancel button, Alt+letter accelerators.
#include "formless/component.h"
#include "formless/message.h"

#include <memory>
#include <span>

// The windowed components of a window, in creation order.
using tComponentList = std::span<const std::unique_ptr<tComponent>>;

// Focuses the next (or previous) tab stop after fromIndex, wrapping round;
// the starting one keeps the focus when it is the only tab stop.
void focusNext(tComponentList components, int fromIndex, bool forward);
// Presses the last-created button of this kind: 0, or 1 when there is none.
int pressButton(tComponentList components, tButtonKind kind);
// Presses this button, as a click does; 0.
int press(const tButton& button);
// Accelerators, then Enter and ESC on a first press, for a WM_CHAR of the
// window itself or a WM_SYSCHAR of a control; an accelerator answers rec.
void handleKeys(tComponentList components, tMessageRec& rec);
// The dialog keys of a control's WM_CHAR or WM_SYSCHAR, the answer in
// rec; a character they leave unanswered is the control's.
void controlKeys(tComponentList components, const tComponent& control, tMessageRec& rec);
