#pragma once
// Installing the archive's payload into a plug-in directory, and the list of
// root-level names that a removal deletes from one. Works over the catalog
// that openArchive kept; failures are shown with errorBox.
#include "archive/unzip.h"

#include <cstdint>
#include <string>

// Installs every selected entry into dir (trailing "\" or "/" optional) and
// stores dir, "/"-separated, in destDir. Refused (does nothing) while another
// installation or extraction runs.
void installToDir(const std::string& dir);

// The visitor of installToDir, within its job: dispatches pending messages,
// applies the selection rules, makes the target's folders and extracts the
// entry below destDir; a failure is shown with errorBox. True stops the walk:
// after a failure, or when quitFlag is set.
bool installEntry(const ArchiveJob& job, const std::string& name, int32_t headerPos);

// "\"-separated form of a "/"-separated target path, after creating each
// missing folder along it. Leading separators are kept (a host path "/x", a
// network path "//server/share/x"); a network path's server and share names
// are not created, nor is a drive name (a part holding ":").
std::string makePath(const std::string& path);

// The root-level entry names, each followed by LF, in catalog order; without
// "install.js" (any case) and without names that reach outside a directory.
std::string listRootFiles();
