#pragma once
// The ZIP archive at the end of the installer (or of the file named on the
// command line): finds its end record, keeps its comment and its catalog
// (the central directory) raw, and walks the catalog's file entries.
//
// One tArchive is opened once per run and handed on; every extraction goes
// through it, so that it is the one place that knows which file holds the
// archive and in what state the check found it.
//
// Reading and reporting are apart: readArchive and visitEntries return what
// they found, and the packer and the tests use them as they are; openArchive
// and walkCatalog show a failure with errorBox, as the installer wants.
#include "archive/unzip.h"
#include "util/platform.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

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
// The message for an archive file that cannot be had.
extern const char* const unableToLoadArchive;

class tArchive {
public:
  tArchive() = default;
  // An archive as a check found it: the file (held open from the check on),
  // the comment and the catalog exactly as stored, and the file offset of the
  // archive's first byte.
  tArchive(std::string path, std::shared_ptr<platform::File> file, std::string comment,
           std::string catalog, int32_t base)
      : path_(std::move(path)), file_(std::move(file)), comment_(std::move(comment)),
        catalog_(std::move(catalog)), base_(base) {}

  const std::string& path() const { return path_; }
  // The file the check read, held for the archive's whole life and shared
  // for reading only: it cannot be written, renamed or deleted meanwhile, and
  // a file put under its name after the check is never read. Every
  // extraction reads through it.
  const std::shared_ptr<platform::File>& file() const { return file_; }
  const std::string& comment() const { return comment_; }
  const std::string& catalog() const { return catalog_; }
  int32_t base() const { return base_; }

  // Visits the catalog's file entries in stored order (folders are skipped);
  // shows nothing.
  WalkEnd visitEntries(const entryVisitor& visit) const;

  // Extracts the entry whose local header is at headerPos into the file
  // output (extractEntry, from this archive's file as the check found it).
  ZipResult extract(int32_t headerPos, const std::string& output) const;
  ZipResult extract(const ArchiveJob& job, int32_t headerPos, const std::string& output) const;
  // Decodes the entry into output, a file the caller made and holds; crc
  // gets the CRC-32 of the data written.
  ZipResult extractInto(int32_t headerPos, platform::File& output, uint32_t& crc) const;

private:
  std::string path_;
  std::shared_ptr<platform::File> file_;
  std::string comment_;
  std::string catalog_;
  int32_t base_ = 0;
};

// Reads the end record, comment and catalog of the file at path into
// archive and checks every catalog record. Returns the message that tells
// why the archive cannot be used, or an empty text; shows nothing. The
// archive keeps what was read before a failure (the comment of a damaged
// catalog, say), and on success the file, open.
std::string readArchive(const std::string& path, tArchive& archive);
// The same from the file at path that the caller opened already (shared for
// reading only), which the archive then holds.
std::string readArchive(const std::string& path, platform::File file, tArchive& archive);

// readArchive, showing its message with errorBox; true when the archive can
// be used.
bool openArchive(const std::string& path, tArchive& archive);

// archive.visitEntries, showing a damaged record with errorBox. True when the
// walk stopped early: the visitor asked to, or a record was damaged.
bool walkCatalog(const tArchive& archive, const entryVisitor& visit);
