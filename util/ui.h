#pragma once
// What portable code needs of the user interface: the two message boxes that
// end the program, the quit flag they set, and the message pumping that keeps
// the window alive during long work. On Windows the installer and the toolkit
// provide them; the host build has a stand-in that prints to standard error
// and records the texts for tests.
#include <string>

// Set when the program is to end: by either message box, by the window's
// close box and Cancel button. Ends the window's loop and stops a run.
extern bool quitFlag;

// Modal "Install Error" box (error icon), owned by the window when it exists.
// Sets quitFlag when it has been closed.
void errorBox(const std::string& text);
// Modal "Installation Complete" box (information icon); sets quitFlag.
void infoBox(const std::string& text);

// Handles all pending messages of the thread, then sleeps 50 ms once.
void processMessages();
// Dispatches all pending messages of the thread, without sleeping.
void pumpMessages();
