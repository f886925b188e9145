#include "util/platform.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Windows paths arrive here too: "\" separates folders on every build.
std::string hostPath(const std::string& path) {
  std::string result = path;
  for (char& c : result)
    if (c == '\\') c = '/';
  return result;
}

int fd(intptr_t handle) {
  return static_cast<int>(handle);
}

} // namespace

File File::openRead(const std::string& path, Share) {
  int h = ::open(hostPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  return File(h < 0 ? invalid : h);
}

File File::openOwnProgram(const std::string& path) {
  File file = openRead(path, Share::read);
  struct stat opened, running;
  if (!file.isOpen() || fstat(fd(file.handle_.get()), &opened) != 0 ||
      stat("/proc/self/exe", &running) != 0 || opened.st_dev != running.st_dev ||
      opened.st_ino != running.st_ino)
    return File();
  return file;
}

File File::create(const std::string& path, Share) {
  int h = ::open(hostPath(path).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  return File(h < 0 ? invalid : h);
}

File File::createNew(const std::string& path, Share) {
  int h = ::open(hostPath(path).c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  return File(h < 0 ? invalid : h);
}

int64_t File::size() const {
  struct stat st;
  return isOpen() && fstat(fd(handle_.get()), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

bool File::seek(int64_t offset) {
  return isOpen() && offset >= 0 &&
         lseek(fd(handle_.get()), static_cast<off_t>(offset), SEEK_SET) >= 0;
}

int32_t File::read(void* buffer, int32_t size) {
  if (!isOpen() || size < 0) return -1;
  char* p = static_cast<char*>(buffer);
  int32_t total = 0;
  while (total < size) { // a plain file gives short reads only at its end
    ssize_t got = ::read(fd(handle_.get()), p + total, static_cast<size_t>(size - total));
    if (got < 0) return -1;
    if (got == 0) break;
    total += static_cast<int32_t>(got);
  }
  return total;
}

bool File::write(const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t done = isOpen() ? ::write(fd(handle_.get()), p, size) : -1;
    if (done <= 0) return false;
    p += done;
    size -= static_cast<size_t>(done);
  }
  return true;
}

bool File::setDosTime(uint16_t dosDate, uint16_t dosTime) {
  struct tm t = {};
  t.tm_year = (dosDate >> 9) + 80;
  t.tm_mon = ((dosDate >> 5) & 15) - 1;
  t.tm_mday = dosDate & 31;
  t.tm_hour = dosTime >> 11;
  t.tm_min = (dosTime >> 5) & 63;
  t.tm_sec = (dosTime & 31) * 2;
  t.tm_isdst = -1;
  time_t when = mktime(&t);
  if (!isOpen() || when == static_cast<time_t>(-1)) return false;
  struct timespec times[2] = {{0, UTIME_OMIT}, {when, 0}};
  return futimens(fd(handle_.get()), times) == 0;
}

void FileHandleTraits::close(Handle handle) {
  ::close(fd(handle));
}

bool fileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(hostPath(path).c_str(), &st) == 0;
}

bool pathExists(const std::string& path) {
  // The host's hidden files are the dot files.
  std::string p = hostPath(path);
  size_t slash = p.find_last_of('/');
  std::string name = slash == std::string::npos ? p : p.substr(slash + 1);
  return fileExists(p) && (name.empty() || name[0] != '.' || name == "." || name == "..");
}

bool createDirectory(const std::string& path) {
  return mkdir(hostPath(path).c_str(), 0755) == 0;
}

bool deleteFile(const std::string& path) {
  struct stat st;
  std::string p = hostPath(path);
  return lstat(p.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && unlink(p.c_str()) == 0;
}

bool canReplace(const std::string& path) {
  // Windows does not replace a read-only file; on the host a file without its
  // owner's write permission stands for one (root could write it regardless).
  struct stat st;
  if (stat(hostPath(path).c_str(), &st) != 0) return true;
  return !S_ISDIR(st.st_mode) && (st.st_mode & S_IWUSR) != 0;
}

bool replaceFile(const std::string& from, const std::string& to) {
  return canReplace(to) && rename(hostPath(from).c_str(), hostPath(to).c_str()) == 0;
}

std::string createUniqueFile(const std::string& dir, const std::string& prefix) {
  std::string base = hostPath(dir);
  if (!base.empty() && base.back() != '/') base += '/';
  std::string name = base + prefix.substr(0, 3) + "XXXXXX";
  // Only the name is wanted: the file is closed at once.
  UniqueHandle<FileHandleTraits> made(mkstemp(name.data()));
  return made ? name : std::string();
}

std::string tempDirectory() {
  const char* dir = std::getenv("TMPDIR");
  std::string result = dir && *dir ? dir : "/tmp";
  if (result.back() != '/') result += '/';
  return result;
}

uint32_t tickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

} // namespace platform
