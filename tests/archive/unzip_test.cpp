// extractEntry on hand-made archives: every result code, data descriptors,
// the input limit, and the rule that a failed extraction leaves no file
// behind and an existing target as it was. Portable: runs on the host and
// under Wine with the real file API.
#include "archive/unzip.h"
#include "tests/archive/zipkit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#ifndef _WIN32
#include "util/ui_posix.h"
#include <cstdlib>
#include <ctime>
#include <sys/stat.h>
#endif

namespace {

using namespace zipkit;

const std::string program(3000, 'M');
const std::string oldTarget = "the file that was there before";

// One entry in an archive after a program, built and then damaged.
struct Case {
  const char* what;
  std::function<Entry()> entry;
  std::function<void(std::string& bytes, size_t header)> damage; // may be empty
  int result;
  std::string written; // the target's bytes after a success
};

std::string text(size_t n) {
  std::string out;
  while (out.size() < n)
    out += "line " + std::to_string(out.size()) + " of a driver file\n";
  return out.substr(0, n);
}

std::vector<Case> cases() {
  const std::string small = text(1000), big = noise(200000);
  auto withHeader = [](Entry e, std::function<void(Entry&)> change) {
    change(e);
    return e;
  };
  // An extra field that puts the entry's data at offset from its local header.
  constexpr size_t readAhead = ArchiveJob::readAheadSize;
  auto extraUpTo = [](size_t offset) {
    return [offset](Entry& e) { e.extra.assign(offset - 30 - e.name.size(), 'x'); };
  };
  std::vector<Case> list = {
      {"deflated", [=] { return deflatedEntry("a.dll", small); }, nullptr, zipOk, small},
      {"stored", [=] { return storedEntry("a.dll", small); }, nullptr, zipOk, small},
      {"deflated over several windows and read-ahead blocks",
       [=] { return deflatedEntry("a.dll", big); }, nullptr, zipOk, big},
      {"stored over several windows", [=] { return storedEntry("a.dll", big); }, nullptr, zipOk,
       big},
      {"empty deflated file", [] { return deflatedEntry("a.dll", ""); }, nullptr, zipOk, ""},
      {"empty stored file", [] { return storedEntry("a.dll", ""); }, nullptr, zipOk, ""},
      {"streamed: descriptor, sizes 0 in the local header",
       [=] {
         return withHeader(deflatedEntry("a.dll", big), [](Entry& e) { e.descriptor = true; });
       },
       nullptr, zipOk, big},
      {"descriptor with sizes in the local header as well",
       [=] {
         return withHeader(deflatedEntry("a.dll", small),
                           [](Entry& e) { e.descriptor = e.headerSizes = true; });
       },
       nullptr, zipOk, small},
      {"stored with a descriptor read right after the data",
       [=] {
         return withHeader(storedEntry("a.dll", small),
                           [](Entry& e) { e.descriptor = e.headerSizes = true; });
       },
       nullptr, zipOk, small},
      {"extra field before the data",
       [=] { return withHeader(deflatedEntry("a.dll", small), [](Entry& e) { e.extra = "xy"; }); },
       nullptr, zipOk, small},
      {"CRC in the local header wrong", [=] { return deflatedEntry("a.dll", small); },
       [](std::string& b, size_t h) { b[h + localCrc] ^= 1; }, zipCrcError, ""},
      {"CRC in the descriptor wrong",
       [=] {
         return withHeader(deflatedEntry("a.dll", small), [](Entry& e) { e.descriptor = true; });
       },
       [=](std::string& b, size_t h) { b[h + 30 + 5 + storedDeflate(small).size() + 4] ^= 1; },
       zipCrcError, ""},
      {"method 9", [=] { return deflatedEntry("a.dll", small); },
       [](std::string& b, size_t h) { set16(b, h + localMethod, 9); }, zipUnsupported, ""},
      {"encrypted", [=] { return deflatedEntry("a.dll", small); },
       [](std::string& b, size_t h) { set16(b, h + localFlags, 1); }, zipEncrypted, ""},
      {"encrypted with method 9: the method is tested first",
       [=] { return deflatedEntry("a.dll", small); },
       [](std::string& b, size_t h) {
         set16(b, h + localFlags, 1);
         set16(b, h + localMethod, 9);
       },
       zipUnsupported, ""},
      {"local header without signature", [=] { return deflatedEntry("a.dll", small); },
       [](std::string& b, size_t h) { b[h + 2] = 9; }, zipBadData, ""},
      {"local header cut by the end of the file", [=] { return deflatedEntry("a.dll", small); },
       [](std::string& b, size_t h) { b.resize(h + 20); }, zipBadData, ""},
      // Block type 3 with a header CRC of 0, the CRC of no output: the
      // decoder's own code shows through the CRC test.
      {"block type 3", [] { return deflatedEntry("a.dll", ""); },
       [](std::string& b, size_t h) { b[h + 30 + 5] = 7; }, zipBadData, ""},
      {"corrupt data under a CRC that cannot match", [=] { return deflatedEntry("a.dll", small); },
       [](std::string& b, size_t h) { b[h + 30 + 5] = 7; }, zipCrcError, ""},
      // A stored entry that claims more bytes than the file holds, with the
      // CRC of no output: the read error shows.
      {"stored entry cut short", [] { return storedEntry("a.dll", ""); },
       [](std::string& b, size_t h) { set32(b, h + localCompressedSize, 999999); }, zipReadError,
       ""},
      {"stored entry cut short under a real CRC", [=] { return storedEntry("a.dll", big); },
       [](std::string& b, size_t h) { b.resize(h + 30 + 5 + 100000); }, zipCrcError, ""},
      {"deflated data cut short", [=] { return deflatedEntry("a.dll", big); },
       [](std::string& b, size_t h) { b.resize(h + 30 + 5 + 50000); }, zipCrcError, ""},
      // The reader runs ahead in 2 KiB blocks: a compressed size too small
      // for a short entry still decodes it; for a long one the input ends.
      {"short compressed size, entry within the first block",
       [=] { return deflatedEntry("a.dll", small); },
       [](std::string& b, size_t h) { set32(b, h + localCompressedSize, 10); }, zipOk, small},
      {"short compressed size, longer entry", [=] { return deflatedEntry("a.dll", big); },
       [](std::string& b, size_t h) { set32(b, h + localCompressedSize, 5000); }, zipCrcError, ""},
      // The header is read ahead together with what follows it: the data may
      // start inside that piece, right at its end, or beyond it.
      {"data starting one byte before the end of the read-ahead",
       [=] { return withHeader(deflatedEntry("a.dll", big), extraUpTo(readAhead - 1)); }, nullptr,
       zipOk, big},
      {"data starting right after the read-ahead",
       [=] { return withHeader(deflatedEntry("a.dll", big), extraUpTo(readAhead)); }, nullptr,
       zipOk, big},
      {"name and extra field longer than the read-ahead",
       [=] {
         return withHeader(storedEntry(std::string(40000, 'n'), small),
                           extraUpTo(readAhead + 9000));
       },
       nullptr, zipOk, small},
  };
  return list;
}

class ExtractEntry : public ::testing::Test {
protected:
  // Builds the case's archive and extracts its entry onto an existing target.
  int run(const Case& c) {
    Layout layout;
    std::string bytes = buildZip({c.entry()}, "", program, &layout);
    if (c.damage) c.damage(bytes, layout.localHeaders[0]);
    EXPECT_TRUE(writeFile(archive, bytes));
    EXPECT_TRUE(writeFile(target, oldTarget));
    return extractEntry(archive, target, static_cast<int32_t>(layout.localHeaders[0]));
  }

  ScratchDir home; // holds the archive
  ScratchDir out;  // holds only the target
  std::string archive = home / "setup.exe";
  std::string target = out / "np.dll";
};

TEST_F(ExtractEntry, EachCaseGivesItsResultAndTouchesTheTargetOnlyOnSuccess) {
  for (const Case& c : cases()) {
    EXPECT_EQ(run(c), c.result) << c.what;
    EXPECT_EQ(readFile(target), c.result == zipOk ? c.written : oldTarget) << c.what;
    // No new file is left beside the target, whatever happened.
    EXPECT_EQ(out.contents(), std::vector<std::string>{"np.dll"}) << c.what;
  }
}

TEST_F(ExtractEntry, NewTargetIsCreatedAndNothingIsMadeOnFailure) {
  for (const Case& c : cases()) {
    platform::deleteFile(target);
    Layout layout;
    std::string bytes = buildZip({c.entry()}, "", program, &layout);
    if (c.damage) c.damage(bytes, layout.localHeaders[0]);
    ASSERT_TRUE(writeFile(archive, bytes));
    EXPECT_EQ(extractEntry(archive, target, static_cast<int32_t>(layout.localHeaders[0])), c.result)
        << c.what;
    EXPECT_EQ(out.contents(),
              c.result == zipOk ? std::vector<std::string>{"np.dll"} : std::vector<std::string>{})
        << c.what;
  }
}

TEST_F(ExtractEntry, UnreachableHeaderPositionsAreBadData) {
  Layout layout;
  ASSERT_TRUE(writeFile(archive, buildZip({deflatedEntry("a", "a")}, "", program, &layout)));
  ASSERT_TRUE(writeFile(target, oldTarget));
  for (int32_t pos : {-1, INT32_MIN, 1 << 30, 0, static_cast<int32_t>(layout.catalogStart)})
    EXPECT_EQ(extractEntry(archive, target, pos), zipBadData) << pos;
  EXPECT_EQ(readFile(target), oldTarget);
}

TEST_F(ExtractEntry, MissingArchiveIsAReadError) {
  EXPECT_EQ(extractEntry(home / "none.exe", target, 0), zipReadError);
  EXPECT_EQ(out.contents(), std::vector<std::string>{});
}

TEST_F(ExtractEntry, ReadOnlyTargetIsAWriteErrorAndStaysAsItWas) {
  Layout layout;
  ASSERT_TRUE(writeFile(archive, buildZip({deflatedEntry("a", "new")}, "", program, &layout)));
  ASSERT_TRUE(writeFile(target, oldTarget));
  std::filesystem::permissions(ScratchDir::fsPath(target), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  EXPECT_EQ(extractEntry(archive, target, static_cast<int32_t>(layout.localHeaders[0])),
            zipWriteError);
  EXPECT_EQ(readFile(target), oldTarget);
  EXPECT_EQ(out.contents(), std::vector<std::string>{"np.dll"});
}

TEST_F(ExtractEntry, ReadOnlyTargetFailsBeforeDamagedDataIsDecoded) {
  // Opening the target comes before decoding: damage the decoder would find
  // does not hide the write error.
  Layout layout;
  std::string bytes = buildZip({deflatedEntry("a", "new")}, "", program, &layout);
  bytes[layout.localHeaders[0] + 30 + 1] = 7; // block type 3
  ASSERT_TRUE(writeFile(archive, bytes));
  ASSERT_TRUE(writeFile(target, oldTarget));
  auto header = static_cast<int32_t>(layout.localHeaders[0]);
  ASSERT_EQ(extractEntry(archive, out / "other.dll", header), zipCrcError);
  platform::deleteFile(out / "other.dll");
  std::filesystem::permissions(ScratchDir::fsPath(target), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  EXPECT_EQ(extractEntry(archive, target, header), zipWriteError);
  EXPECT_EQ(readFile(target), oldTarget);
  EXPECT_EQ(out.contents(), std::vector<std::string>{"np.dll"});
}

TEST_F(ExtractEntry, TargetInAMissingFolderIsAWriteError) {
  Layout layout;
  ASSERT_TRUE(writeFile(archive, buildZip({deflatedEntry("a", "new")}, "", program, &layout)));
  EXPECT_EQ(extractEntry(archive, out / "no such folder" + ScratchDir::separator + "np.dll",
                         static_cast<int32_t>(layout.localHeaders[0])),
            zipWriteError);
  EXPECT_EQ(out.contents(), std::vector<std::string>{});
}

TEST_F(ExtractEntry, TargetThatIsAFolderIsAWriteError) {
  Layout layout;
  ASSERT_TRUE(writeFile(archive, buildZip({deflatedEntry("a", "new")}, "", program, &layout)));
  std::filesystem::create_directory(ScratchDir::fsPath(out / "np.dll"));
  EXPECT_EQ(extractEntry(archive, out / "np.dll", static_cast<int32_t>(layout.localHeaders[0])),
            zipWriteError);
  EXPECT_EQ(out.contents(), std::vector<std::string>{"np.dll"});
}

TEST_F(ExtractEntry, EntriesAreFoundByTheirOwnHeaderPosition) {
  Layout layout;
  ASSERT_TRUE(writeFile(archive, buildZip({deflatedEntry("a", "first"), storedEntry("b", "second"),
                                           deflatedEntry("c", "third")},
                                          "", program, &layout)));
  const char* expected[] = {"first", "second", "third"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(extractEntry(archive, target, static_cast<int32_t>(layout.localHeaders[i])), zipOk);
    EXPECT_EQ(readFile(target), expected[i]);
  }
  // Within one job, whose buffers still hold what the entry before read.
  ArchiveJob job;
  for (int i : {2, 0, 1, 1}) {
    EXPECT_EQ(extractEntry(job, archive, target, static_cast<int32_t>(layout.localHeaders[i])),
              zipOk);
    EXPECT_EQ(readFile(target), expected[i]) << i;
  }
}

// The new file beside the target takes a name nothing has: files left with
// the names it would try first are passed over and stay as they were.
TEST_F(ExtractEntry, FilesLeftWithTheNewFilesNamesArePassedOver) {
  Layout layout;
  ASSERT_TRUE(writeFile(archive, buildZip({deflatedEntry("a", "new")}, "", program, &layout)));
  std::vector<std::string> left;
  uint32_t now = platform::tickCount();
  for (uint32_t t = now - 20; t != now + 400; ++t) {
    char name[16];
    std::snprintf(name, sizeof name, "unz%08x.tmp", t);
    left.push_back(out / name);
    ASSERT_TRUE(writeFile(left.back(), "left"));
  }
  EXPECT_EQ(extractEntry(archive, target, static_cast<int32_t>(layout.localHeaders[0])), zipOk);
  EXPECT_EQ(readFile(target), "new");
  for (const std::string& file : left)
    EXPECT_EQ(readFile(file), "left") << file;
  EXPECT_EQ(out.contents().size(), left.size() + 1);
}

TEST_F(ExtractEntry, ARunningJobRefusesANewExtractionWithoutTouchingTheTarget) {
  Layout layout;
  ASSERT_TRUE(writeFile(archive, buildZip({deflatedEntry("a", "new")}, "", program, &layout)));
  ASSERT_TRUE(writeFile(target, oldTarget));
  {
    ArchiveJob running;
    ASSERT_TRUE(running.taken());
    ArchiveJob second;
    EXPECT_FALSE(second.taken());
    EXPECT_EQ(extractEntry(archive, target, static_cast<int32_t>(layout.localHeaders[0])),
              zipReadError);
    EXPECT_EQ(readFile(target), oldTarget);
    EXPECT_TRUE(ArchiveJob::running());
  }
  EXPECT_FALSE(ArchiveJob::running());
  EXPECT_EQ(extractEntry(archive, target, static_cast<int32_t>(layout.localHeaders[0])), zipOk);
  EXPECT_EQ(readFile(target), "new");
}

#ifndef _WIN32
// The message pump runs window handlers in the middle of an extraction; one
// that starts another is refused, and the running one finishes unharmed.
TEST_F(ExtractEntry, AHandlerThatStartsAnotherExtractionIsRefused) {
  Layout layout;
  std::string big = noise(300000);
  ASSERT_TRUE(writeFile(archive, buildZip({deflatedEntry("a", big)}, "", program, &layout)));
  int32_t header = static_cast<int32_t>(layout.localHeaders[0]);
  std::string other = out / "other.dll";
  std::vector<int> nested;
  setMessageHook([&] { nested.push_back(extractEntry(archive, other, header)); });
  int result = extractEntry(archive, target, header);
  setMessageHook(nullptr);
  EXPECT_EQ(result, zipOk);
  EXPECT_EQ(readFile(target), big);
  ASSERT_FALSE(nested.empty());
  for (int r : nested)
    EXPECT_EQ(r, zipReadError);
  EXPECT_EQ(out.contents(), std::vector<std::string>{"np.dll"});
}

// Restores the time zone of the process when it goes.
class TimeZone {
public:
  explicit TimeZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) old_ = old, hadOld_ = true;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~TimeZone() {
    hadOld_ ? setenv("TZ", old_.c_str(), 1) : unsetenv("TZ");
    tzset();
  }

private:
  std::string old_;
  bool hadOld_ = false;
};

// A disk that fills up during the entry: the short write is a write error
// (not a CRC error, although the data stopped short), and the partly written
// new file is gone.
TEST_F(ExtractEntry, AFullDiskIsAWriteError) {
  SmallDisk disk(64);
  if (!disk.mounted()) GTEST_SKIP() << disk.why();
  const std::string data = noise(300000);
  for (const Entry& e : {deflatedEntry("a.dll", data), storedEntry("a.dll", data)}) {
    Layout layout;
    ASSERT_TRUE(writeFile(archive, buildZip({e}, "", program, &layout)));
    std::string full = disk.dir() / "np.dll";
    EXPECT_EQ(extractEntry(archive, full, static_cast<int32_t>(layout.localHeaders[0])),
              zipWriteError)
        << "method " << e.method;
    EXPECT_EQ(disk.dir().contents(), std::vector<std::string>{}) << "method " << e.method;
  }
}

TEST_F(ExtractEntry, FileTimeIsTheDosTimeReadAsLocalTime) {
  const uint16_t january2 = (21 << 9) | (1 << 5) | 2;    // 2001-01-02
  const uint16_t july14 = (25 << 9) | (7 << 5) | 14;     // 2005-07-14
  const uint16_t lastTick = (23 << 11) | (59 << 5) | 29; // 23:59:58
  const uint16_t halfPast = (12 << 11) | (30 << 5);      // 12:30:00
  const char* central = "CET-1CEST,M3.5.0,M10.5.0/3";
  struct {
    const char* tz;
    uint16_t date, time;
    time_t utc; // seconds since 1970 of the file time
  } cases[] = {
      {"UTC0", january2, lastTick, 978479998},
      {central, january2, lastTick, 978476398}, // an hour ahead of UTC in winter
      {central, july14, halfPast, 1121337000},  // two in summer
  };
  for (const auto& c : cases) {
    TimeZone zone(c.tz);
    Entry e = deflatedEntry("a", "x");
    e.dosDate = c.date;
    e.dosTime = c.time;
    Layout layout;
    ASSERT_TRUE(writeFile(archive, buildZip({e}, "", program, &layout)));
    ASSERT_EQ(extractEntry(archive, target, static_cast<int32_t>(layout.localHeaders[0])), zipOk);
    struct stat st;
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, c.utc) << c.tz << " " << c.date << " " << c.time;
  }
}
#endif

} // namespace
