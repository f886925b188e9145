#pragma once
// Whether folder work may go through a path that someone else may have
// steered. An elevated installer that writes into a folder named by the
// user's own registry hive must not be redirected by a link the user made:
// a junction from a browser's plug-in folder to the system folder would have
// the installer write, replace and delete there with an administrator's
// rights. Links made by the system or by an administrator (old profiles'
// "C:\Documents and Settings", say) are followed as before.
#include <string>
#include <string_view>
#include <vector>

namespace linkguard {

// Who owns a file or folder, as far as trust goes.
enum class Owner {
  system,           // LocalSystem
  trustedInstaller, // the servicing account
  administrators,   // the Administrators group
  other,            // anyone else, a standard user among them
  unknown,          // the system would not say
};

// One existing component of a path, as found on the disk.
struct Component {
  bool link = false; // a reparse point: junction, symbolic link, mount point
  Owner owner = Owner::unknown;
};

// True when work may go through a path whose existing components, from the
// root down, are these: none is a link, or every link is owned by the
// system, the servicing account or the administrators.
bool mayFollow(const std::vector<Component>& components);

// The paths of a path's components below its root, shortest first:
// "C:\a\b" gives "C:\a" and "C:\a\b"; "\\server\share\a" gives
// "\\server\share\a". A trailing separator is ignored; "/" counts as "\".
std::vector<std::string> componentPaths(std::string_view path);

// True when the program may create, write, replace or delete at path: it
// runs with the user's own rights, or path's components (looked up on the
// disk, down to the first that does not exist: what the program makes below
// it is a plain folder) pass mayFollow. A path that cannot be inspected is
// refused.
bool mayWorkIn(const std::string& path);

} // namespace linkguard
