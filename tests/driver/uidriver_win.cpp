#include "tests/driver/uidriver.h"

#include "formless/gdi.h"
#include "tests/driver/screenshot.h"
#include "tests/util/wait.h"

#include <algorithm>

namespace uidriver {
namespace {

std::string textOf(HWND window) {
  char buf[4096];
  int len = GetWindowTextA(window, buf, sizeof buf);
  return std::string(buf, len > 0 ? static_cast<size_t>(len) : 0);
}

std::string classOf(HWND window) {
  char buf[256];
  int len = GetClassNameA(window, buf, sizeof buf);
  return std::string(buf, len > 0 ? static_cast<size_t>(len) : 0);
}

WindowInfo describe(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return {window, classOf(window), textOf(window), pid, IsWindowVisible(window) != 0};
}

BOOL CALLBACK collect(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<WindowInfo>*>(list)->push_back(describe(window));
  return TRUE;
}

std::string withoutAmpersands(const std::string& caption) {
  std::string result;
  for (char c : caption)
    if (c != '&') result += c;
  return result;
}

// True when the icon control shows the system icon named by id. Icons of
// other processes cannot be read through their handles, so the control's
// pixels on screen are held against the icon drawn here on the same background.
bool showsSystemIcon(HWND control, int id) {
  RECT r;
  if (!GetWindowRect(control, &r)) return false;
  int w = GetSystemMetrics(SM_CXICON);
  int h = GetSystemMetrics(SM_CYICON);
  Picture shown = capture(WindowDc().get(), r.left, r.top, w, h);
  // The corner is background.
  return shown == painted(w, h, shown.colorAt(0, 0), [&](HDC dc) {
           DrawIcon(dc, 0, 0, LoadIconA(nullptr, MAKEINTRESOURCEA(id)));
         });
}

LPARAM keyParam(UINT vk, bool up, bool alt) {
  UINT scan = MapVirtualKeyA(vk, 0); // MAPVK_VK_TO_VSC
  LPARAM lp = 1 | (static_cast<LPARAM>(scan) << 16);
  if (alt) lp |= 1 << 29;
  if (up) lp |= (1u << 30) | (1u << 31);
  return lp;
}

} // namespace

HWND focusedControl(HWND top) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  DWORD thread = GetWindowThreadProcessId(top, nullptr);
  if (GetGUIThreadInfo(thread, &info) && info.hwndFocus) return info.hwndFocus;
  return top;
}

std::vector<WindowInfo> topLevelWindows(DWORD processId) {
  std::vector<WindowInfo> all;
  EnumWindows(collect, reinterpret_cast<LPARAM>(&all));
  if (processId == 0) return all;
  std::vector<WindowInfo> mine;
  for (const WindowInfo& w : all)
    if (w.processId == processId) mine.push_back(w);
  return mine;
}

std::vector<WindowInfo> childWindows(HWND window) {
  std::vector<WindowInfo> all;
  EnumChildWindows(window, collect, reinterpret_cast<LPARAM>(&all));
  return all;
}

HWND waitForWindow(DWORD processId, const std::string& className, const std::string& caption,
                   int timeoutMs) {
  HWND found = nullptr;
  waitUntil(
      [&] {
        for (const WindowInfo& w : topLevelWindows(processId))
          if (w.visible && (className.empty() || w.className == className) &&
              (caption.empty() || w.caption == caption)) {
            found = w.handle;
            return true;
          }
        return false;
      },
      std::chrono::milliseconds(timeoutMs));
  return found;
}

MessageBoxInfo readMessageBox(HWND box) {
  MessageBoxInfo info = {textOf(box), {}, GetWindow(box, GW_OWNER), false, false, false};
  for (const WindowInfo& child : childWindows(box)) {
    if (lstrcmpiA(child.className.c_str(), "Static") != 0) continue;
    LONG style = GetWindowLongA(child.handle, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON) {
      // A box that has just appeared may not have painted its icon yet.
      waitUntil(
          [&] {
            info.errorIcon = showsSystemIcon(child.handle, 32513);       // IDI_HAND
            info.informationIcon = showsSystemIcon(child.handle, 32516); // IDI_ASTERISK
            info.warningIcon = showsSystemIcon(child.handle, 32515);     // IDI_EXCLAMATION
            return info.errorIcon || info.informationIcon || info.warningIcon;
          },
          std::chrono::seconds(2));
    } else if (!child.caption.empty()) {
      info.text = child.caption;
    }
  }
  return info;
}

bool clickControl(HWND window, const std::string& caption) {
  for (const WindowInfo& child : childWindows(window)) {
    if (withoutAmpersands(child.caption) == caption) {
      PostMessageA(child.handle, BM_CLICK, 0, 0);
      return true;
    }
  }
  return false;
}

void sendKey(HWND top, Key key) {
  HWND target = focusedControl(top);
  UINT vk = VK_TAB;
  switch (key) {
  case Key::tab:
  case Key::shiftTab:
    vk = VK_TAB;
    break;
  case Key::enter:
    vk = VK_RETURN;
    break;
  case Key::escape:
    vk = VK_ESCAPE;
    break;
  case Key::space:
    vk = VK_SPACE;
    break;
  }
  // Posted keys do not change the keyboard state that GetKeyState reads, so
  // Shift+TAB is the shifted key sequence with the state set around it.
  if (key == Key::shiftTab) {
    PostMessageA(target, WM_KEYDOWN, VK_SHIFT, keyParam(VK_SHIFT, false, false));
  }
  PostMessageA(target, WM_KEYDOWN, vk, keyParam(vk, false, false));
  PostMessageA(target, WM_KEYUP, vk, keyParam(vk, true, false));
  if (key == Key::shiftTab) {
    PostMessageA(target, WM_KEYUP, VK_SHIFT, keyParam(VK_SHIFT, true, false));
  }
}

void sendAltLetter(HWND top, char letter) {
  HWND target = focusedControl(top);
  UINT vk = static_cast<UINT>(VkKeyScanA(letter) & 0xFF);
  PostMessageA(target, WM_SYSKEYDOWN, vk, keyParam(vk, false, true));
  PostMessageA(target, WM_SYSKEYUP, vk, keyParam(vk, true, true));
}

std::vector<std::string> listItems(HWND list) {
  // Asked in wide characters: across processes Wine hands a list box's text
  // over in them whichever form is asked for.
  std::vector<std::string> names;
  auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    auto length = static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0));
    std::wstring text(length + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    std::string ansi(4 * length + 4, '\0');
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, ansi.data(),
                                static_cast<int>(ansi.size()), nullptr, nullptr);
    names.push_back(ansi.substr(0, n > 0 ? static_cast<size_t>(n - 1) : 0));
  }
  return names;
}

Picture checkGlyph(int state, COLORREF fill, int w, int h) {
  // The system's own check box in each look a check-list item shows.
  UINT look = DFCS_BUTTONCHECK; // 0: the plain frame
  if (state == 1) look |= DFCS_CHECKED;
  if (state == 2) look |= DFCS_CHECKED | DFCS_BUTTON3STATE; // the greyed check
  return painted(w, h, fill, [&](HDC dc) {
    RECT r = {0, 0, w, h};
    DrawFrameControl(dc, &r, DFC_BUTTON, look);
  });
}

std::vector<int> shownCheckStates(HWND list) {
  auto height = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
  auto count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  auto selected = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
  const auto first = static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
  RECT client = {};
  GetClientRect(list, &client);
  int visible = height > 0 ? std::max(1, static_cast<int>(client.bottom) / height) : 1;
  // The glyph's size: one of the 4 x 3 glyphs of the system's bitmap.
  OwnedBitmap glyphs(LoadBitmapA(nullptr, MAKEINTRESOURCEA(32759))); // OBM_CHECKBOXES
  BITMAP size = {};
  GetObjectA(glyphs.get(), sizeof size, &size);
  int w = size.bmWidth / 4, h = size.bmHeight / 3;
  std::vector<int> states;
  WindowDc screen;
  int top = first;
  for (int k = 0; k < count; ++k) {
    if (k < top || k >= top + visible) {
      // Scrolled into view as a user would, and painted at once.
      SendMessageA(list, LB_SETTOPINDEX, k, 0);
      UpdateWindow(list);
      top = static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
    }
    POINT at = {1, (k - top) * height + (height - h) / 2};
    ClientToScreen(list, &at);
    Picture shown = capture(screen.get(), at.x, at.y, w, h);
    COLORREF fill = GetSysColor(k == selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    int state = -1;
    for (int s = 0; s < 3; ++s)
      if (shown == checkGlyph(s, fill, w, h)) state = s;
    states.push_back(state);
  }
  if (top != first) {
    SendMessageA(list, LB_SETTOPINDEX, first, 0);
    UpdateWindow(list);
  }
  return states;
}

std::string windowsPath(const std::string& unixPath) {
  std::string result = "Z:" + unixPath;
  for (char& c : result)
    if (c == '/') c = '\\';
  return result;
}

} // namespace uidriver
