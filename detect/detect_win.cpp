#include "detect/detect.h"

#include "detect/browserlist.h"
#include "detect/registry.h"

void detectBrowsers(tsList& list) {
  list.Clear();
  // Order matters: a later detection of the same program replaces an
  // earlier one, and Opera skips plug-in directories already listed.
  detectNavigator(list, registryViewFlag);
  detectGecko(list, registryViewFlag);
  detectOpera(list);
  // A 32-bit browser on 64-bit Windows registers in the 32-bit view, which
  // the searches above do not see; only a 32-bit browser can load the
  // plug-in. Browsers found so far keep their entries.
  if (uint32_t view = secondRegistryView(registryViewFlag)) {
    tsList more;
    detectNavigator(more, view);
    detectGecko(more, view);
    addMissingBrowsers(list, more);
  }
  dropUnplacedBrowsers(list);
  dropPluginlessBrowsers(list);
  sortBrowsers(list, 0, list.Count() / 3 - 1);
}
