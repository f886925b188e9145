// Waiting for the browsers that a run asked to quit: a browser that is still
// unloading holds its plug-in open, and replacing or deleting it would fail
// for the very browser the installer has just closed.
#include "installer/processes.h"

#include "util/ui.h"
#include "util/winhandle.h"

#include <windows.h>

#include <algorithm>

void waitForProcessesToEnd(const std::vector<uint32_t>& pids, uint32_t limitMs) {
  std::vector<OwnedKernelHandle> running;
  for (uint32_t pid : pids) {
    // One that cannot be opened has ended already, or is not ours to wait for.
    OwnedKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (process) running.push_back(std::move(process));
  }
  // Elapsed time as a difference of tick counts, which survives their wrap.
  const DWORD start = GetTickCount();
  while (!running.empty()) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= limitMs) return;
    // One wait takes at most this many handles beside the message queue; the
    // rest are waited for as the first ones end.
    auto count = static_cast<DWORD>(std::min<size_t>(running.size(), MAXIMUM_WAIT_OBJECTS - 1));
    std::vector<HANDLE> handles;
    for (DWORD i = 0; i < count; ++i)
      handles.push_back(running[i].get());
    // Messages already waiting wake it too, not only those that come later.
    DWORD woken = MsgWaitForMultipleObjectsEx(count, handles.data(), limitMs - elapsed, QS_ALLINPUT,
                                              MWMO_INPUTAVAILABLE);
    if (woken < WAIT_OBJECT_0 + count)
      running.erase(running.begin() + (woken - WAIT_OBJECT_0));
    else if (woken == WAIT_OBJECT_0 + count)
      pumpMessages(); // the window stays alive: Cancel, repaints
    else
      return; // the time is up, or the wait failed
  }
}
