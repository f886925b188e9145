// The self-archive reader: finding the end record, the archive's base, the comment,
// the catalog and its walk, on hand-made archives damaged in every way the
// reader must survive. The boxes are read back from the host's stand-in; under
// Wine the end-to-end tests see the real ones.
#ifndef _WIN32
#include "archive/selfarchive.h"
#include "archive/zipformat.h"
#include "tests/archive/zipkit.h"
#include "util/ui.h"
#include "util/ui_posix.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace zipkit;

const char* const incomplete = "File appears to be incomplete - unable to locate master catalog";
const char* const corrupt = "File appears to be corrupt";
const char* const headerMissing = "File appears to be corrupt - header missing";

struct Visit {
  std::string name;
  int32_t headerPos;
  uint32_t compressedSize;
  uint32_t uncompressedSize;
};

class SelfArchive : public ::testing::Test {
protected:
  void SetUp() override { takeShownBoxes(); }

  // Writes the file, opens it and returns the boxes shown.
  std::vector<std::string> open(const std::string& bytes) {
    EXPECT_TRUE(writeFile(archivePath, bytes));
    opened = openArchive(archivePath, archive);
    return takeShownBoxes();
  }
  // The archive as opened, with another catalog (damaged, say).
  void setCatalog(std::string catalog) {
    archive = tArchive(archive.path(), archive.file(), archive.comment(), std::move(catalog),
                       archive.base());
  }
  // The entries a full walk visits; stoppedEarly gets the walk's result.
  std::vector<Visit> walk(bool& stoppedEarly) {
    std::vector<Visit> visits;
    stoppedEarly =
        walkCatalog(archive, [&](const std::string& name, int32_t pos, uint32_t c, uint32_t u) {
          visits.push_back({name, pos, c, u});
          return false;
        });
    return visits;
  }

  ScratchDir dir;
  std::string archivePath = dir / "setup.exe";
  tArchive archive;
  bool opened = false;
};

const std::string program(5000, 'M'); // stands for the installer program
const std::string comment =
    "agent: mozilla/4.79 [en] (windows nt 5.0; u)\nurl: http://example.com/\n";

std::vector<Entry> typicalPayload() {
  return {deflatedEntry("drv1.dat", "first driver"),   deflatedEntry("drv2.dat", "second"),
          deflatedEntry("drv3.dat", "third"),          deflatedEntry("install.js", "js"),
          deflatedEntry("install.rdf", "<rdf/>"),      folderEntry("plugins/"),
          deflatedEntry("plugins/npvorlixa.dll", "MZ")};
}

TEST_F(SelfArchive, AppendedArchiveKeepsCommentCatalogAndBase) {
  Layout layout;
  std::string bytes = buildZip(typicalPayload(), comment, program, &layout);
  EXPECT_TRUE(open(bytes).empty());
  EXPECT_TRUE(opened);
  EXPECT_EQ(archive.comment(), comment);
  EXPECT_EQ(archive.base(), static_cast<int32_t>(program.size()));
  EXPECT_EQ(archive.catalog(),
            bytes.substr(layout.catalogStart, layout.endRecord - layout.catalogStart));

  bool stopped = true;
  std::vector<Visit> visits = walk(stopped);
  EXPECT_FALSE(stopped);
  std::vector<std::string> names;
  for (size_t i = 0; i < visits.size(); ++i)
    names.push_back(visits[i].name);
  EXPECT_EQ(names, (std::vector<std::string>{"drv1.dat", "drv2.dat", "drv3.dat", "install.js",
                                             "install.rdf", "plugins/npvorlixa.dll"}));
  // Header positions are absolute: each points at a local header signature.
  for (const Visit& v : visits) {
    ASSERT_GE(v.headerPos, 0);
    EXPECT_EQ(bytes.substr(static_cast<size_t>(v.headerPos), 4), std::string("PK\3\4")) << v.name;
  }
  EXPECT_EQ(visits[0].headerPos, static_cast<int32_t>(layout.localHeaders[0]));
  EXPECT_EQ(visits[0].uncompressedSize, 12u);
  EXPECT_EQ(visits[0].compressedSize, storedDeflate("first driver").size());
}

TEST_F(SelfArchive, PlainZipHasBaseZero) {
  EXPECT_TRUE(open(buildZip(typicalPayload(), comment)).empty());
  EXPECT_EQ(archive.base(), 0);
}

TEST_F(SelfArchive, OffsetsRelativeToTheFileStartGiveTheSameBase) {
  // A tool that wrote offsets from the file's first byte: base comes out 0.
  Layout layout;
  std::string bytes = buildZip(typicalPayload(), comment, program, &layout);
  set32(bytes, layout.endRecord + endCatalogOffset, static_cast<uint32_t>(layout.catalogStart));
  EXPECT_TRUE(open(bytes).empty());
  EXPECT_EQ(archive.base(), 0);
}

TEST_F(SelfArchive, MissingFileSaysUnableToLoad) {
  archivePath = dir / "nothing-here.exe";
  opened = openArchive(archivePath, archive);
  EXPECT_EQ(takeShownBoxes(), std::vector<std::string>{"unable to load archive"});
  EXPECT_FALSE(opened);
  EXPECT_TRUE(archive.comment().empty());
  EXPECT_TRUE(archive.catalog().empty());
}

// Each damage of the end record and the catalog, with the one box it shows.
struct Damage {
  const char* what;
  std::string bytes;
  const char* message;
};

std::vector<Damage> damages() {
  Layout l;
  std::string good = buildZip(typicalPayload(), comment, program, &l);
  std::vector<Damage> list;
  list.push_back({"no end record", good.substr(0, l.endRecord), incomplete});
  list.push_back(
      {"end record cut inside its fixed part", good.substr(0, l.endRecord + 21), incomplete});
  // A comment of 2027 bytes puts the end record's start 2049 bytes from the end.
  list.push_back({"comment over 2026 bytes",
                  buildZip(typicalPayload(), std::string(2027, 'c'), program), incomplete});
  list.push_back({"empty file", "", incomplete});
  std::string base = good;
  set32(base, l.endRecord + endCatalogOffset, static_cast<uint32_t>(l.catalogStart + 1));
  list.push_back({"catalog offset beyond the room in front", base, corrupt});
  std::string size = good;
  set32(size, l.endRecord + endCatalogSize, 0xFFFFFF00);
  list.push_back({"catalog size beyond the file", size, corrupt});
  std::string signature = good;
  signature[l.catalogStart + 1] = 'X';
  list.push_back({"first catalog record without signature", signature, headerMissing});
  // The catalog said to be shorter than its first record: the record runs
  // past the catalog's end (the offset moves up so that the base stays).
  std::string cut = good;
  uint32_t cutSize = 30;
  set32(cut, l.endRecord + endCatalogSize, cutSize);
  set32(cut, l.endRecord + endCatalogOffset,
        static_cast<uint32_t>(l.endRecord - cutSize - program.size()));
  list.push_back({"catalog record past the catalog's end", cut, headerMissing});
  // A name length that runs past the catalog's end.
  std::string name = good;
  set16(name, l.catalogStart + recordNameLength, 0xFFFF);
  list.push_back({"record name past the catalog's end", name, headerMissing});
  // An extra field or entry comment that runs past the catalog's end, in the
  // last record: the walk used to end there without a word.
  size_t last = l.endRecord - (46 + std::string("plugins/npvorlixa.dll").size());
  for (size_t field : {recordExtraLength, recordCommentLength}) {
    std::string past = good;
    set16(past, last + field, 1);
    list.push_back({field == recordExtraLength ? "extra field past the catalog's end"
                                               : "entry comment past the catalog's end",
                    past, headerMissing});
  }
  return list;
}

TEST_F(SelfArchive, EachDamageShowsItsOneMessage) {
  for (const Damage& d : damages()) {
    EXPECT_EQ(open(d.bytes), std::vector<std::string>{d.message}) << d.what;
    EXPECT_FALSE(opened) << d.what;
    if (std::string(d.message) != headerMissing) {
      EXPECT_TRUE(archive.catalog().empty()) << d.what;
    }
  }
}

// readArchive and visitEntries report what they found and show nothing; the
// installer's openArchive and walkCatalog show the same message once.
TEST_F(SelfArchive, ReadingReturnsTheMessageThatOpeningShows) {
  for (const Damage& d : damages()) {
    ASSERT_TRUE(writeFile(archivePath, d.bytes));
    EXPECT_EQ(readArchive(archivePath, archive), d.message) << d.what;
    EXPECT_EQ(takeShownBoxes(), std::vector<std::string>{}) << d.what;
  }
  ASSERT_TRUE(writeFile(archivePath, buildZip(typicalPayload(), comment, program)));
  EXPECT_EQ(readArchive(archivePath, archive), "");
  // The last record's name now runs past the end.
  setCatalog(archive.catalog().substr(0, archive.catalog().size() - 1));
  int visits = 0;
  auto count = [&](const std::string&, int32_t, uint32_t, uint32_t) { return ++visits, false; };
  EXPECT_EQ(archive.visitEntries(count), WalkEnd::damaged);
  EXPECT_EQ(visits, 5);
  EXPECT_EQ(takeShownBoxes(), std::vector<std::string>{});
  EXPECT_TRUE(walkCatalog(archive, count));
  EXPECT_EQ(takeShownBoxes(), std::vector<std::string>{headerMissing});
  auto stop = [](const std::string&, int32_t, uint32_t, uint32_t) { return true; };
  EXPECT_EQ(archive.visitEntries(stop), WalkEnd::stopped);
  ASSERT_EQ(readArchive(archivePath, archive), "");
  EXPECT_EQ(archive.visitEntries(count), WalkEnd::passed);
}

TEST_F(SelfArchive, CorruptBaseKeepsTheCommentButNoCatalog) {
  Layout l;
  std::string bytes = buildZip(typicalPayload(), comment, program, &l);
  set32(bytes, l.endRecord + endCatalogOffset, 0x7FFFFFFF);
  EXPECT_EQ(open(bytes), std::vector<std::string>{corrupt});
  EXPECT_EQ(archive.comment(), comment);
  EXPECT_TRUE(archive.catalog().empty());
}

TEST_F(SelfArchive, CommentOfExactly2026BytesIsFound) {
  std::string longComment(2026, 'c');
  EXPECT_TRUE(open(buildZip(typicalPayload(), longComment, program)).empty());
  EXPECT_EQ(archive.comment(), longComment);
}

TEST_F(SelfArchive, FileShorterThanTheTailIsSearchedWhole) {
  std::string bytes = buildZip({deflatedEntry("a.txt", "a")}, "c");
  ASSERT_LT(bytes.size(), 2048u);
  EXPECT_TRUE(open(bytes).empty());
  EXPECT_EQ(archive.base(), 0);
  EXPECT_EQ(archive.comment(), "c");
  bool stopped = true;
  EXPECT_EQ(walk(stopped).size(), 1u);
}

TEST_F(SelfArchive, CommentLengthPastTheEndKeepsWhatTheFileHolds) {
  Layout l;
  std::string bytes = buildZip(typicalPayload(), "agent: x\n", program, &l);
  set16(bytes, l.endRecord + endCommentLength, 2000);
  EXPECT_TRUE(open(bytes).empty());
  EXPECT_EQ(archive.comment(), "agent: x\n");
}

TEST_F(SelfArchive, TheEarlierOfTwoEndRecordsIsUsed) {
  // A second, bogus end record inside the comment of the first.
  std::string inner;
  put32(inner, 0x06054B50);
  inner += std::string(18, '\xFF');
  std::string bytes = buildZip(typicalPayload(), "x" + inner, program);
  EXPECT_TRUE(open(bytes).empty());
  EXPECT_EQ(archive.comment(), "x" + inner);
  EXPECT_EQ(archive.base(), static_cast<int32_t>(program.size()));
  // The other way round: an end record in the data, before the real one,
  // within the last 2048 bytes, wins even though it describes nonsense.
  std::string early =
      buildZip({storedEntry("a.txt", std::string("PK\5\6") + std::string(18, 0))}, "", program);
  EXPECT_TRUE(open(early).empty());
  EXPECT_EQ(archive.base(), static_cast<int32_t>(program.size() + 30 + 5));
  EXPECT_TRUE(archive.catalog().empty());
}

TEST_F(SelfArchive, EmptyCatalogPassesAndWalksNothing) {
  EXPECT_TRUE(open(buildZip({}, comment, program)).empty());
  EXPECT_TRUE(archive.catalog().empty());
  bool stopped = true;
  EXPECT_TRUE(walk(stopped).empty());
  EXPECT_FALSE(stopped);
}

TEST_F(SelfArchive, FoldersAreNotVisitedButTheirFilesAre) {
  EXPECT_TRUE(open(buildZip({folderEntry("plugins/"), folderEntry("plugins/sub/"),
                             deflatedEntry("plugins/sub/np.dll", "x"), folderEntry("empty/")},
                            "", program))
                  .empty());
  bool stopped = true;
  std::vector<Visit> visits = walk(stopped);
  ASSERT_EQ(visits.size(), 1u);
  EXPECT_EQ(visits[0].name, "plugins/sub/np.dll");
}

TEST_F(SelfArchive, VisitorStoppingAtTheFirstEntryEndsTheWalk) {
  EXPECT_TRUE(open(buildZip(typicalPayload(), "", program)).empty());
  int calls = 0;
  EXPECT_TRUE(walkCatalog(archive, [&](const std::string&, int32_t, uint32_t, uint32_t) {
    ++calls;
    return true;
  }));
  EXPECT_EQ(calls, 1);
}

TEST_F(SelfArchive, RecordCountIsNotUsed) {
  Layout l;
  std::string bytes = buildZip(typicalPayload(), "", program, &l);
  set16(bytes, l.endRecord + 8, 1);
  set16(bytes, l.endRecord + 10, 60000);
  EXPECT_TRUE(open(bytes).empty());
  bool stopped = true;
  EXPECT_EQ(walk(stopped).size(), 6u);
}

TEST_F(SelfArchive, ExtraFieldsAndEntryCommentsAreSkipped) {
  Entry a = deflatedEntry("a.txt", "a");
  a.extra = std::string(9, 'e');
  a.comment = "an entry comment";
  EXPECT_TRUE(open(buildZip({a, deflatedEntry("b.txt", "b")}, "", program)).empty());
  bool stopped = true;
  std::vector<Visit> visits = walk(stopped);
  ASSERT_EQ(visits.size(), 2u);
  EXPECT_EQ(visits[1].name, "b.txt");
}

TEST_F(SelfArchive, DamagedRecordLaterInTheCatalogStopsAWalkAfterTheOnesBefore) {
  Layout l;
  std::string bytes = buildZip(typicalPayload(), "", program, &l);
  ASSERT_TRUE(open(bytes).empty());
  // Damage the third record in the kept catalog: later walks see it too.
  std::string damaged = archive.catalog();
  size_t third = 0;
  for (int i = 0; i < 2; ++i)
    third += 46 + static_cast<uint8_t>(damaged[third + recordNameLength]);
  damaged[third] = 'Q';
  setCatalog(damaged);
  bool stopped = false;
  std::vector<Visit> visits = walk(stopped);
  EXPECT_TRUE(stopped);
  EXPECT_EQ(visits.size(), 2u);
  EXPECT_EQ(takeShownBoxes(), std::vector<std::string>{headerMissing});
}

TEST_F(SelfArchive, ASingleTrailingByteEndsTheWalk) {
  ASSERT_TRUE(open(buildZip({deflatedEntry("a.txt", "a")}, "", program)).empty());
  setCatalog(archive.catalog() + 'Z');
  bool stopped = true;
  EXPECT_EQ(walk(stopped).size(), 1u);
  EXPECT_FALSE(stopped);
  setCatalog(archive.catalog() + 'Z'); // two bytes are the start of a record, and a damaged one
  EXPECT_EQ(walk(stopped).size(), 1u);
  EXPECT_TRUE(stopped);
  EXPECT_EQ(takeShownBoxes(), std::vector<std::string>{headerMissing});
}

TEST_F(SelfArchive, HeaderPositionWrapsAsASigned32BitSum) {
  Layout l;
  std::string bytes = buildZip({deflatedEntry("a.txt", "a")}, "", program, &l);
  set32(bytes, l.catalogStart + recordHeaderOffset, 0xFFFFFFFF);
  ASSERT_TRUE(open(bytes).empty());
  bool stopped = true;
  std::vector<Visit> visits = walk(stopped);
  ASSERT_EQ(visits.size(), 1u);
  EXPECT_EQ(visits[0].headerPos, static_cast<int32_t>(program.size()) - 1);
}

// A program's headers as far as the reader looks: the DOS header's pointer,
// the PE signature, the file header's optional-header size, the optional
// header's magic, directory count and the security directory entry, which
// signTable fills in. wide: the 64-bit layout.
std::string peProgram(bool wide) {
  std::string bytes(4096, '\0');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  const size_t pe = 0x80, optional = pe + 24;
  set32(bytes, 0x3C, pe);
  set32(bytes, pe, 0x4550);
  set16(bytes, pe + 20, wide ? 240 : 224); // optional header with 16 directories
  set16(bytes, optional, wide ? 0x20B : 0x10B);
  set32(bytes, optional + (wide ? 108 : 92), 16);
  return bytes;
}
size_t securityEntry(bool wide) {
  return 0x80 + 24 + (wide ? 112 : 96) + 4 * 8;
}

// Appends a certificate table as a signing tool does (length, revision, type,
// then the signature's bytes, padded to 8) and points the directory at it.
void signTable(std::string& file, bool wide, const std::string& signature) {
  size_t start = file.size();
  std::string table;
  put32(table, static_cast<uint32_t>(8 + signature.size()));
  put16(table, 0x0200);
  put16(table, 2);
  table += signature;
  table.resize((table.size() + 7) / 8 * 8, '\0');
  file += table;
  set32(file, securityEntry(wide), static_cast<uint32_t>(start));
  set32(file, securityEntry(wide) + 4, static_cast<uint32_t>(table.size()));
}

// A signature longer than the searched tail, holding an end record of its own
// that claims an empty catalog and another comment.
std::string signatureWithEndRecord() {
  std::string fake = "PK\5\6";
  fake += std::string(8, '\0');
  put32(fake, 0);
  put32(fake, 0);
  put16(fake, 5);
  fake += "fake!";
  return fake + noise(3000, 5);
}

TEST_F(SelfArchive, ASignedProgramIsReadUpToItsCertificateTable) {
  struct Row {
    const char* what;
    bool wide;
    std::function<void(std::string&, bool)> damage; // after signing
    std::vector<std::string> boxes;
  };
  auto noDamage = [](std::string&, bool) {};
  const std::vector<Row> rows = {
      {"32-bit program", false, noDamage, {}},
      {"64-bit program", true, noDamage, {}},
      // The plain rule: the end record is out of the searched tail.
      {"table past the end",
       false,
       [](std::string& f, bool w) { set32(f, securityEntry(w) + 4, 0x10000); },
       {incomplete}},
      {"table short of the end",
       true,
       [](std::string& f, bool w) { set32(f, securityEntry(w) + 4, 8); },
       {incomplete}},
      {"first certificate longer than the table",
       false,
       [](std::string& f, bool w) {
         uint32_t start = readLe32(f.data() + securityEntry(w));
         set32(f, start, 0x7FFFFFF0);
       },
       {incomplete}},
      {"no security directory",
       true,
       [](std::string& f, bool) { set32(f, 0x80 + 24 + 108, 4); },
       {incomplete}},
      {"not a PE program", false, [](std::string& f, bool) { f[0] = 'X'; }, {incomplete}},
      {"PE signature missing", true, [](std::string& f, bool) { f[0x80] = 'X'; }, {incomplete}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::string file = buildZip(typicalPayload(), comment, peProgram(row.wide));
    signTable(file, row.wide, signatureWithEndRecord());
    row.damage(file, row.wide);
    EXPECT_EQ(open(file), row.boxes);
    if (!row.boxes.empty()) continue;
    EXPECT_EQ(archive.comment(), comment);
    EXPECT_EQ(archive.base(), 4096);
    bool stopped = true;
    EXPECT_EQ(walk(stopped).size(), typicalPayload().size() - 1); // the folder is not visited
    EXPECT_FALSE(stopped);
  }
}

TEST_F(SelfArchive, AnEndRecordInsideTheCertificateTableIsNeverUsed) {
  // A short signature: the real end record and the planted one both lie in
  // the last 2048 bytes, and only the real one may be found. With the real
  // one damaged, the planted one must not stand in for it.
  std::string file = buildZip(typicalPayload(), comment, peProgram(false));
  size_t realEnd = file.size() - comment.size() - 22;
  signTable(file, false, signatureWithEndRecord().substr(0, 40));
  ASSERT_TRUE(open(file).empty());
  EXPECT_EQ(archive.comment(), comment);
  file[realEnd] = 'X';
  EXPECT_EQ(open(file), std::vector<std::string>{incomplete});
}

} // namespace
#endif
