#pragma once
// The ZIP archive at the end of the installer (or of the file named on the
// command line): finds its end record, keeps its comment and its catalog
// (the central directory) raw, and walks the catalog's file entries.
#include <cstdint>
#include <functional>
#include <string>

// Process-wide archive state; one archive per run.
extern std::string archivePath;    // the file holding the archive
extern std::string installerTitle; // window title base, set by openArchive
extern std::string archiveComment; // the archive comment, exactly as stored
extern std::string catalog;        // the catalog's bytes, exactly as stored
extern int32_t archiveBase;        // file offset of the archive's first byte

// Visits one file entry: its stored name, the absolute file position of its
// local header, and its compressed and uncompressed sizes. True stops the walk.
using entryVisitor = std::function<bool(const std::string& name, int32_t headerPos,
                                        uint32_t compressedSize, uint32_t uncompressedSize)>;

// Reads archivePath's end record, comment and catalog and checks every
// catalog record; failures are shown with errorBox, which sets quitFlag.
void openArchive();

// Visits the catalog's file entries in stored order (folders are skipped).
// True when the walk stopped early: the visitor asked to, or a record was
// damaged (shown with errorBox).
bool walkCatalog(const entryVisitor& visit);
