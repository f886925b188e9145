#pragma once
// The toolkit's controls. Every control is a tComponent: an object that owns
// one child window of a system control class (or, for the windowless kinds of
// formless/image.h, only a rectangle of its owner's client area), takes over
// that window's procedure so that the toolkit sees its messages first, and
// offers two notifications, a click and a key press. tButton and tLabel wrap
// the system's "Button" and "Static" controls.
#include "formless/gdi.h"
#include "formless/message.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

class tProgram;

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

class tComponent : public tObject {
public:
  // create: the bounds and the next control identifier (every component,
  // windowed or not, takes one).
  explicit tComponent(const tRect& bounds);
  // Puts the control's own window procedure back; the window itself dies
  // with its owner's.
  ~tComponent() override;

  // Repaints the control at once, background erased.
  virtual void repaint();

  // The last step of every windowed constructor: joins the owner's list, then
  // takes over the control's window procedure.
  void attachWindow(tProgram* owner, HWND handle, DWORD style);
  // Marks the control (or a windowless component's rectangle in its owner)
  // for the next paint, without erasing.
  void invalidate();
  // Makes the component's own font; the owner's createControls applies it.
  // Called again after that, the control takes the new font at once, and
  // the one it drew with is deleted only then.
  void setFont(const tFontRec& rec);

  static const tMessageTable messages;
  const tMessageTable& messageTable() const override { return messages; }

  tProgram* owner = nullptr;
  HWND handle = nullptr;
  DWORD style = 0;
  WNDPROC savedWndProc = nullptr;
  std::function<void(uint32_t character)> onKeyPress;
  std::function<void()> onClick;
  OwnedFont font; // null: the owner's default font
  int32_t id = 0;
  tRect bounds;

protected:
  // WM_COMMAND: raises onClick.
  void wmCommand(tMessageRec& rec);

private:
  static const tMessageMethod methods[];
};

class tButton : public tComponent {
public:
  // Kind 0 is a plain button; cancelButton (1) is pressed by ESC and its
  // click sets quitFlag; defaultButton (2) is pressed by Enter and drawn with
  // the default frame.
  tButton(tProgram& owner, const tRect& bounds, const std::string& caption, int kind);

  static const tMessageTable messages;
  const tMessageTable& messageTable() const override { return messages; }

  uint8_t kind = 0;
  std::string caption; // kept for the accelerator

private:
  void wmCommand(tMessageRec& rec);
  void wmSysChar(tMessageRec& rec);
  static const tMessageMethod methods[];
};

class tLabel : public tComponent {
public:
  // The caption is only handed to the control.
  tLabel(tProgram& owner, const tRect& bounds, const std::string& caption);

  static const tMessageTable messages;
  const tMessageTable& messageTable() const override { return messages; }

  bool transparent = false; // paint the text over the window behind

private:
  void wmCtlColorStatic(tMessageRec& rec);
  static const tMessageMethod methods[];
};
