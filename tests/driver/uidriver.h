#pragma once
// A small UI driver for end-to-end tests: finds top-level windows, reads and
// answers message boxes, clicks controls and sends keys, the way a user would.
#include "tests/driver/screenshot.h"

#include <windows.h>

#include <string>
#include <vector>

namespace uidriver {

struct WindowInfo {
  HWND handle;
  std::string className;
  std::string caption;
  DWORD processId;
  bool visible;
};

// Every top-level window of the desktop; only those of processId when it is not 0.
std::vector<WindowInfo> topLevelWindows(DWORD processId = 0);

// Waits until a visible top-level window of the process (0: any) matches the
// class name and/or caption (an empty text matches anything); null on timeout.
HWND waitForWindow(DWORD processId, const std::string& className, const std::string& caption,
                   int timeoutMs);

struct MessageBoxInfo {
  std::string caption;
  std::string text;
  HWND owner;
  bool errorIcon;
  bool informationIcon;
  bool warningIcon;
};
MessageBoxInfo readMessageBox(HWND box);

// Presses the first child control whose caption (ignoring "&") equals caption.
bool clickControl(HWND window, const std::string& caption);
// The children of a window with their class names and captions.
std::vector<WindowInfo> childWindows(HWND window);

// The control with the keyboard focus in top's thread (top when none).
HWND focusedControl(HWND top);

enum class Key { tab, shiftTab, enter, escape, space };
// Posts the key to the window with focus inside top (or top itself).
void sendKey(HWND top, Key key);
// Alt+letter, as a menu accelerator reaches a window.
void sendAltLetter(HWND top, char letter);

// The items of a list box of any process, and the check state that each
// item's glyph shows on the screen: 0, 1 or 2 as the system draws the three
// check-box glyphs at the item's left edge, -1 for none of them. Items out of
// view are scrolled into it as a user would, and the list is put back.
std::vector<std::string> listItems(HWND list);
std::vector<int> shownCheckStates(HWND list);
// The w x h glyph, on fill, that a check-list item of this state shows: 0 the
// system's plain check-box frame, 1 its checked box, 2 its checked box in the
// greyed three-state look.
Picture checkGlyph(int state, COLORREF fill, int w, int h);

// A Unix path as Wine's Z: drive shows it.
std::string windowsPath(const std::string& unixPath);

} // namespace uidriver
