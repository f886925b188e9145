#include "formless/component.h"

#include <cstring>

namespace {

constexpr DWORD buttonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHLIKE;
static_assert(buttonStyle == 0x50011000);
constexpr DWORD labelStyle = WS_CHILD | WS_VISIBLE | SS_LEFT;
static_assert(labelStyle == 0x50000000);

// The window property that carries a control's component.
constexpr char componentProperty[] = "formless.component";

// What a component's procedure does before the control's own procedure; a
// message left unanswered goes on to that one.
tMessageRec componentMessage(tComponent& self, UINT msg, WPARAM wParam, LPARAM lParam) {
  tMessageRec rec = makeMessage(msg, wParam, lParam);
  switch (msg) {
  case WM_SETFOCUS:
    if (self.owner) self.owner->focused = &self;
    break;
  case WM_PAINT:
  case WM_LBUTTONDOWN:
    dispatch(self, rec);
    break;
  case WM_CHAR:
  case WM_SYSCHAR:
    // The window's dialog keys first; a character they leave is the control's.
    if (self.owner) self.owner->controlKey(self, rec);
    if (msg == WM_CHAR && !rec.handled && self.onKeyPress)
      self.onKeyPress(static_cast<uint32_t>(wParam));
    break;
  case WM_NCDESTROY:
    // The control's last message: its window keeps nothing of the toolkit.
    RemovePropA(self.handle, componentProperty);
    break;
  default:
    break;
  }
  return rec;
}

} // namespace

const tMessageMethod tComponent::methods[] = {
    {WM_COMMAND, callMethod<tComponent, &tComponent::wmCommand>},
};
const tMessageTable tComponent::messages{&tObject::messages, tComponent::methods};

tComponent::tComponent(tOwner& owner, const tRect& rect)
    : id(owner.takeControlId()), bounds(rect) {}

tComponent::~tComponent() {
  if (!handle) return;
  RemovePropA(handle, componentProperty);
  if (savedWndProc)
    SetWindowLongPtrA(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(savedWndProc));
}

tComponent* tComponent::ofWindow(HWND hwnd) {
  // Only this thread's windows carry a property that this thread set.
  if (!hwnd || GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId()) return nullptr;
  return static_cast<tComponent*>(GetPropA(hwnd, componentProperty));
}

void tComponent::repaint() {
  InvalidateRect(handle, nullptr, TRUE);
  UpdateWindow(handle);
}

void tComponent::createControl(tOwner& newOwner, DWORD exStyle, const char* systemClass,
                               const char* caption, DWORD controlStyle) {
  HWND control = CreateWindowExA(exStyle, systemClass, caption, controlStyle, bounds.left,
                                 bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                                 newOwner.handle, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 newOwner.instance, nullptr);
  attachWindow(&newOwner, control, controlStyle);
}

void tComponent::attachWindow(tOwner* newOwner, HWND control, DWORD controlStyle) {
  owner = newOwner;
  handle = control;
  style = controlStyle;
  font.reset();
  // On the window before the procedure changes: the procedure finds its
  // component there.
  SetPropA(handle, componentProperty, this);
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

LRESULT CALLBACK componentWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  tComponent* self = tComponent::ofWindow(hwnd);
  if (!self) {
    // No component (any more): the control class's own procedure.
    auto own = reinterpret_cast<WNDPROC>(GetClassLongPtrA(hwnd, GCLP_WNDPROC));
    return CallWindowProcA(own, hwnd, msg, wParam, lParam);
  }
  // Kept first: a handler may end the component's life.
  WNDPROC saved = self->savedWndProc;
  tMessageRec rec = componentMessage(*self, msg, wParam, lParam);
  if (rec.handled) return rec.result;
  return CallWindowProcA(saved, hwnd, msg, wParam, lParam);
}

bool isAccelerator(char c, const std::string& caption) {
  size_t amp = caption.find('&');
  if (amp == std::string::npos || amp + 1 >= caption.size()) return false;
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, &c, 1, &caption[amp + 1], 1) ==
         CSTR_EQUAL;
}

const tMessageMethod tButton::methods[] = {
    {WM_COMMAND, callMethod<tButton, &tButton::wmCommand>},
    {WM_SYSCHAR, callMethod<tButton, &tButton::wmSysChar>},
};
const tMessageTable tButton::messages{&tComponent::messages, tButton::methods};

tButton::tButton(tOwner& owner, const tRect& rect, const std::string& text, tButtonKind buttonKind)
    : tComponent(owner, rect), kind(buttonKind), caption(text) {
  DWORD frame = kind == tButtonKind::defaultPush ? BS_DEFPUSHBUTTON : 0;
  createControl(owner, 0, "Button", caption.c_str(), buttonStyle | frame);
}

void tButton::wmCommand(tMessageRec& rec) {
  // Whatever the notification: the cancel first, so that onClick runs with
  // it requested.
  if (kind == tButtonKind::cancel && owner) owner->cancel();
  tComponent::wmCommand(rec);
}

void tButton::wmSysChar(tMessageRec& rec) {
  // An accelerator calls onClick directly, without WM_COMMAND: a cancel
  // button reached so does not cancel.
  if (!isAccelerator(static_cast<char>(rec.wParam), caption)) return;
  if (onClick) onClick();
  rec.answer(1);
}

const tMessageMethod tLabel::methods[] = {
    {WM_CTLCOLORSTATIC, callMethod<tLabel, &tLabel::wmCtlColorStatic>},
};
const tMessageTable tLabel::messages{&tComponent::messages, tLabel::methods};

tLabel::tLabel(tOwner& owner, const tRect& rect, const std::string& text)
    : tComponent(owner, rect) {
  createControl(owner, 0, "Static", text.c_str(), labelStyle);
}

void tLabel::wmCtlColorStatic(tMessageRec& rec) {
  if (!transparent) return; // the system's default colours
  SetBkMode(reinterpret_cast<HDC>(rec.wParam), TRANSPARENT);
  rec.answer(reinterpret_cast<LRESULT>(owner->brush.get()));
}
