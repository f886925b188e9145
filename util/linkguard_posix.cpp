#include "util/linkguard.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace linkguard {

// The host's twin: root stands for the elevated administrator, root's links
// for the system's, a symbolic link for a reparse point.
bool mayWorkIn(const std::string& path) {
  if (geteuid() != 0) return true; // the user's own rights steer nothing
  std::vector<Component> found;
  for (std::string component : componentPaths(path)) {
    for (char& c : component)
      if (c == '\\') c = '/';
    struct stat st;
    if (lstat(component.c_str(), &st) != 0) {
      if (errno == ENOENT || errno == ENOTDIR) break;
      return false;
    }
    Component c;
    c.link = S_ISLNK(st.st_mode);
    c.owner = st.st_uid == 0 ? Owner::system : Owner::other;
    found.push_back(c);
  }
  return mayFollow(found);
}

} // namespace linkguard
