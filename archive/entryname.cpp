#include "archive/entryname.h"

#include "util/text.h"

namespace {

// The extension rule: the text after the last "." when no "\" or ":" follows it.
std::string extension(std::string_view name) {
  size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos) return {};
  std::string_view after = name.substr(dot + 1);
  if (after.find_first_of("\\:") != std::string_view::npos) return {};
  return std::string(after);
}

// A component that Windows could resolve to the parent directory: dots and
// blanks only, with more than one dot.
bool climbs(std::string_view component) {
  size_t dots = 0;
  for (char c : component) {
    if (c != '.' && c != ' ') return false;
    dots += c == '.';
  }
  return dots > 1;
}

} // namespace

bool isInstalledEntry(std::string_view name) {
  if (lowerCase(extension(name)) == "js") return false;
  if (name.find("META-INF") != std::string_view::npos) return false;
  return name.find(".rdf") == std::string_view::npos;
}

std::string withoutFirstFolder(std::string_view name) {
  size_t slash = name.find('/');
  return std::string(slash == std::string_view::npos ? name : name.substr(slash + 1));
}

bool isSafeEntryPath(std::string_view path) {
  if (path.empty() || path[0] == '/' || path[0] == '\\') return false;
  if (path.find(':') != std::string_view::npos) return false;
  // A NUL ends the name where the system reads it (so "..\0x" names ".."), and
  // a line feed splits the list of root names that a removal deletes. Windows
  // allows no character below 32 in a file name, so no sound name has one.
  for (char c : path)
    if (static_cast<unsigned char>(c) < 32) return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = path.size();
    if (climbs(path.substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}
