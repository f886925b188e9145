#include "detect/shell.h"

#include "detect/registry.h"
#include "util/elevation.h"
#include "util/systemlibrary.h"
#include "util/winhandle.h"

#include <windows.h>

#include <cstddef>
#include <memory>

namespace {

// The shipped 32-bit program hands the system a STARTUPINFOA of 68 bytes.
#ifndef _WIN64
static_assert(sizeof(STARTUPINFOA) == 68);
#endif

// Starting a process as another one's child came with Windows Vista, and the
// program runs on older systems too: it declares what it needs itself and
// looks the routines up at run time.
struct StartupInfoEx { // STARTUPINFOEXA
  STARTUPINFOA StartupInfo;
  LPPROC_THREAD_ATTRIBUTE_LIST lpAttributeList;
};
#ifndef _WIN64
static_assert(sizeof(StartupInfoEx) == 72);
#endif
// PROC_THREAD_ATTRIBUTE_PARENT_PROCESS: attribute number 0 (the parent
// process), marked as an input (PROC_THREAD_ATTRIBUTE_INPUT, 0x20000).
constexpr DWORD_PTR parentProcessAttribute = 0x00020000;
using InitializeListFn = BOOL(WINAPI*)(LPPROC_THREAD_ATTRIBUTE_LIST list, DWORD count, DWORD flags,
                                       SIZE_T* size);
using UpdateAttributeFn = BOOL(WINAPI*)(LPPROC_THREAD_ATTRIBUTE_LIST list, DWORD flags,
                                        DWORD_PTR attribute, void* value, SIZE_T size,
                                        void* previous, SIZE_T* returnedSize);
using DeleteListFn = void(WINAPI*)(LPPROC_THREAD_ATTRIBUTE_LIST list);
// Windows 2000 and later; absent from the oldest systems the program runs on.
using GetShellWindowFn = HWND(WINAPI*)();

// The process that owns the desktop's shell window, opened so that it can be
// made the parent of a new process; empty when the desktop has no shell
// window or the system does not let the program open that process so.
OwnedKernelHandle openShellProcess() {
  auto getShellWindow =
      systemFunction<GetShellWindowFn>(GetModuleHandleA("user32.dll"), "GetShellWindow");
  HWND shell = getShellWindow ? getShellWindow() : nullptr;
  DWORD pid = 0;
  if (!shell || GetWindowThreadProcessId(shell, &pid) == 0 || pid == 0) return {};
  return OwnedKernelHandle(OpenProcess(PROCESS_CREATE_PROCESS, FALSE, pid));
}

// A process-creation attribute list that names the desktop shell's process
// as the parent: a process created with it gets the shell's token, the
// user's own rights. Null where the system lacks the routines, the desktop
// has no shell, or its process cannot be opened.
class ShellAsParent {
public:
  ShellAsParent();
  ~ShellAsParent() {
    if (list_) deleteList_(list_);
  }
  ShellAsParent(const ShellAsParent&) = delete;
  ShellAsParent& operator=(const ShellAsParent&) = delete;

  LPPROC_THREAD_ATTRIBUTE_LIST list() const { return list_; }

private:
  OwnedKernelHandle shell_;
  HANDLE parent_ = nullptr; // the list holds the address of this value, not a copy
  std::unique_ptr<std::byte[]> storage_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
  DeleteListFn deleteList_ = nullptr;
};

ShellAsParent::ShellAsParent() {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto initialize = systemFunction<InitializeListFn>(kernel, "InitializeProcThreadAttributeList");
  auto update = systemFunction<UpdateAttributeFn>(kernel, "UpdateProcThreadAttribute");
  deleteList_ = systemFunction<DeleteListFn>(kernel, "DeleteProcThreadAttributeList");
  if (!initialize || !update || !deleteList_) return;
  shell_ = openShellProcess();
  if (!shell_) return;
  parent_ = shell_.get();
  SIZE_T size = 0;
  initialize(nullptr, 1, 0, &size); // fails, and says how large one attribute's list is
  if (size == 0) return;
  storage_ = std::make_unique<std::byte[]>(size);
  auto list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.get());
  if (!initialize(list, 1, 0, &size)) return;
  if (!update(list, 0, parentProcessAttribute, &parent_, sizeof parent_, nullptr, nullptr)) {
    deleteList_(list);
    return;
  }
  list_ = list;
}

// Creates the process of the command line; nothing waits for it, so its
// handles are closed at once.
bool createProcess(const std::string& cmd, DWORD extraFlags, STARTUPINFOA& startup) {
  std::string line = cmd; // CreateProcessA may write into the command line
  PROCESS_INFORMATION started = {};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE,
                      CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS | extraFlags, nullptr, nullptr,
                      &startup, &started))
    return false;
  OwnedKernelHandle process(started.hProcess);
  OwnedKernelHandle thread(started.hThread);
  return true;
}

// The default (unnamed) value of HKEY_CLASSES_ROOT\path; empty when missing.
std::string classesDefault(const std::string& path) {
  return regReadText(regOpenKey(HKEY_CLASSES_ROOT, path), "", "");
}

} // namespace

bool runProgram(const std::string& cmd, int show) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show);
  // An elevated installer would hand its administrator's token to the browser
  // and to everything the user then does in it. As the desktop shell's child
  // the browser gets the shell's token instead: the user's own rights.
  // Where the shell cannot be the parent, nothing is started: the command
  // may come from classes a standard user writes, and must not run with the
  // administrator's rights.
  if (runsElevated()) {
    ShellAsParent shell;
    if (!shell.list()) return false;
    StartupInfoEx extended = {startup, shell.list()};
    extended.StartupInfo.cb = sizeof extended;
    return createProcess(cmd, EXTENDED_STARTUPINFO_PRESENT, extended.StartupInfo);
  }
  // Without elevation the browser gets our own rights, the user's.
  return createProcess(cmd, 0, startup);
}

std::string defaultBrowserCommand(const std::string& url) {
  // The browser the user chose wins; without a usable choice (before Windows
  // 8 there is none) the "http" and ".html" associations decide.
  std::string cmd = commandWithUrl(userChoiceCommand("http"), url);
  if (cmd.empty()) cmd = commandWithUrl(defaultVerbCommand("http"), url);
  return cmd.empty() ? programCommand(programForExtension(".html"), url) : cmd;
}

void openUrlInDefaultBrowser(const std::string& url) {
  runProgram(defaultBrowserCommand(url), showMaximized);
}

std::string defaultVerbCommand(const std::string& name) {
  tRegKey shell = regOpenKey(HKEY_CLASSES_ROOT, name + "\\shell");
  if (!shell) return {};
  std::string verb = regReadText(shell, "", "");
  shell.reset();
  // No verb is assumed when the key names none.
  return verb.empty() ? std::string() : classesDefault(name + "\\shell\\" + verb + "\\command");
}

std::string userChoiceCommand(const std::string& protocol) {
  tRegKey choice = regOpenKey(HKEY_CURRENT_USER, userChoiceKey(protocol));
  std::string progId = regReadText(choice, "ProgId", "");
  choice.reset();
  return openCommandOfClass(progId);
}

std::string programForExtension(const std::string& ext) {
  tRegKey key = regOpenKey(HKEY_CLASSES_ROOT, ext);
  if (!key) return {};
  return programFromCommandLine(openCommandOfClass(regReadText(key, "", "")));
}

std::string openCommandOfClass(const std::string& cls) {
  // Without a class the path would begin with "\", which the registry reader
  // drops, and name HKEY_CLASSES_ROOT\shell\open\command: no class's command.
  return cls.empty() ? std::string() : classesDefault(cls + "\\shell\\open\\command");
}
