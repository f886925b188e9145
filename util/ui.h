#pragma once
// The user-interface services that portable code calls: the two message boxes
// through which every error and the final result reach the user, the quit
// flag they set, and the message pumping that keeps the window alive during
// long work. Declared here once; the window toolkit implements them on
// Windows (formless/ui_win.cpp) and the host build has a stand-in that
// records what was shown (util/ui_posix.cpp, hooks in util/ui_posix.h).
// Programs link one of the two; no library here depends on either. The quit
// flag itself is the same everywhere (util/ui.cpp).
#include <string>

// Set when the program is to end: by every message box, by the window's
// close box and its Cancel button, by the end of an installation run. Ends
// the window's loop; a run that sees it set by the user between two browsers
// touches no further browser.
extern bool quitFlag;

// Modal errorCaption box (error icon), owned by the window while it exists.
// Sets quitFlag when it has been closed.
void errorBox(const std::string& text);
inline constexpr char errorCaption[] = "Install Error";
// Modal infoCaption box (information icon); sets quitFlag.
void infoBox(const std::string& text);
inline constexpr char infoCaption[] = "Installation Complete";

// The icon of a box that reports how a run ended.
enum class BoxIcon { information, warning };
// Modal box with its own caption, owned by the window while it exists; sets
// quitFlag. How a run ended when it did not simply complete.
void outcomeBox(const std::string& caption, const std::string& text, BoxIcon icon);

// Dispatches the messages waiting in the thread's queue and returns; it never
// waits for one. A caller in a tight loop calls it every few milliseconds,
// not every pass: each call asks the window system.
void pumpMessages();

// True once the user has closed the program's window (its close box, Alt+F4)
// while the program still runs: work in progress then starts nothing new.
bool windowClosed();
