#pragma once
// The operating-system services that portable code needs: files with explicit
// sharing, file times, directories and temporary files. The Win32 side calls
// the ANSI file API; the POSIX side serves the host build and its tests, where
// a "\" in a path is taken as a separator and sharing is not enforced.
#include "util/handle.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// What other openers may do while we hold a file.
enum class Share { nothing, read, readWrite };

// A file's handle as the system gives it, as a number (a Windows HANDLE or
// a POSIX descriptor); -1 for none. Closed by the platform's own call.
struct FileHandleTraits {
  using Handle = intptr_t;
  static Handle empty() { return -1; }
  static void close(Handle handle);
};

// An open file; owns its handle and closes it when destroyed. Move-only.
class File {
public:
  File() = default;

  // An existing file, for reading.
  static File openRead(const std::string& path, Share others);
  // The running program's own file at path, for reading and shared for
  // reading only; closed when the file under that name is not the very file
  // the program was loaded from (it was renamed aside and another put in its
  // place after the start).
  static File openOwnProgram(const std::string& path);
  // A file created anew (an existing one is replaced), for reading and writing.
  static File create(const std::string& path, Share others);
  // A new file, for reading and writing, only where nothing has the name: an
  // existing file, link or reparse point of that name makes it fail.
  static File createNew(const std::string& path, Share others);

  bool isOpen() const { return static_cast<bool>(handle_); }
  int64_t size() const;                      // -1 on error
  bool seek(int64_t offset);                 // from the start of the file
  int32_t read(void* buffer, int32_t size);  // bytes read, 0 at the end, -1 on error
  bool write(const void* data, size_t size); // true when every byte was written
  // Last-write time from a DOS date and time read as local time.
  bool setDosTime(uint16_t dosDate, uint16_t dosTime);
  void close() { handle_.reset(); }

private:
  static constexpr intptr_t invalid = -1;
  explicit File(intptr_t handle) : handle_(handle) {}
  UniqueHandle<FileHandleTraits> handle_;
};

// A new file named prefix + 8 hexadecimal digits + ".tmp", made in one step
// where nothing has its name (File::createNew: never through a link), for
// reading and writing and shared for reading only. A name still taken (left
// by an earlier run, or made by someone else) is passed over for the next;
// path gets the name, and is empty when none could be made.
File createNewNamed(const std::string& prefix, std::string& path);

// True when a directory search for the path finds an entry (directories count).
bool fileExists(const std::string& path);
// True when a file or directory exists and is neither hidden nor a system file.
bool pathExists(const std::string& path);
bool createDirectory(const std::string& path);
bool deleteFile(const std::string& path);
// True when path names no file, or a file that could be replaced now: not a
// directory, not read-only, not held open without sharing.
bool canReplace(const std::string& path);
// Moves from onto to, replacing an existing file; false when to cannot be
// replaced (see canReplace) and to is then untouched.
bool replaceFile(const std::string& from, const std::string& to);
// Creates an empty file with a unique name in dir (prefix: at most three
// characters) and returns its path; empty on failure.
std::string createUniqueFile(const std::string& dir, const std::string& prefix);
// The user's temporary directory, with a trailing separator.
std::string tempDirectory();
// A millisecond count that only moves forward (it wraps around: compare
// differences, never values).
uint32_t tickCount();

} // namespace platform
