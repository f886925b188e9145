#pragma once
// The toolkit's application window: the one top-level window object, the
// unit's start-up state and the message pumping that long work relies on.
#include <windows.h>

class tProgram {
public:
  virtual ~tProgram() = default;
  HWND handle = nullptr; // the top-level window; null until it is created
};

// The one window object; null before it exists and after it is freed.
extern tProgram* appWindow;
// The control identifier the next component receives.
extern int nextId;
// Size of one check-box glyph of the system's check-box bitmap.
extern int checkWidth;
extern int checkHeight;

// Unit start-up: clears the window state and measures the check-box glyph.
void formlessStartup();
