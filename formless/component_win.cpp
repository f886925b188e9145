#include "formless/component.h"

#include "formless/program.h"
#include "util/ui.h"

#include <cstring>

namespace {

constexpr DWORD buttonStyle = 0x50011000; // WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHLIKE
constexpr DWORD labelStyle = 0x50000000;  // WS_CHILD | WS_VISIBLE, text left-aligned

HWND createControl(const tProgram& owner, const char* systemClass, const std::string& caption,
                   DWORD style, const tRect& r, int32_t id) {
  return CreateWindowExA(
      0, systemClass, caption.c_str(), style, r.left, r.top, r.right - r.left, r.bottom - r.top,
      owner.handle, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), owner.instance, nullptr);
}

} // namespace

const tMessageMethod tComponent::methods[] = {
    {WM_COMMAND, callMethod<tComponent, &tComponent::wmCommand>},
};
const tMessageTable tComponent::messages{&tObject::messages, tComponent::methods};

tComponent::tComponent(const tRect& rect) : id(nextId++), bounds(rect) {}

tComponent::~tComponent() {
  if (handle && savedWndProc)
    SetWindowLongPtrA(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(savedWndProc));
}

void tComponent::repaint() {
  InvalidateRect(handle, nullptr, TRUE);
  UpdateWindow(handle);
}

void tComponent::attachWindow(tProgram* newOwner, HWND control, DWORD controlStyle) {
  owner = newOwner;
  handle = control;
  style = controlStyle;
  font.reset();
  // In the list before the procedure changes: the procedure finds its
  // component there.
  if (owner) owner->addComponent(this);
  savedWndProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(handle, GWLP_WNDPROC));
  SetWindowLongPtrA(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(componentWindowProc));
}

void tComponent::invalidate() {
  if (handle) {
    RedrawWindow(handle, nullptr, nullptr, RDW_INVALIDATE);
  } else if (owner) {
    RECT r = {bounds.left, bounds.top, bounds.right, bounds.bottom};
    RedrawWindow(owner->handle, &r, nullptr, RDW_INVALIDATE);
  }
}

void tComponent::setFont(const tFontRec& rec) {
  LOGFONTA log = {};
  log.lfHeight = -rec.size; // a character height, not a cell height
  log.lfWeight = rec.bold ? FW_BOLD : FW_NORMAL;
  log.lfItalic = rec.italic;
  log.lfCharSet = DEFAULT_CHARSET;
  log.lfOutPrecision = OUT_DEFAULT_PRECIS;
  log.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  log.lfQuality = ANTIALIASED_QUALITY;
  std::strncpy(log.lfFaceName, rec.name.c_str(), sizeof log.lfFaceName - 1);
  OwnedFont made(CreateFontIndirectA(&log));
  // Once the owner's createControls has given the control a font, it draws
  // with that one: it takes the new one at once, before the old one goes.
  if (handle && SendMessageA(handle, WM_GETFONT, 0, 0))
    SendMessageA(handle, WM_SETFONT, reinterpret_cast<WPARAM>(made.get()), TRUE);
  font = std::move(made);
}

void tComponent::wmCommand(tMessageRec&) {
  if (onClick) onClick();
}

const tMessageMethod tButton::methods[] = {
    {WM_COMMAND, callMethod<tButton, &tButton::wmCommand>},
    {WM_SYSCHAR, callMethod<tButton, &tButton::wmSysChar>},
};
const tMessageTable tButton::messages{&tComponent::messages, tButton::methods};

tButton::tButton(tProgram& owner, const tRect& rect, const std::string& text, int buttonKind)
    : tComponent(rect), kind(static_cast<uint8_t>(buttonKind)), caption(text) {
  DWORD controlStyle = buttonStyle | (kind == defaultButton ? BS_DEFPUSHBUTTON : 0);
  attachWindow(&owner, createControl(owner, "Button", caption, controlStyle, bounds, id),
               controlStyle);
}

void tButton::wmCommand(tMessageRec& rec) {
  // Whatever the notification: the flag first, so that onClick runs with it set.
  if (kind == cancelButton) quitFlag = true;
  tComponent::wmCommand(rec);
}

void tButton::wmSysChar(tMessageRec& rec) {
  // An accelerator calls onClick directly, without WM_COMMAND: a cancel
  // button reached so does not set quitFlag.
  if (!isAccelerator(static_cast<char>(rec.wParam), caption)) return;
  if (onClick) onClick();
  rec.result = 1;
}

const tMessageMethod tLabel::methods[] = {
    {WM_CTLCOLORSTATIC, callMethod<tLabel, &tLabel::wmCtlColorStatic>},
};
const tMessageTable tLabel::messages{&tComponent::messages, tLabel::methods};

tLabel::tLabel(tProgram& owner, const tRect& rect, const std::string& text) : tComponent(rect) {
  attachWindow(&owner, createControl(owner, "Static", text, labelStyle, bounds, id), labelStyle);
}

void tLabel::wmCtlColorStatic(tMessageRec& rec) {
  if (!transparent) return; // the system's default colours
  SetBkMode(reinterpret_cast<HDC>(rec.wParam), TRANSPARENT);
  rec.result = reinterpret_cast<LRESULT>(owner->brush.get());
}
