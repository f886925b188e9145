#pragma once
// The rules that turn an archive entry's stored name into a file in a plug-in
// directory: which entries are installed, where they land, and which names are
// refused because they would reach outside that directory. Shared by the
// installation, the removal list and the packer, which refuses what the
// installer would refuse.
#include <string>
#include <string_view>

// False for the entries that are never written: a ".js" extension (any letter
// case), a name containing "META-INF" or ".rdf" (exact case).
bool isInstalledEntry(std::string_view name);

// The name without its first folder name: "plugins/np.dll" gives "np.dll";
// a name without "/" is returned whole.
std::string withoutFirstFolder(std::string_view name);

// True when the name, placed below a directory, stays inside it: it is not
// empty, does not start with "\" or "/", holds no ":" (drive names, streams),
// no control character (a NUL cuts the name short, a line feed splits the
// removal list) and no component of dots alone beyond a single one (".." and,
// since Windows drops trailing dots and blanks, ". ." or "..."). Both "/" and
// "\" separate components, as they do on Windows.
bool isSafeEntryPath(std::string_view path);
