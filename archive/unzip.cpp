#include "archive/unzip.h"

#include "archive/inflate.h"
#include "archive/zipformat.h"
#include "util/platform.h"
#include "util/text.h"
#include "util/ui.h"

#include <algorithm>
#include <cstring>

namespace {

// Compressed size of a streamed entry: large enough that the input limit never
// ends decoding, small enough that the limit's arithmetic cannot overflow.
constexpr int32_t streamedSize = 0x7FFFFF9B;

struct LocalHeader {
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t dosTime = 0;
  uint16_t dosDate = 0;
  uint32_t crc = 0;
  int32_t compressedSize = 0;
  int64_t dataStart = 0;
};

// The archive from a file position on, read ahead in large pieces into the
// job's buffer: the decoder's 2 KiB reads and the local header cost no system
// call each, and the header and the data behind it come in one read. A read
// that came back short met the end of the file (nobody may write the archive
// while it is open), so the file is not asked again after it.
class ArchiveInput {
public:
  ArchiveInput(platform::File& file, uint8_t* buffer) : file_(file), buffer_(buffer) {}

  // Reads on from the file position pos; false when the file cannot be
  // positioned there. A position within what was read ahead costs nothing.
  bool seek(int64_t pos) {
    if (placed_ && pos >= base_ && pos - base_ <= end_) {
      pos_ = static_cast<int32_t>(pos - base_);
      return true;
    }
    if (!file_.seek(pos)) return false;
    placed_ = true;
    base_ = pos;
    pos_ = end_ = 0;
    atEnd_ = false;
    return true;
  }

  // Fills the whole request unless the file ends or fails, as a plain read would.
  int32_t read(uint8_t* buffer, int32_t size);

private:
  platform::File& file_;
  uint8_t* buffer_; // ArchiveJob::readAheadSize bytes
  bool placed_ = false;
  int64_t base_ = 0; // file position of buffer_[0]; the file stands at base_ + end_
  int32_t pos_ = 0;
  int32_t end_ = 0;
  bool atEnd_ = false;
};

int32_t ArchiveInput::read(uint8_t* buffer, int32_t size) {
  int32_t done = 0;
  while (done < size) {
    if (pos_ == end_) {
      if (atEnd_) break;
      int32_t got = file_.read(buffer_, ArchiveJob::readAheadSize);
      if (got <= 0) return done > 0 ? done : got;
      base_ += end_;
      pos_ = 0;
      end_ = got;
      atEnd_ = got < ArchiveJob::readAheadSize;
    }
    int32_t n = std::min(size - done, end_ - pos_);
    std::memcpy(buffer + done, buffer_ + pos_, static_cast<size_t>(n));
    pos_ += n;
    done += n;
  }
  return done;
}

// False when the header cannot be reached, read whole, or lacks its signature.
bool readLocalHeader(ArchiveInput& archive, int32_t headerPos, LocalHeader& header) {
  uint8_t raw[zip::local::size];
  if (!archive.seek(headerPos) || archive.read(raw, zip::local::size) != zip::local::size ||
      readLe32(raw) != zip::localSignature)
    return false;
  header.flags = static_cast<uint16_t>(readLe16(raw + zip::local::flags));
  header.method = static_cast<uint16_t>(readLe16(raw + zip::local::method));
  header.dosTime = static_cast<uint16_t>(readLe16(raw + zip::local::dosTime));
  header.dosDate = static_cast<uint16_t>(readLe16(raw + zip::local::dosDate));
  header.crc = readLe32(raw + zip::local::crc);
  header.compressedSize = static_cast<int32_t>(readLe32(raw + zip::local::compressedSize));
  header.dataStart = int64_t{headerPos} + zip::local::size +
                     readLe16(raw + zip::local::nameLength) +
                     readLe16(raw + zip::local::extraLength);
  if ((header.flags & zip::flagDescriptor) && header.method != zip::methodStored &&
      header.compressedSize == 0) {
    header.compressedSize = streamedSize;
    header.crc = 0;
  }
  return true;
}

// The decoder's source and sink: the archive's input and the new file.
class EntryIo final : public InflateIo {
public:
  EntryIo(ArchiveInput& archive, platform::File& output) : archive_(archive), output_(output) {}

  int32_t read(uint8_t* buffer, int32_t size) override { return archive_.read(buffer, size); }
  bool write(const uint8_t* data, size_t size) override { return output_.write(data, size); }
  // Dispatching costs far more than decoding a 2 KiB block (a round trip to
  // the window system), so it happens at most every pumpInterval.
  void pumpMessages() override {
    if (platform::tickCount() - lastPump_ < pumpInterval) return;
    pumpNow();
  }
  void pumpNow() {
    ::pumpMessages();
    lastPump_ = platform::tickCount();
  }

private:
  static constexpr uint32_t pumpInterval = 10; // milliseconds

  ArchiveInput& archive_;
  platform::File& output_;
  uint32_t lastPump_ = 0;
};

// The file an entry is decoded into: a new file beside the target, readable by
// others but not writable; deleted when it goes away unless it was committed.
class NewFile {
public:
  // The file is made where nothing has its name yet, in one step: no second
  // opening, and no moment where it stands closed and something else could
  // take its name.
  explicit NewFile(const std::string& target) : target_(target) {
    file_ = platform::createNewNamed(folderOf(target) + "unz", path_);
  }
  ~NewFile() {
    file_.close();
    if (!committed_ && !path_.empty()) platform::deleteFile(path_);
  }
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  platform::File& file() { return file_; }
  // Closes the file and moves it onto the target; false leaves the target as it was.
  bool commit() {
    file_.close();
    committed_ = platform::replaceFile(path_, target_);
    return committed_;
  }

private:
  // The target's folder, where the rename onto it cannot cross volumes, as a
  // prefix of names: up to its last separator, or its drive, or nothing.
  static std::string folderOf(const std::string& path) {
    size_t sep = path.find_last_of("\\/");
    if (sep != std::string::npos) return path.substr(0, sep + 1);
    return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : "";
  }

  std::string target_;
  std::string path_;
  platform::File file_;
  bool committed_ = false;
};

// Decodes the entry's data and returns the result with the CRC test applied.
// A failed or short write stays a write error: the CRC of data that stopped
// short cannot match, and "CRC error" would blame the archive for a full disk.
ZipResult decodeEntry(EntryIo& io, InflateWorkspace& workspace, const LocalHeader& header,
                      uint32_t* dataCrc = nullptr) {
  Inflater inflater(io, workspace);
  inflater.begin(header.compressedSize);
  io.pumpNow();
  ZipResult result =
      header.method == zip::methodStored ? inflater.copyStored() : inflater.inflate();
  if (result == zipWriteError) return result;
  uint32_t expected = header.crc;
  if (result == zipOk && (header.flags & zip::flagDescriptor)) {
    // The descriptor follows the data: a signature we do not test, then the CRC.
    if (header.method == zip::methodStored)
      inflater.resetInput();
    else
      inflater.alignToByte();
    inflater.takeBits(16);
    inflater.takeBits(16);
    expected = inflater.takeBits(16);
    expected |= inflater.takeBits(16) << 16;
  }
  if (dataCrc) *dataCrc = ~inflater.crc();
  return ~inflater.crc() == expected ? result : zipCrcError;
}

} // namespace

namespace {

// Reads the entry's local header at headerPos and positions the input at its
// data; zipOk when the entry can be decoded.
ZipResult openEntry(ArchiveInput& input, int32_t headerPos, LocalHeader& header) {
  if (!readLocalHeader(input, headerPos, header)) return zipBadData;
  if (header.method != zip::methodStored && header.method != zip::methodDeflated)
    return zipUnsupported;
  if (header.flags & zip::flagEncrypted) return zipEncrypted;
  return input.seek(header.dataStart) ? zipOk : zipBadData;
}

} // namespace

ZipResult extractEntry(const std::string& archive, const std::string& output, int32_t headerPos) {
  ArchiveJob job;
  return extractEntry(job, archive, output, headerPos);
}

ZipResult extractEntry(const ArchiveJob& job, const std::string& archivePath,
                       const std::string& output, int32_t headerPos) {
  if (!job.taken()) return zipReadError;
  platform::File archive = platform::File::openRead(archivePath, platform::Share::read);
  if (!archive.isOpen()) return zipReadError;
  return extractEntry(job, archive, output, headerPos);
}

ZipResult extractEntry(const ArchiveJob& job, platform::File& archive, const std::string& output,
                       int32_t headerPos) {
  if (!job.taken() || !archive.isOpen()) return zipReadError;
  ArchiveInput input(archive, job.readAhead());
  LocalHeader header;
  if (ZipResult opened = openEntry(input, headerPos, header); opened != zipOk) return opened;

  // A target that cannot be replaced fails before any decoding, as opening it would.
  if (!platform::canReplace(output)) return zipWriteError;
  NewFile target(output);
  if (!target.file().isOpen()) return zipWriteError;
  EntryIo io(input, target.file());
  ZipResult result = decodeEntry(io, job.workspace(), header);
  target.file().setDosTime(header.dosDate, header.dosTime);
  if (result == zipOk && !target.commit()) result = zipWriteError;
  return result;
}

ZipResult extractEntryInto(const ArchiveJob& job, platform::File& archive, int32_t headerPos,
                           platform::File& output, uint32_t& crc) {
  if (!job.taken() || !archive.isOpen()) return zipReadError;
  ArchiveInput input(archive, job.readAhead());
  LocalHeader header;
  if (ZipResult opened = openEntry(input, headerPos, header); opened != zipOk) return opened;
  if (!output.isOpen()) return zipWriteError;
  EntryIo io(input, output);
  return decodeEntry(io, job.workspace(), header, &crc);
}
