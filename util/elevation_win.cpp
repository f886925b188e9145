#include "util/elevation.h"

#include "util/winhandle.h"

#include <windows.h>

namespace {

bool tokenIsElevated() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
  OwnedKernelHandle token(raw);
  TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
  DWORD size = 0;
  if (GetTokenInformation(token.get(), TokenElevationType, &type, sizeof type, &size) &&
      type == TokenElevationTypeFull)
    return true;
  TOKEN_ELEVATION elevation = {};
  return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
         elevation.TokenIsElevated != 0;
}

} // namespace

bool runsElevated() {
  // A process keeps its token for life: asked once, not for every file the
  // installer writes or removes.
  static const bool elevated = tokenIsElevated();
  return elevated;
}
