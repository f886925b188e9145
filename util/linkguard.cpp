#include "util/linkguard.h"

#include "util/ansi.h"

#include <utility>

namespace linkguard {

bool mayFollow(const std::vector<Component>& components) {
  for (const Component& c : components) {
    if (!c.link) continue;
    if (c.owner != Owner::system && c.owner != Owner::trustedInstaller &&
        c.owner != Owner::administrators)
      return false;
  }
  return true;
}

namespace {

// The path's components as [begin, end) byte ranges between its separators
// ("\" or "/"; never a double-byte character's trail byte); empty ones
// included.
std::vector<std::pair<size_t, size_t>> segments(std::string_view path) {
  std::vector<std::pair<size_t, size_t>> found;
  size_t begin = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (isLeadByte(static_cast<uint8_t>(path[i])) && i + 1 < path.size()) {
      ++i;
    } else if (path[i] == '\\' || path[i] == '/') {
      found.emplace_back(begin, i);
      begin = i + 1;
    }
  }
  found.emplace_back(begin, path.size());
  return found;
}

} // namespace

std::vector<std::string> componentPaths(std::string_view path) {
  std::vector<std::pair<size_t, size_t>> parts = segments(path);
  // The root is no component: "C:" of a drive, "\\server\share" of a network
  // path (two empty parts, the server, the share), the empty part before the
  // "\" of the current drive's root.
  size_t root = 0;
  if (path.size() >= 2 && path[1] == ':')
    root = 1;
  else if (parts.size() >= 2 && parts[0].second == 0 && parts[1].second == 1)
    root = 4;
  else if (parts[0].second == 0)
    root = 1;
  std::string normal(path);
  for (size_t k = 0; k + 1 < parts.size(); ++k)
    normal[parts[k].second] = '\\';
  std::vector<std::string> paths;
  for (size_t k = root; k < parts.size(); ++k)
    if (parts[k].second > parts[k].first) paths.push_back(normal.substr(0, parts[k].second));
  return paths;
}

} // namespace linkguard
