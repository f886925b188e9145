#pragma once
// Host stand-in for the message boxes: tests read back what was shown.
#include "util/ui.h"

#include <functional>
#include <string>
#include <vector>

// The texts shown by errorBox and infoBox since the last call, oldest first.
std::vector<std::string> takeShownBoxes();

// With quiet set the texts are only recorded, not printed (the fuzzers show
// thousands of boxes).
void setQuietBoxes(bool quiet);

// Runs hook whenever pumpMessages is called, as a window handler would run
// there on Windows; an empty hook ends that.
void setMessageHook(std::function<void()> hook);

// What windowClosed answers from now on.
void setWindowClosed(bool closed);
