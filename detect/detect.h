#pragma once
// Browser detection: the detectors of each browser family and the driver that
// runs them in order and sorts the result.
#include "detect/tslist.h"

// Clears list, runs the Netscape Navigator, Gecko and Opera detectors in this
// order and sorts the entries by display name.
void detectBrowsers(tsList& list);

void detectNavigator(tsList& list);
void detectGecko(tsList& list);
void detectOpera(tsList& list);
