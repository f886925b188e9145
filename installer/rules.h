#pragma once
// The installer's decisions that need no window: the settings in the
// archive comment, which archive entry is the plug-in library, how two
// version texts compare, what a run does with each browser, and the file
// work of an installation and of a removal.
#include "archive/selfarchive.h"
#include "util/ui.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The lines "agent: <text>" and "url: <address>" of the archive comment.
struct tCommentSettings {
  std::string agent;    // lower-cased
  std::string startUrl; // as written
};

// Reads the comment line by line: the key is the text before the first blank
// (any letter case), the value everything after it, at most 2048 characters,
// blanks included; the last line of a key wins, other lines are ignored.
tCommentSettings readComment(std::string_view comment);

// True for the plug-in library: a name (first folder already removed) whose
// extension is "dll" and whose first two characters are "np", in any case.
bool isPluginLibrary(std::string_view name);

// Compares exactly four "."-separated parts, each read as a number (a
// missing part reads 0): -1 when a is older than b, 1 when newer, 0 when equal.
int compareVersions(std::string_view a, std::string_view b);

// False for the archive's plug-in version texts that say nothing: empty (a
// library without a version) and "???" (one that could not be read). Such a
// version is never up to date, whatever a browser holds.
bool isKnownVersion(std::string_view version);

// The text without its blanks.
std::string withoutBlanks(std::string_view text);

// What a run does with one browser, by its item's initial and check state.
enum class tRunAction {
  none,    // unchanged and not kept
  keep,    // kept up to date (greyed tick): nothing to do, but the final start is allowed
  install, // ticked anew: close the browser, install, allow the final start
  remove,  // un-ticked: close the browser, remove the root files
};
tRunAction runActionFor(uint32_t initialState, uint32_t checkState);

// Installs the archive's payload into dir (installToDir). False when an
// entry failed (its message went to the reporter) or the installation was
// refused (one already runs).
bool installPayload(const tArchive& archive, const std::string& dir, tReporter& reporter);

// Deletes dir\name for every name of the list; failures are ignored, and
// so is a name that may not be worked on through the links on its way
// (linkguard::mayWorkIn), but each file's fate goes to the reporter's note.
void removeFiles(const std::string& dir, const std::vector<std::string>& names,
                 tReporter& reporter);
