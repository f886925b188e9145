#pragma once
// Installing the archive's payload into a plug-in directory, and the list of
// root-level names that a removal deletes from one. Works over an archive
// that openArchive checked; failures go to the reporter the caller names
// (errorBox where it names none).
#include "archive/selfarchive.h"
#include "archive/unzip.h"
#include "util/ui.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

// Installs every selected entry into dir (trailing "\" or "/" optional).
// Returns the folder the entries were placed below: dir without its trailing
// separator, "/"-separated. Refused while another installation or extraction
// runs: installs nothing, returns empty. The installation is never cut short
// by the user: once begun, every entry is installed, so no directory is left
// half-updated; only a failed entry (or a damaged catalog record) ends it,
// and then failed (when given) is set after the reporter was told.
std::string installToDir(const tArchive& archive, const std::string& dir, tReporter& reporter,
                         bool* failed = nullptr);
// The same, reporting with errorBox.
std::string installToDir(const tArchive& archive, const std::string& dir, bool* failed = nullptr);
// The same within a job that the caller holds: installations into several
// folders, or extractions beside one, then share the job's memory. Installs
// nothing and returns empty when the job was not taken.
std::string installToDir(const ArchiveJob& job, const tArchive& archive, const std::string& dir,
                         tReporter& reporter, bool* failed = nullptr);

// The visitor of installToDir, within its job: dispatches pending messages,
// applies the selection rules, makes the target's folders and extracts the
// entry below target (a "/"-separated folder). True stops the walk: only
// after a failure, which goes to the reporter. known carries the folders
// found or made for earlier entries (see makePath).
bool installEntry(const ArchiveJob& job, const tArchive& archive, const std::string& target,
                  const std::string& name, int32_t headerPos, tReporter& reporter,
                  std::set<std::string>* known = nullptr);

// "\"-separated form of a "/"-separated target path, after creating each
// missing folder along it. Leading separators are kept (a host path "/x", a
// network path "//server/share/x"); a network path's server and share names
// are not created, nor is a drive name (a part holding ":"). With known, a
// folder found or made once is not looked for again: an installation asks
// for the same few folders for every entry, and each look is a directory
// search.
std::string makePath(const std::string& path, std::set<std::string>* known = nullptr);

// The root-level names that an installation writes, in catalog order: without the entries it skips
// (".js", ".rdf", "META-INF") and without the names it refuses as unsafe. Their presence means
// installed, and a removal deletes them. A damaged catalog record ends the list, as it ends a walk.
std::vector<std::string> listRootFiles(const tArchive& archive);
