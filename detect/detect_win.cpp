#include "detect/detect.h"

#include "detect/browserlist.h"

void detectBrowsers(tsList& list) {
  list.Clear();
  // Order matters: a later detection of the same program replaces an
  // earlier one, and Opera skips plug-in directories already listed.
  detectNavigator(list);
  detectGecko(list);
  detectOpera(list);
  sortBrowsers(list, 0, list.Count() / 3 - 1);
}
