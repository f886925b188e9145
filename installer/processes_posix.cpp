// The host twin of the running-browser detection: the host build runs no
// browsers of the user's, so a run there finds none to close and waits for
// nothing.
#include "installer/processes.h"

std::vector<uint32_t> closeRunningBrowsers(const std::string&) {
  return {};
}

void waitForProcessesToEnd(const std::vector<uint32_t>&, uint32_t) {}
