#pragma once
// Starting and waiting for programs in end-to-end tests.
#include <windows.h>

#include <string>

namespace uidriver {

// A started process; owns its handles and ends the process if it still runs
// when the object goes away, so a failed test leaves nothing behind.
class Process {
public:
  Process() = default;
  ~Process();
  Process(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  Process& operator=(Process&& other) noexcept; // ends the process held so far

  static Process start(const std::string& commandLine, const std::string& directory = {});
  // The same through CreateProcessW, as the shell starts a program whose
  // path the ANSI code page cannot spell.
  static Process startWide(const std::wstring& commandLine, const std::wstring& directory = {});
  bool running() const;
  DWORD id() const { return info_.dwProcessId; }
  // The exit code, or STILL_ACTIVE when it did not end within timeoutMs.
  DWORD wait(int timeoutMs);
  void kill();

private:
  PROCESS_INFORMATION info_ = {};
};

// A fresh empty directory under the prefix's temporary directory.
std::string makeTempDir(const std::string& name);
void removeTree(const std::string& dir);
bool copyFile(const std::string& from, const std::string& to);
std::string readFile(const std::string& path);
bool writeFile(const std::string& path, const std::string& bytes);

} // namespace uidriver
