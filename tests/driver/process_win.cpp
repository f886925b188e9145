#include "tests/driver/process.h"

#include <vector>

namespace uidriver {

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    kill();
    process_ = std::move(other.process_);
    thread_ = std::move(other.thread_);
    id_ = std::exchange(other.id_, 0);
  }
  return *this;
}

std::wstring wide(const std::string& ansi) {
  std::wstring text(ansi.size(), L'\0');
  text.resize(
      static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                              text.data(), static_cast<int>(text.size()))));
  return text;
}

Process Process::start(const std::wstring& commandLine, const std::wstring& directory) {
  return create(commandLine, directory, 0);
}

Process Process::startHeld(const std::string& commandLine, const std::string& directory) {
  return create(wide(commandLine), wide(directory), CREATE_SUSPENDED);
}

void Process::resume() {
  if (thread_) ResumeThread(thread_.get());
  thread_.reset();
}

Process Process::create(const std::wstring& commandLine, const std::wstring& directory,
                        DWORD flags) {
  Process p;
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION info = {};
  std::wstring cmd = commandLine;
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, flags, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &si, &info))
    return p;
  OwnedKernelHandle thread(info.hThread);
  if (flags & CREATE_SUSPENDED) p.thread_ = std::move(thread);
  p.process_.reset(info.hProcess);
  p.id_ = info.dwProcessId;
  return p;
}

bool Process::running() const {
  return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

DWORD Process::wait(int timeoutMs) {
  if (!process_ ||
      WaitForSingleObject(process_.get(), static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0)
    return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

void Process::kill() {
  if (running()) {
    TerminateProcess(process_.get(), 255);
    WaitForSingleObject(process_.get(), 5000);
  }
}

namespace {
struct FindTraits {
  using Handle = HANDLE;
  static Handle empty() { return INVALID_HANDLE_VALUE; }
  static void close(Handle search) { FindClose(search); }
};
} // namespace

std::vector<WIN32_FIND_DATAA> folderEntries(const std::string& dir) {
  std::vector<WIN32_FIND_DATAA> entries;
  WIN32_FIND_DATAA found;
  UniqueHandle<FindTraits> search(FindFirstFileA((dir + "\\*").c_str(), &found));
  for (bool more = static_cast<bool>(search); more; more = FindNextFileA(search.get(), &found)) {
    std::string name = found.cFileName;
    if (name != "." && name != "..") entries.push_back(found);
  }
  return entries;
}

void removeTree(const std::string& dir) {
  for (const WIN32_FIND_DATAA& entry : folderEntries(dir)) {
    std::string path = dir + "\\" + entry.cFileName;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      removeTree(path);
    else
      DeleteFileA(path.c_str());
  }
  RemoveDirectoryA(dir.c_str());
}

bool copyFile(const std::string& from, const std::string& to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE);
}

} // namespace uidriver
