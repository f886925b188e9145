#pragma once
// The ZIP archive at the end of the installer (or of the file named on the
// command line): finds its end record, keeps its comment and its catalog
// (the central directory) raw, and walks the catalog's file entries.
//
// Reading and reporting are apart: readArchive and visitEntries return what
// they found, and the packer and the tests use them as they are; openArchive
// and walkCatalog show a failure with errorBox, as the installer wants.
#include "util/platform.h"

#include <cstdint>
#include <functional>
#include <string>

// Process-wide archive state; one archive per run.
extern std::string archivePath;    // the file holding the archive
extern std::string installerTitle; // window title base, set by readArchive
extern std::string archiveComment; // the archive comment, exactly as stored
extern std::string catalog;        // the catalog's bytes, exactly as stored
extern int32_t archiveBase;        // file offset of the archive's first byte
// The file that readArchive checked, as it found it. Every extraction from
// archivePath compares the file it opens with it: a setup.exe renamed and
// replaced (or changed) after the check is never read at the old positions.
extern platform::FileIdentity archiveIdentity;

// Visits one file entry: its stored name, the absolute file position of its
// local header, and its compressed and uncompressed sizes. True stops the walk.
using entryVisitor = std::function<bool(const std::string& name, int32_t headerPos,
                                        uint32_t compressedSize, uint32_t uncompressedSize)>;

// How a walk over the catalog ended.
enum class WalkEnd {
  passed,  // every record was read
  stopped, // the visitor asked to stop
  damaged, // a record lacks its signature or runs past the catalog's end
};

// The message for a damaged catalog record.
extern const char* const damagedRecordMessage;

// Reads archivePath's end record, comment and catalog and checks every
// catalog record. Returns the message that tells why the archive cannot be
// used, or an empty text; shows nothing.
std::string readArchive();

// readArchive, showing its message with errorBox (which sets quitFlag).
void openArchive();

// Visits the catalog's file entries in stored order (folders are skipped);
// shows nothing.
WalkEnd visitEntries(const entryVisitor& visit);

// visitEntries, showing a damaged record with errorBox. True when the walk
// stopped early: the visitor asked to, or a record was damaged.
bool walkCatalog(const entryVisitor& visit);
