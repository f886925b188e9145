#pragma once
// Entry extraction: writes one archive entry, given by the file position of its
// local header, to a file. The entry is decoded into a new file beside the
// target, which replaces the target only when everything succeeded and the
// CRC-32 matched; on any failure the new file is deleted and an existing
// target stays as it was. Results are ZipResult codes; nothing is shown.
#include "archive/inflate.h"
#include "archive/zipresult.h"
#include "util/platform.h"

#include <cstdint>
#include <memory>
#include <string>

// One installation or extraction at a time. The window's handlers run in the
// middle of one (message pumping, the modal error box) and must not start
// another: a job that finds one running is not taken, and its caller refuses.
// A job lends the decoder's memory and the archive's read-ahead buffer to each
// entry it extracts, so that they are allocated once for all of them and an
// entry costs no allocation.
class ArchiveJob {
public:
  ArchiveJob() : taken_(!running_) { running_ = true; }
  ~ArchiveJob() {
    if (taken_) running_ = false;
  }
  ArchiveJob(const ArchiveJob&) = delete;
  ArchiveJob& operator=(const ArchiveJob&) = delete;

  bool taken() const { return taken_; }
  static bool running() { return running_; }

  // The decoder's memory, allocated on first use.
  InflateWorkspace& workspace() const {
    if (!workspace_) workspace_ = std::make_unique<InflateWorkspace>();
    return *workspace_;
  }

  // The archive is read in pieces of this size, so that the decoder's small
  // reads cost no system call each.
  static constexpr int32_t readAheadSize = 65536;
  // The buffer for them (readAheadSize bytes), allocated on first use. Only
  // bytes read into it are ever used: it is not cleared.
  uint8_t* readAhead() const {
    if (!readAhead_) readAhead_ = std::make_unique_for_overwrite<uint8_t[]>(readAheadSize);
    return readAhead_.get();
  }

private:
  bool taken_;
  mutable std::unique_ptr<InflateWorkspace> workspace_;
  mutable std::unique_ptr<uint8_t[]> readAhead_;
  static inline bool running_ = false;
};

// Extracts the entry whose local header is at headerPos in the file archive
// into the file output. Refused with zipReadError while another job runs.
ZipResult extractEntry(const std::string& archive, const std::string& output, int32_t headerPos);

// The same, within a job that the caller holds (an installation's entries).
ZipResult extractEntry(const ArchiveJob& job, const std::string& archive, const std::string& output,
                       int32_t headerPos);

// The same from an archive file the caller holds open: the file that was
// checked, whatever has the name by now.
ZipResult extractEntry(const ArchiveJob& job, platform::File& archive, const std::string& output,
                       int32_t headerPos);

// Decodes the entry into output, a file the caller made and holds. The
// CRC-32 is checked, and crc gets that of the data written (for the caller to
// check the file against once it holds it for reading); the file's time is
// left alone.
ZipResult extractEntryInto(const ArchiveJob& job, platform::File& archive, int32_t headerPos,
                           platform::File& output, uint32_t& crc);
