#pragma once
// Files in tests: a file's bytes, a file written whole, the folders on the way
// to a path, a scratch folder. Portable, through the program's own file routines, so that host
// and Windows tests share them; a "\" separates folders on both.
#include "util/platform.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testfiles {

// The file's bytes; "<missing>" when it cannot be opened, so that a missing
// file never passes for an empty one. Others may go on writing it meanwhile.
inline std::string readFile(const std::string& path) {
  platform::File file = platform::File::openRead(path, platform::Share::readWrite);
  if (!file.isOpen()) return "<missing>";
  std::string bytes(static_cast<size_t>(std::max<int64_t>(file.size(), 0)), '\0');
  int32_t got = file.read(bytes.data(), static_cast<int32_t>(bytes.size()));
  bytes.resize(static_cast<size_t>(std::max(got, 0)));
  return bytes;
}

// Replaces the file with these bytes; false when any could not be written.
inline bool writeFile(const std::string& path, const std::string& bytes) {
  platform::File file = platform::File::create(path, platform::Share::read);
  return file.isOpen() && file.write(bytes.data(), bytes.size());
}

// Makes every folder on the way to path, not path itself: for a file's path
// the folders that hold it; a path that ends in a separator makes the folder
// too. Folders that exist already are left as they are.
inline void createFoldersTo(const std::string& path) {
  for (size_t at = path.find_first_of("\\/", 1); at != std::string::npos;
       at = path.find_first_of("\\/", at + 1))
    platform::createDirectory(path.substr(0, at));
}

// A fresh folder under the temporary directory, removed with its contents;
// its name ends in name, to tell what left it behind.
class ScratchDir {
public:
  explicit ScratchDir(const std::string& name = "d") {
    std::string file = platform::createUniqueFile(platform::tempDirectory(), "tst");
    path_ = file + "." + name;
    platform::deleteFile(file);
    std::filesystem::create_directories(fsPath(path_));
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::permissions(fsPath(path_), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    for (const auto& f : std::filesystem::recursive_directory_iterator(fsPath(path_), ignored))
      std::filesystem::permissions(f.path(), std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(fsPath(path_), ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  // A path inside, with the system's separator.
  std::string operator/(const std::string& name) const { return path_ + separator + name; }
  // Names of the files and folders below, "/"-separated, sorted.
  std::vector<std::string> contents() const {
    std::vector<std::string> names;
    for (const auto& f : std::filesystem::recursive_directory_iterator(fsPath(path_)))
      names.push_back(f.path().lexically_relative(fsPath(path_)).generic_string());
    std::sort(names.begin(), names.end());
    return names;
  }

#ifdef _WIN32
  static constexpr char separator = '\\';
  static std::string fsPath(const std::string& p) {
    return p;
  }
#else
  static constexpr char separator = '/';
  static std::string fsPath(std::string p) {
    for (char& c : p)
      if (c == '\\') c = '/';
    return p;
  }
#endif

private:
  std::string path_;
};

} // namespace testfiles
