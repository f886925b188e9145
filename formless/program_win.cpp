#include "formless/program.h"

#include "formless/checklist.h"

tProgram* appWindow = nullptr;

void formlessStartup() {
  appWindow = nullptr;
  measureCheckGlyph();
}

tProgram::tProgram(std::string name, HINSTANCE module) : className(std::move(name)) {
  instance = module;
  windowClass.style = CS_PARENTDC;
  windowClass.lpfnWndProc = classWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, "MAINICON");
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = className.c_str();
  RegisterClassA(&windowClass);
  frameWidth = 2 * GetSystemMetrics(SM_CXDLGFRAME);
  frameHeight = 2 * GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYCAPTION);
}

tProgram::tProgram(std::string name) : tProgram(std::move(name), GetModuleHandleA(nullptr)) {}

tProgram::~tProgram() {
  // Last to first: each component puts its control's own procedure back.
  while (!components_.empty())
    components_.pop_back();
  while (!graphics_.empty())
    graphics_.pop_back();
  DestroyWindow(handle); // the controls die with it
  if (appWindow == this) appWindow = nullptr;
}

void tProgram::open(const tRect& frame, const std::string& caption, DWORD windowStyle) {
  appWindow = this;
  style = windowStyle;
  createWindow(frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top, caption);
  createControls();
}

void tProgram::openModal(const tRect& frame, const std::string& caption, DWORD windowStyle) {
  open(frame, caption, windowStyle);
  run(false);
}

void tProgram::createWindow(int left, int top, int width, int height, const std::string& caption) {
  handle = CreateWindowExA(0, className.c_str(), caption.c_str(), style, left, top, width, height,
                           nullptr, nullptr, instance, nullptr);
  RECT client = {};
  GetClientRect(handle, &client);
  clientWidth = client.right;
  clientHeight = client.bottom;
}

tComponent* tProgram::componentAt(int index) const {
  if (index < 0 || index >= componentCount()) return nullptr;
  return components_[static_cast<size_t>(index)].get();
}

void tProgram::windowProc(tMessageRec& rec) {
  tComponent* control = nullptr;
  switch (rec.msg) {
  case WM_VKEYTOITEM:
  case WM_COMMAND:
  case WM_CTLCOLORSTATIC:
  case WM_CTLCOLORLISTBOX:
    // Notifications name the control they come from by its window handle.
    control = ownComponent(reinterpret_cast<HWND>(rec.lParam));
    break;
  case WM_DRAWITEM:
  case WM_MEASUREITEM:
  case WM_COMPAREITEM:
  case WM_DELETEITEM:
    // Owner-draw requests name it by its identifier.
    control = ownComponent(GetDlgItem(handle, static_cast<int>(rec.wParam)));
    break;
  case WM_SIZE:
    if (onResize) onResize();
    return;
  case WM_PAINT:
    rec.answer(paintWindow());
    return;
  case WM_CHAR:
    handleKeys(components_, rec);
    return;
  default:
    break;
  }
  dispatch(control ? *static_cast<tObject*>(control) : *this, rec);
}

tComponent* tProgram::ownComponent(HWND hwnd) const {
  tComponent* component = tComponent::ofWindow(hwnd);
  return component && component->owner == this ? component : nullptr;
}

void tProgram::controlKey(const tComponent& control, tMessageRec& rec) {
  controlKeys(components_, control, rec);
}

LRESULT tProgram::paintWindow() {
  // Graphics go straight onto the window; the controls are repainted after
  // them so that they stay on top.
  if (OwnedWindowDc dc = windowDc(handle))
    for (const auto& graphic : graphics_)
      graphic->paint(dc.get().dc);
  for (const auto& component : components_)
    component->repaint();
  return 0;
}

void tProgram::createControls() {
  font.reset(CreateFontA(-12, 0, 0, 0, 0, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, 0, "Arial"));
  focused = nullptr;
  LOGBRUSH hollow = {BS_HOLLOW, 0, 0};
  brush.reset(CreateBrushIndirect(&hollow));
  for (const auto& component : components_) {
    if (!focused && (component->style & WS_TABSTOP)) focused = component.get();
    HFONT own = component->font ? component->font.get() : font.get();
    SendMessageA(component->handle, WM_SETFONT, reinterpret_cast<WPARAM>(own), 0);
  }
  if (focused) SetFocus(focused->handle);
}

void tProgram::cleanup() {
  font.reset();
  brush.reset();
  UnregisterClassA(className.c_str(), instance);
}

void tProgram::processMessages() {
  pumpMessages();
  // The loop polls: one pause per drained queue keeps the idle window cheap.
  Sleep(50);
}

void tProgram::run(bool exitAfter) {
  loopEnded = false;
  // The flag is looked at between passes only, so that what was queued when
  // the loop was ended is still dispatched.
  while (!loopEnded)
    processMessages();
  cleanup();
  if (exitAfter) ExitProcess(0);
}

LRESULT CALLBACK classWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // Default processing always runs, and runs first: WM_PAINT is validated and
  // the background erased before the object paints; WM_CLOSE destroys the
  // window before the object sees it.
  LRESULT byDefault = DefWindowProcA(hwnd, msg, wParam, lParam);
  if (!appWindow) return byDefault;
  if (msg == WM_DESTROY) {
    // The close box: a cancel, as the Cancel button's.
    appWindow->cancel();
    return byDefault;
  }
  tMessageRec rec = makeMessage(msg, wParam, lParam);
  appWindow->windowProc(rec);
  return rec.handled ? rec.result : byDefault;
}
