#pragma once
// Installing the archive's payload into a plug-in directory, and the list of
// root-level names that a removal deletes from one. Works over the catalog
// that openArchive kept; failures are shown with errorBox. The folder to
// install into is passed in; the installer flow keeps it (destDir) itself.
#include "archive/unzip.h"

#include <cstdint>
#include <set>
#include <string>

// Installs every selected entry into dir (trailing "\" or "/" optional).
// Returns the folder the entries were placed below: dir without its trailing
// separator, "/"-separated, which the flow keeps as destDir. Refused while
// another installation or extraction runs: installs nothing, returns empty.
std::string installToDir(const std::string& dir);

// The visitor of installToDir, within its job: dispatches pending messages,
// applies the selection rules, makes the target's folders and extracts the
// entry below target (a "/"-separated folder); a failure is shown with
// errorBox. True stops the walk: after a failure, or when quitFlag is set;
// when the window was closed meanwhile, before this entry is extracted.
// known carries the folders found or made for earlier entries (see makePath).
bool installEntry(const ArchiveJob& job, const std::string& target, const std::string& name,
                  int32_t headerPos, std::set<std::string>* known = nullptr);

// "\"-separated form of a "/"-separated target path, after creating each
// missing folder along it. Leading separators are kept (a host path "/x", a
// network path "//server/share/x"); a network path's server and share names
// are not created, nor is a drive name (a part holding ":"). With known, a
// folder found or made once is not looked for again: an installation asks
// for the same few folders for every entry, and each look is a directory
// search.
std::string makePath(const std::string& path, std::set<std::string>* known = nullptr);

// The root-level entry names, each followed by LF, in catalog order; without
// "install.js" (any case) and without the names that an installation refuses
// as unsafe. A damaged catalog record ends the list, as it ends a walk.
std::string listRootFiles();
