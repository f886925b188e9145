#include "util/ui.h"

bool quitFlag = false;
