// The one flag of util/ui.h that is data, not a service: the same on every
// platform, whichever implementation of the boxes a program links.
#include "util/ui.h"

bool quitFlag = false;
