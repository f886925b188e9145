#pragma once
// Libraries the program loads while it runs, always from the system folder
// (Windows only). A setup.exe is started from a Downloads folder, where a
// web page may have left a DLL under the name of a system library: a bare
// name would find that one first. Start-up also takes the program's folder
// and the current folder out of the search for everything loaded later, by
// the program or by the system's libraries on its behalf.
#include "util/handle.h"

#include <windows.h>

struct SystemLibraryTraits {
  using Handle = HMODULE;
  static Handle empty() { return nullptr; }
  static void close(Handle library) { FreeLibrary(library); }
};
// A library this program loaded; freed when the owner goes.
using OwnedLibrary = UniqueHandle<SystemLibraryTraits>;

// Restricts the library search to the system folder where the system can
// (SetDefaultDllDirectories, Windows 8 and later, Vista and 7 with their
// update) and drops the current folder from it where it cannot. Called first
// thing at start-up, before any library is loaded.
void restrictLibrarySearch();

// Loads the library of this file name (such as "psapi.dll") from the system
// folder by its full path; null when it is not there or does not load.
HMODULE loadSystemLibrary(const char* name);

// A function of a loaded library as the type the caller names; null when the
// library is null or lacks it. GetProcAddress hands every function out as one
// generic type.
template <typename Fn> Fn systemFunction(HMODULE library, const char* name) {
  return library ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)))
                 : nullptr;
}
