#include "detect/osversion.h"

#include <windows.h>

namespace {

OSVERSIONINFOA systemVersion() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info)) info = {};
  return info;
}

} // namespace

void osVersionStartup() {
  osMajorVersion = static_cast<int32_t>(systemVersion().dwMajorVersion);
}

uint32_t systemPlatformId() {
  return systemVersion().dwPlatformId;
}
