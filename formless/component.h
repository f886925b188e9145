#pragma once
// The toolkit's controls. Every control is a tComponent: an object that owns
// one child window of a system control class (or, for the windowless kinds of
// formless/image.h, only a rectangle of its owner's client area), takes over
// that window's procedure so that the toolkit sees its messages first, and
// offers two notifications, a click and a key press. tButton and tLabel wrap
// the system's "Button" and "Static" controls.
//
// A control knows its window only as a tOwner: the handles it is made with,
// the focus it reports, and the dialog keys that the window handles for all
// of its controls. The window (formless/program.h) implements that interface,
// owns the controls and reaches down to them; a control never reaches up.
#include "formless/gdi.h"
#include "formless/message.h"
#include "util/ui.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

class tComponent;

// A rectangle in the owner's client coordinates; right and bottom exclusive.
struct tRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

inline tRect makeBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  return {left, top, left + width, top + height};
}

// A control's own font: face name (at most 31 characters), character height
// in pixels, bold, italic.
struct tFontRec {
  std::string name;
  int32_t size = 0;
  int32_t reserved = 0; // not read
  bool bold = false;
  bool italic = false;
};

// The window that controls sit on, as a control sees it.
class tOwner : public tObject {
public:
  // The dialog keys of a control's WM_CHAR or WM_SYSCHAR (TAB, Enter, ESC,
  // accelerators) answer rec; a character they leave unanswered is the
  // control's.
  virtual void controlKey(const tComponent& control, tMessageRec& rec) = 0;

  // The window's modal loop ends after its current pass.
  void endLoop() { loopEnded = true; }
  // The identifier of the window's next component, from 1: every component,
  // windowed or not, takes one, in creation order.
  int32_t takeControlId() { return nextControlId_++; }
  // What the Cancel button and the close box do: the user asks work in
  // progress to stop, and the loop ends (once that work has returned to it).
  void cancel() {
    cancelRequest.request();
    endLoop();
  }

  tCancelRequest cancelRequest;  // the user asked to stop
  bool loopEnded = false;        // the modal loop ends after its current pass
  HINSTANCE instance = nullptr;  // module of the window and its controls
  HWND handle = nullptr;         // the window, parent of the controls
  OwnedBrush brush;              // hollow: returned to controls that paint transparently
  tComponent* focused = nullptr; // the control that last received the keyboard focus

private:
  int32_t nextControlId_ = 1;
};

class tComponent : public tObject {
public:
  // create: the bounds and the owner's next control identifier.
  tComponent(tOwner& owner, const tRect& bounds);
  // Puts the control's own window procedure back; the window itself dies
  // with its owner's.
  ~tComponent() override;

  // The component whose control hwnd is, for a window of this thread; null
  // for any other window, however it came (a handle in a message is
  // anybody's to send).
  static tComponent* ofWindow(HWND hwnd);

  // Repaints the control at once, background erased.
  virtual void repaint();

  // The last step of every windowed constructor: stores the control on the
  // component and the component on the control's window, then takes over
  // the control's window procedure.
  void attachWindow(tOwner* owner, HWND handle, DWORD style);
  // Marks the control (or a windowless component's rectangle in its owner)
  // for the next paint, without erasing.
  void invalidate();
  // Makes the component's own font; the owner's createControls applies it.
  // Called again after that, the control takes the new font at once, and
  // the one it drew with is deleted only then.
  void setFont(const tFontRec& rec);

  static const tMessageTable messages;
  const tMessageTable& messageTable() const override { return messages; }

  tOwner* owner = nullptr;
  HWND handle = nullptr;
  DWORD style = 0;
  WNDPROC savedWndProc = nullptr;
  std::function<void(uint32_t character)> onKeyPress;
  std::function<void()> onClick;
  OwnedFont font; // null: the owner's default font
  int32_t id = 0;
  tRect bounds;

protected:
  // The one way a windowed control is made: a child of the owner's window
  // of the system class, at bounds, with the component's identifier; then
  // attachWindow.
  void createControl(tOwner& owner, DWORD exStyle, const char* systemClass, const char* caption,
                     DWORD controlStyle);
  // WM_COMMAND: raises onClick.
  void wmCommand(tMessageRec& rec);

private:
  static const tMessageMethod methods[];
};

// The procedure that every windowed component installs on its control: the
// toolkit's handling first (focus, the dialog keys, the component's own
// message methods), then the control's own procedure.
LRESULT CALLBACK componentWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// True when caption has a character after its first "&" and that character
// equals c, ignoring case by the user's locale.
bool isAccelerator(char c, const std::string& caption);

// What the keyboard does to a button besides a click.
enum class tButtonKind : uint8_t {
  plain = 0,
  cancel = 1,      // pressed by ESC; its click cancels (tOwner::cancel)
  defaultPush = 2, // pressed by Enter elsewhere in the window; drawn with the default frame
};

class tButton : public tComponent {
public:
  tButton(tOwner& owner, const tRect& bounds, const std::string& caption, tButtonKind kind);

  static const tMessageTable messages;
  const tMessageTable& messageTable() const override { return messages; }

  tButtonKind kind = tButtonKind::plain;
  std::string caption; // kept for the accelerator

private:
  void wmCommand(tMessageRec& rec);
  void wmSysChar(tMessageRec& rec);
  static const tMessageMethod methods[];
};

class tLabel : public tComponent {
public:
  // The caption is only handed to the control.
  tLabel(tOwner& owner, const tRect& bounds, const std::string& caption);

  static const tMessageTable messages;
  const tMessageTable& messageTable() const override { return messages; }

  bool transparent = false; // paint the text over the window behind

private:
  void wmCtlColorStatic(tMessageRec& rec);
  static const tMessageMethod methods[];
};
