#pragma once
// Entry extraction: writes one archive entry, given by the file position of its
// local header, to a file. The entry is decoded into a new file beside the
// target, which replaces the target only when everything succeeded and the
// CRC-32 matched; on any failure the new file is deleted and an existing
// target stays as it was. Results are ZipResult codes; nothing is shown.
#include "archive/zipresult.h"

#include <cstdint>
#include <string>

// An entry whose name would place a file outside its directory (installEntry).
constexpr ZipResult zipUnsafePath = static_cast<ZipResult>(8);

// One installation or extraction at a time. The window's handlers run in the
// middle of one (message pumping, the modal error box) and must not start
// another: a job that finds one running is not taken, and its caller refuses.
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

private:
  bool taken_;
  static inline bool running_ = false;
};

// Extracts the entry whose local header is at headerPos in the file archive
// into the file output. Refused with zipReadError while another job runs.
int extractEntry(const std::string& archive, const std::string& output, int32_t headerPos);

// The same, within a job that the caller holds (an installation's entries).
int extractEntry(const ArchiveJob& job, const std::string& archive, const std::string& output,
                 int32_t headerPos);
