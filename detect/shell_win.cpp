#include "detect/shell.h"

#include "detect/registry.h"
#include "util/winhandle.h"

#include <windows.h>

namespace {

// The shipped 32-bit program hands the system a STARTUPINFOA of 68 bytes.
#ifndef _WIN64
static_assert(sizeof(STARTUPINFOA) == 68);
#endif

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
  std::string line = cmd; // CreateProcessA may write into the command line
  PROCESS_INFORMATION started = {};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE,
                      CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                      &started))
    return false;
  // Nothing waits for the program: its handles are closed at once.
  OwnedKernelHandle process(started.hProcess);
  OwnedKernelHandle thread(started.hThread);
  return true;
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
  regCloseKey(shell);
  // No verb is assumed when the key names none.
  return verb.empty() ? std::string() : classesDefault(name + "\\shell\\" + verb + "\\command");
}

std::string userChoiceCommand(const std::string& protocol) {
  tRegKey choice = regOpenKey(HKEY_CURRENT_USER, userChoiceKey(protocol));
  std::string progId = regReadText(choice, "ProgId", "");
  regCloseKey(choice);
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
