#include "detect/detect.h"

// The registry searches land with the registry reader; until then no family is found.
void detectNavigator(tsList&) {}
void detectGecko(tsList&) {}
void detectOpera(tsList&) {}
