#pragma once
// The rules that turn an archive entry's stored name into a file in a plug-in
// directory: which entries are installed, where they land, and which names are
// refused because they would reach outside that directory. Shared by the
// installation, the removal list and the packer, which refuses what the
// installer would refuse.
#include <string>
#include <string_view>

// The rule by which an entry is never written, tested in this order.
enum class SkipRule {
  none,    // installed
  script,  // a ".js" extension, in any letter case
  metaInf, // the name contains "META-INF" (exact case)
  rdf,     // the name contains ".rdf" (exact case)
};
SkipRule skipRule(std::string_view name);

// False for the entries that are never written (skipRule is not none).
bool isInstalledEntry(std::string_view name);

// The name without its first folder name: "plugins/np.dll" gives "np.dll";
// a name without "/" is returned whole.
std::string withoutFirstFolder(std::string_view name);

// True when the name, placed below a directory, stays inside it and is stored
// there under this very name: it is not empty, does not start with "\" or "/",
// holds no character that Windows refuses in a file name (":" for drive names
// and streams, the pattern characters "?" and "*", and "<", ">", "\"", "|")
// and no control character (a NUL cuts the name short, a line feed splits the
// removal list). No component ends in
// a dot or a blank, which Windows drops (so "install.js." would be written as
// "install.js", and "..", "..." or ". ." climb to the parent), except a lone
// "."; no component is a device name (CON, PRN, AUX, NUL, COM0 to COM9, LPT0
// to LPT9, with or without an extension, in any letter case). Both "/" and
// "\" separate components, as they do on Windows.
bool isSafeEntryPath(std::string_view path);
