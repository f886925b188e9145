#include "installer/processes.h"

#include "detect/osversion.h"
#include "util/systemlibrary.h"
#include "util/text.h"
#include "util/winhandle.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <tlhelp32.h>

bool isNT = false;

namespace {

// The shipped 32-bit program hands the system the ANSI PROCESSENTRY32 of 296
// bytes; the 64-bit test build's is wider, and the system takes either.
#ifndef _WIN64
static_assert(sizeof(PROCESSENTRY32) == 296);
#endif

using CreateSnapshotFn = HANDLE(WINAPI*)(DWORD flags, DWORD pid);
using ProcessEntryFn = BOOL(WINAPI*)(HANDLE snapshot, PROCESSENTRY32* entry);
using ModuleFileNameFn = DWORD(WINAPI*)(HANDLE process, HMODULE module, char* name, DWORD size);
using ImageNameFn = BOOL(WINAPI*)(HANDLE process, DWORD flags, char* name, DWORD* size);

// What initProcessApi found; every pointer is null when its function is
// missing, and all of them again after freeProcessApi.
struct ProcessApi {
  CreateSnapshotFn createSnapshot = nullptr;
  ProcessEntryFn firstProcess = nullptr;
  ProcessEntryFn nextProcess = nullptr;
  OwnedLibrary processStatus; // "psapi.dll", loaded on the NT family only
  ModuleFileNameFn moduleFileName = nullptr;
  ImageNameFn queryImageName = nullptr; // QueryFullProcessImageNameA, from Vista on
};
ProcessApi api;

// The executable of a snapshot entry: its full path where the process-status
// library can read it, else the entry's own name (a bare file name on the NT
// family, which never matches a folder).
std::string executablePath(const PROCESSENTRY32& entry) {
  std::string path;
  if (isNT && (api.queryImageName || api.moduleFileName))
    path = processImagePath(entry.th32ProcessID);
  if (path.empty()) path.assign(entry.szExeFile, strnlen(entry.szExeFile, sizeof entry.szExeFile));
  return path;
}

// The image path through the limited query right, which a process grants
// where it refuses reading its memory, and which a 32-bit program also gets
// for a 64-bit one; empty where the system lacks the call or refuses.
std::string limitedImagePath(uint32_t pid) {
  if (!api.queryImageName) return {};
  OwnedKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  // An ended process keeps its name while a handle holds it, but runs
  // nothing any more: as for the memory read, it has no path.
  DWORD code = 0;
  if (!process || !GetExitCodeProcess(process.get(), &code) || code != STILL_ACTIVE) return {};
  std::string path(32768, '\0'); // the longest path the system knows
  DWORD size = static_cast<DWORD>(path.size());
  if (!api.queryImageName(process.get(), 0, path.data(), &size)) return {};
  path.resize(std::min<size_t>(size, path.size()));
  return path;
}

// The process whose windows are asked to quit, and whether it had one.
struct QuitRequest {
  DWORD pid;
  bool posted;
};

BOOL CALLBACK postQuitToOwnWindow(HWND window, LPARAM param) {
  auto& request = *reinterpret_cast<QuitRequest*>(param);
  DWORD owner = 0;
  if (GetWindowThreadProcessId(window, &owner) != 0 && owner != 0 && owner == request.pid) {
    PostMessageA(window, WM_QUIT, 0, 0);
    request.posted = true;
  }
  return TRUE; // every window is visited
}

} // namespace

void initProcessApi() {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  api.firstProcess = systemFunction<ProcessEntryFn>(kernel, "Process32First");
  api.nextProcess = systemFunction<ProcessEntryFn>(kernel, "Process32Next");
  api.createSnapshot = systemFunction<CreateSnapshotFn>(kernel, "CreateToolhelp32Snapshot");
  api.queryImageName = systemFunction<ImageNameFn>(kernel, "QueryFullProcessImageNameA");
  isNT = systemPlatformId() == VER_PLATFORM_WIN32_NT;
  api.processStatus.reset(isNT ? loadSystemLibrary("psapi.dll") : nullptr);
  api.moduleFileName =
      systemFunction<ModuleFileNameFn>(api.processStatus.get(), "GetModuleFileNameExA");
}

void freeProcessApi() {
  api.queryImageName = nullptr;
  api.moduleFileName = nullptr;
  api.processStatus.reset();
  api.createSnapshot = nullptr;
  api.firstProcess = nullptr;
  api.nextProcess = nullptr;
}

std::vector<uint32_t> closeRunningBrowsers(const std::string& dir) {
  std::vector<uint32_t> asked;
  if (!api.createSnapshot || !api.firstProcess || !api.nextProcess) return asked;
  OwnedSnapshot snapshot(api.createSnapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return asked;
  std::string upperDir = upperCase(dir);
  // The installer is never among the programs it closes: it may run from a
  // folder on the way (a setup.exe at C:\ leads to every plug-in directory
  // on C:), and a quit in its own queue would end whichever of its loops
  // took it, the final message box included.
  DWORD self = GetCurrentProcessId();
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry; // 296 in the 32-bit program
  for (BOOL more = api.firstProcess(snapshot.get(), &entry); more;
       more = api.nextProcess(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == 0 || entry.th32ProcessID == self) continue;
    if (runsFromPathTo(executablePath(entry), upperDir) && quitProcessWindows(entry.th32ProcessID))
      asked.push_back(entry.th32ProcessID);
  }
  return asked;
}

std::string processImagePath(uint32_t pid) {
  if (std::string path = limitedImagePath(pid); !path.empty()) return path;
  if (!api.moduleFileName) return {};
  OwnedKernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process) return {};
  char path[MAX_PATH];
  if (api.moduleFileName(process.get(), nullptr, path, MAX_PATH) < 1) return {};
  // An old system leaves a cut path without its terminating zero.
  return std::string(path, strnlen(path, MAX_PATH));
}

bool quitProcessWindows(uint32_t pid) {
  QuitRequest request = {pid, false};
  auto param = reinterpret_cast<LPARAM>(&request);
  if (isNT)
    EnumDesktopWindows(nullptr, postQuitToOwnWindow, param);
  else
    EnumWindows(postQuitToOwnWindow, param);
  return request.posted;
}
