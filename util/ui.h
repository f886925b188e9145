#pragma once
// The user-interface services that portable code calls: the two message boxes
// through which every error and the final result reach the user, the quit
// flag they set, and the message pumping that keeps the window alive during
// long work. Declared here once; the window toolkit implements them on
// Windows (formless/ui_win.cpp) and the host build has a stand-in that
// records what was shown (util/ui_posix.cpp, hooks in util/ui_posix.h).
// Programs link one of the two; no library here depends on either.
#include <string>

// Set when the program is to end: by either message box, by the window's
// close box and its Cancel button, by the end of an installation run. Ends
// the window's loop and stops an installation after its current entry.
extern bool quitFlag;

// Modal "Install Error" box (error icon), owned by the window while it
// exists. Sets quitFlag when it has been closed.
void errorBox(const std::string& text);
// Modal "Installation Complete" box (information icon); sets quitFlag.
void infoBox(const std::string& text);

// Dispatches the messages waiting in the thread's queue and returns; it never
// waits for one. Cheap enough to call before every read of an extraction.
void pumpMessages();
