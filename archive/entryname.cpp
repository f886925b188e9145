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

// Windows drops a name's trailing dots and blanks, so "install.js." is stored as "install.js" and
// ". ." or "..." names the parent folder. A lone "." names the folder itself and stores nothing.
bool endsInDotOrBlank(std::string_view component) {
  return component != "." && !component.empty() &&
         (component.back() == '.' || component.back() == ' ');
}

// Device names: with any extension and in any letter case, Windows opens the device instead of a
// file. COM0, LPT0 and the superscript digits (ANSI 0xB9, 0xB2, 0xB3) are reserved as well.
bool isDeviceName(std::string_view component) {
  std::string base = lowerCase(std::string(component.substr(0, component.find('.'))));
  while (!base.empty() && base.back() == ' ')
    base.pop_back();
  if (base == "con" || base == "prn" || base == "aux" || base == "nul") return true;
  if (base.size() != 4 || (base.compare(0, 3, "com") != 0 && base.compare(0, 3, "lpt") != 0))
    return false;
  char digit = base[3];
  return (digit >= '0' && digit <= '9') || digit == '\xB9' || digit == '\xB2' || digit == '\xB3';
}

} // namespace

SkipRule skipRule(std::string_view name) {
  if (lowerCase(extension(name)) == "js") return SkipRule::script;
  if (name.find("META-INF") != std::string_view::npos) return SkipRule::metaInf;
  if (name.find(".rdf") != std::string_view::npos) return SkipRule::rdf;
  return SkipRule::none;
}

bool isInstalledEntry(std::string_view name) {
  return skipRule(name) == SkipRule::none;
}

std::string withoutFirstFolder(std::string_view name) {
  size_t slash = name.find('/');
  return std::string(slash == std::string_view::npos ? name : name.substr(slash + 1));
}

bool isSafeEntryPath(std::string_view path) {
  if (path.empty() || path[0] == '/' || path[0] == '\\') return false;
  // Windows allows none of these in a file name: ":" names a drive or a
  // stream, "?" and "*" make a name a pattern that a directory search matches
  // against other files, and the rest are refused by the file system.
  if (path.find_first_of(":<>\"|?*") != std::string_view::npos) return false;
  // A NUL ends the name where the system reads it (so "..\0x" names ".."), and
  // a line feed splits the list of root names that a removal deletes. Windows
  // allows no character below 32 in a file name, so no sound name has one.
  for (char c : path)
    if (static_cast<unsigned char>(c) < 32) return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view component = path.substr(start, end - start);
    if (endsInDotOrBlank(component) || isDeviceName(component)) return false;
    start = end + 1;
  }
  return true;
}
