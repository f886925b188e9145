#include "tests/driver/process.h"

#include <vector>

namespace uidriver {

Process::~Process() {
  kill();
  if (info_.hProcess) CloseHandle(info_.hProcess);
  if (info_.hThread) CloseHandle(info_.hThread);
}

Process::Process(Process&& other) noexcept : info_(other.info_) {
  other.info_ = {};
}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Process ended(std::move(*this)); // ends and closes what was held
    info_ = other.info_;
    other.info_ = {};
  }
  return *this;
}

Process Process::start(const std::string& commandLine, const std::string& directory) {
  Process p;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  std::string cmd = commandLine;
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &si, &p.info_))
    p.info_ = {};
  return p;
}

Process Process::startWide(const std::wstring& commandLine, const std::wstring& directory) {
  Process p;
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  std::wstring cmd = commandLine;
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &si, &p.info_))
    p.info_ = {};
  return p;
}

bool Process::running() const {
  return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD Process::wait(int timeoutMs) {
  if (!info_.hProcess) return STILL_ACTIVE;
  if (WaitForSingleObject(info_.hProcess, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0)
    return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

void Process::kill() {
  if (running()) {
    TerminateProcess(info_.hProcess, 255);
    WaitForSingleObject(info_.hProcess, 5000);
  }
}

std::string makeTempDir(const std::string& name) {
  char base[MAX_PATH + 1];
  GetTempPathA(sizeof base, base);
  std::string dir = std::string(base) + name + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(GetTickCount());
  removeTree(dir);
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

void removeTree(const std::string& dir) {
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &data);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = dir + "\\" + name;
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        removeTree(path);
      else
        DeleteFileA(path.c_str());
    } while (FindNextFileA(h, &data));
    FindClose(h);
  }
  RemoveDirectoryA(dir.c_str());
}

bool copyFile(const std::string& from, const std::string& to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE);
}

std::string readFile(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
    bytes.append(buf, got);
  CloseHandle(h);
  return bytes;
}

bool writeFile(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD done = 0;
  bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
            done == bytes.size();
  CloseHandle(h);
  return ok;
}

} // namespace uidriver
