#pragma once
// Host stand-in for the message boxes: tests read back what was shown.
#include "util/ui.h"

#include <string>
#include <vector>

// The texts shown by errorBox and infoBox since the last call, oldest first.
std::vector<std::string> takeShownBoxes();
