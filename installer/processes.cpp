#include "installer/processes.h"

#include "util/text.h"

std::string executableFolder(std::string_view path) {
  std::string folder = extractFilePath(path);
  size_t n = folder.size();
  // The separator before it is a real one (not a double-byte trail byte)
  // exactly when the shorter path keeps all its characters.
  auto followsSeparator = [&] { return extractFilePath(folder.substr(0, n - 1)).size() == n - 1; };
  // A root ("\", "C:\", "\\") keeps its separator: without it, it names a
  // drive's current folder or nothing at all.
  if (n > 1 && folder.back() == '\\' && !followsSeparator()) folder.pop_back();
  return folder;
}

bool runsFromPathTo(std::string_view exePath, std::string_view upperDir) {
  std::string folder = upperCase(executableFolder(exePath));
  return !folder.empty() && upperDir.starts_with(folder);
}
