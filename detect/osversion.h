#pragma once
// sys_OSversion: the running system's version, as the registry reader and the
// version reader need it.
#include <cstdint>

// The system's major version (5: 2000 and XP, 6: Vista and 7); set once at
// start-up and fixed for the run.
extern int32_t osMajorVersion;

// Windows only. Takes osMajorVersion from GetVersionExA; 0 when the system
// does not answer.
void osVersionStartup();

// Windows only. The platform identifier GetVersionExA reports now
// (platformWin32NT or platformWin32Windows of detect/verinfo.h).
uint32_t systemPlatformId();
