#include "util/platform.h"

#include "util/systemlibrary.h"
#include "util/winhandle.h"

#include <windows.h>

namespace platform {
namespace {

HANDLE native(intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

DWORD shareMode(Share others) {
  switch (others) {
  case Share::nothing:
    return 0;
  case Share::read:
    return FILE_SHARE_READ;
  case Share::readWrite:
    return FILE_SHARE_READ | FILE_SHARE_WRITE;
  }
  return 0;
}

// Runs a directory search for the path and hands the first match to test.
template <typename Test> bool searchPath(const std::string& path, Test test) {
  WIN32_FIND_DATAA data;
  OwnedFindHandle search(FindFirstFileA(path.c_str(), &data));
  return search && test(data);
}

} // namespace

File File::openRead(const std::string& path, Share others) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, shareMode(others), nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  return File(h == INVALID_HANDLE_VALUE ? invalid : reinterpret_cast<intptr_t>(h));
}

File File::openOwnProgram(const std::string& path) {
  File file = openRead(path, Share::read);
  if (!file.isOpen()) return file;
  // The system compares the files behind two mapped views: the program's
  // image and a view of the file just opened.
  using SameFilesFn = LONG(NTAPI*)(PVOID first, PVOID second);
  auto sameFiles =
      systemFunction<SameFilesFn>(GetModuleHandleA("ntdll.dll"), "NtAreMappedFilesTheSame");
  if (!sameFiles) return file; // systems before XP: nothing to compare with, nor elevation
  OwnedKernelHandle mapping(
      CreateFileMappingA(native(file.handle_.get()), nullptr, PAGE_READONLY, 0, 0, nullptr));
  void* view = mapping ? MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 1) : nullptr;
  bool same = view && sameFiles(GetModuleHandleA(nullptr), view) == 0; // STATUS_SUCCESS
  if (view) UnmapViewOfFile(view);
  return same ? std::move(file) : File();
}

File File::create(const std::string& path, Share others) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, shareMode(others), nullptr,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return File(h == INVALID_HANDLE_VALUE ? invalid : reinterpret_cast<intptr_t>(h));
}

File File::createNew(const std::string& path, Share others) {
  // A reparse point (a symbolic link, a junction) of the name is not followed.
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, shareMode(others), nullptr,
                         CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  return File(h == INVALID_HANDLE_VALUE ? invalid : reinterpret_cast<intptr_t>(h));
}

int64_t File::size() const {
  LARGE_INTEGER size;
  return isOpen() && GetFileSizeEx(native(handle_.get()), &size) ? size.QuadPart : -1;
}

bool File::seek(int64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = offset;
  return isOpen() && offset >= 0 &&
         SetFilePointerEx(native(handle_.get()), to, nullptr, FILE_BEGIN);
}

int32_t File::read(void* buffer, int32_t size) {
  DWORD got = 0;
  if (!isOpen() || size < 0 ||
      !ReadFile(native(handle_.get()), buffer, static_cast<DWORD>(size), &got, nullptr))
    return -1;
  return static_cast<int32_t>(got);
}

bool File::write(const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD done = 0;
    if (!isOpen() || !WriteFile(native(handle_.get()), p, chunk, &done, nullptr) || done != chunk)
      return false;
    p += chunk;
    size -= chunk;
  }
  return true;
}

bool File::setDosTime(uint16_t dosDate, uint16_t dosTime) {
  FILETIME local, utc;
  return isOpen() && DosDateTimeToFileTime(dosDate, dosTime, &local) &&
         LocalFileTimeToFileTime(&local, &utc) &&
         SetFileTime(native(handle_.get()), nullptr, nullptr, &utc);
}

void FileHandleTraits::close(Handle handle) {
  CloseHandle(native(handle));
}

bool fileExists(const std::string& path) {
  return searchPath(path, [](const WIN32_FIND_DATAA&) { return true; });
}

bool pathExists(const std::string& path) {
  return searchPath(path, [](const WIN32_FIND_DATAA& data) {
    return (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
  });
}

bool createDirectory(const std::string& path) {
  return CreateDirectoryA(path.c_str(), nullptr);
}

bool deleteFile(const std::string& path) {
  return DeleteFileA(path.c_str());
}

bool canReplace(const std::string& path) {
  // Windows does not replace a read-only file, nor one that is open without
  // delete sharing (a browser's loaded plug-in); Wine's MoveFileEx replaces
  // both, so this asks first.
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) return false;
  OwnedFileHandle probe(CreateFileA(path.c_str(), DELETE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return static_cast<bool>(probe);
}

bool replaceFile(const std::string& from, const std::string& to) {
  return canReplace(to) && MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING);
}

std::string createUniqueFile(const std::string& dir, const std::string& prefix) {
  char name[MAX_PATH + 1];
  if (GetTempFileNameA(dir.c_str(), prefix.c_str(), 0, name) == 0) return {};
  return name;
}

std::string tempDirectory() {
  char dir[MAX_PATH + 1];
  DWORD len = GetTempPathA(sizeof dir, dir);
  return len == 0 || len > MAX_PATH ? std::string() : std::string(dir, len);
}

uint32_t tickCount() {
  return GetTickCount();
}

} // namespace platform
