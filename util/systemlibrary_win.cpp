#include "util/systemlibrary.h"

#include <string>

void restrictLibrarySearch() {
  // Both are looked up: a system without them must still start the program.
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  using SetDefaultDirectoriesFn = BOOL(WINAPI*)(DWORD flags);
  using SetDirectoryFn = BOOL(WINAPI*)(const char* dir);
  if (auto setDefault = systemFunction<SetDefaultDirectoriesFn>(kernel, "SetDefaultDllDirectories"))
    setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // An empty text takes the current folder out of the search (XP SP1 and later).
  if (auto setDirectory = systemFunction<SetDirectoryFn>(kernel, "SetDllDirectoryA"))
    setDirectory("");
}

HMODULE loadSystemLibrary(const char* name) {
  char dir[MAX_PATH];
  UINT length = GetSystemDirectoryA(dir, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  std::string path = std::string(dir, length) + "\\" + name;
  // With a full path and the altered search order, the library's own imports
  // are looked for in its folder, the system folder, first.
  return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
