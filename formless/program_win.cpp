#include "formless/program.h"

#include "util/ui.h"

tProgram* appWindow = nullptr;
int nextId = 1;
int checkWidth = 0;
int checkHeight = 0;

void formlessStartup() {
  nextId = 1;
  appWindow = nullptr;
  quitFlag = false;
  // The system bitmap holds the check-box glyphs in a grid of 4 x 3.
  HBITMAP glyphs = LoadBitmapA(nullptr, MAKEINTRESOURCEA(32759)); // OBM_CHECKBOXES
  BITMAP info = {};
  if (glyphs && GetObjectA(glyphs, sizeof info, &info)) {
    checkWidth = info.bmWidth / 4;
    checkHeight = info.bmHeight / 3;
  }
  if (glyphs) DeleteObject(glyphs);
}

namespace {

// Takes one message off the thread's queue and dispatches it; false when the queue was empty.
bool dispatchOne() {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return true;
}

} // namespace

void processMessages() {
  while (dispatchOne()) {
  }
  // The loop polls: one pause per drained queue keeps the idle window cheap.
  Sleep(50);
}

void pumpMessages() {
  // Asking the queue first is much cheaper than a failed PeekMessage, and
  // the decoder calls this before every read.
  if (HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0) return;
  while (dispatchOne()) {
  }
}
