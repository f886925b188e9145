#pragma once
// Starting and waiting for programs in end-to-end tests.
#include "tests/util/files.h"
#include "util/winhandle.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace uidriver {

// ANSI text in wide characters, as the system converts it.
std::wstring wide(const std::string& ansi);

// A started process; owns its handles and ends the process if it still runs
// when the object goes away, so a failed test leaves nothing behind.
class Process {
public:
  Process() = default;
  ~Process() { kill(); }
  Process(Process&& other) noexcept
      : process_(std::move(other.process_)), thread_(std::move(other.thread_)),
        id_(std::exchange(other.id_, 0)) {}
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  Process& operator=(Process&& other) noexcept; // ends the process held so far

  // Started as the shell starts a program: through CreateProcessW, so that
  // a path the ANSI code page cannot spell works too.
  static Process start(const std::wstring& commandLine, const std::wstring& directory = {});
  static Process start(const std::string& commandLine, const std::string& directory = {}) {
    return start(wide(commandLine), wide(directory));
  }
  // Started as start does, with its first thread held until resume(): a
  // watch on the process can begin before the process does anything.
  static Process startHeld(const std::string& commandLine, const std::string& directory = {});
  void resume();
  bool running() const;
  DWORD id() const { return id_; }
  HANDLE handle() const { return process_.get(); }
  // The exit code, or STILL_ACTIVE when it did not end within timeoutMs.
  DWORD wait(int timeoutMs);
  void kill();

private:
  static Process create(const std::wstring& commandLine, const std::wstring& directory,
                        DWORD flags);
  OwnedKernelHandle process_;
  OwnedKernelHandle thread_; // only while held
  DWORD id_ = 0;
};

// A file opened with CreateFile: it fails, as a snapshot does, with
// INVALID_HANDLE_VALUE.
using OwnedFile = OwnedSnapshot;
// The existing file opened with this access, others sharing it as named.
inline OwnedFile openFile(const std::string& path, DWORD access, DWORD share) {
  return OwnedFile(CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
}

void removeTree(const std::string& dir);
// What a folder holds, without "." and "..".
std::vector<WIN32_FIND_DATAA> folderEntries(const std::string& dir);
bool copyFile(const std::string& from, const std::string& to);
using testfiles::readFile;
using testfiles::writeFile;

} // namespace uidriver
