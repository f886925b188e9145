// Windows programs read through their headers: a hand-made image whose every
// field is set here (symbols with short and long names, an auxiliary record,
// a section, the data directories, damaged offsets), and the built programs
// themselves, when their builds are there: the load configuration that has
// the loader take static imports from the system folder alone, the checksum,
// the stripped symbols and the packed side panel of the shipped program.
#include "archive/peformat.h"
#include "archive/peimage.h"
#include "archive/unpack.h"
#include "archive/zipformat.h"
#include "resources/stubmark.h"
#include "tests/archive/zipkit.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace zipkit;

constexpr size_t peAt = 0x40, optionalAt = peAt + 24, sectionsAt = optionalAt + 224;
constexpr size_t rawAt = 0x200, symbolsAt = 0x400;
constexpr uint32_t sectionAddress = 0x1000;

std::string symbolRecord(const std::string& shortName, uint32_t longName, uint32_t value,
                         int16_t section, uint8_t storage, uint8_t aux) {
  std::string r = shortName;
  r.resize(8, '\0');
  if (shortName.empty()) set32(r, 4, longName);
  put32(r, value);
  put16(r, uint16_t(section));
  put16(r, 0); // type
  r += char(storage);
  r += char(aux);
  return r;
}

// A 32-bit program of one section (address 0x1000, 0x200 bytes at 0x200) and
// a symbol table at 0x400: "_short" at 0x10, an auxiliary record, a static
// "_static", and "_a_long_symbol_name" (from the string table) at 0x20.
std::string handMadeImage() {
  std::string b(symbolsAt, '\0');
  b[0] = 'M', b[1] = 'Z';
  set32(b, pe::headerPointer, peAt);
  set32(b, peAt, pe::signature);
  set16(b, peAt + pe::machineField, pe::machineI386);
  set16(b, peAt + pe::sectionCountField, 1);
  set32(b, peAt + pe::symbolTableField, symbolsAt);
  set32(b, peAt + pe::symbolCountField, 4);
  set16(b, peAt + pe::optionalSizeField, 224);
  set16(b, peAt + pe::characteristicsField, 0x102);
  set16(b, optionalAt, pe::magic32);
  set32(b, optionalAt + pe::directoryCount32, 16);
  set32(b, sectionsAt + pe::section::virtualSize, 0x180);
  set32(b, sectionsAt + pe::section::virtualAddress, sectionAddress);
  set32(b, sectionsAt + pe::section::rawSize, 0x200);
  set32(b, sectionsAt + pe::section::rawPointer, rawAt);
  const std::string longName = "_a_long_symbol_name";
  b += symbolRecord("_short", 0, 0x10, 1, pe::symbol::external, 1);
  b += std::string(18, '\xFF'); // its auxiliary record, never read as a symbol
  b += symbolRecord("_static", 0, 0x18, 1, 3, 0);
  b += symbolRecord("", 4, 0x20, 1, pe::symbol::external, 0);
  put32(b, uint32_t(4 + longName.size() + 1));
  b += longName + '\0';
  return b;
}

TEST(PeImage, FindsExternalSymbolsAndMapsAddresses) {
  PeImage image(handMadeImage());
  ASSERT_TRUE(image.valid());
  EXPECT_FALSE(image.wide());
  EXPECT_EQ(image.machine(), pe::machineI386);
  EXPECT_EQ(image.symbolAddress("_short"), sectionAddress + 0x10);
  EXPECT_EQ(image.symbolAddress("_a_long_symbol_name"), sectionAddress + 0x20);
  EXPECT_EQ(image.symbolAddress("_static"), 0u) << "not external";
  EXPECT_EQ(image.symbolAddress("_a_long"), 0u);
  EXPECT_EQ(image.offsetOf(sectionAddress + 0x20, 0x40), int64_t(rawAt + 0x20));
  EXPECT_EQ(image.offsetOf(sectionAddress + 0x1F0, 0x10), int64_t(rawAt + 0x1F0));
  EXPECT_EQ(image.offsetOf(sectionAddress + 0x1F0, 0x11), -1) << "past the section's bytes";
  EXPECT_EQ(image.offsetOf(sectionAddress - 1, 1), -1);
}

TEST(PeImage, SetsDirectoriesAndTheChecksum) {
  PeImage image(handMadeImage());
  EXPECT_TRUE(image.setDirectory(pe::loadConfigDirectory, {sectionAddress + 0x20, 0x40}));
  EXPECT_EQ(image.directory(pe::loadConfigDirectory).address, sectionAddress + 0x20);
  EXPECT_EQ(image.directory(pe::loadConfigDirectory).size, 0x40u);
  EXPECT_EQ(readLe32(image.bytes().data() + optionalAt + pe::directories32 + 10 * 8),
            sectionAddress + 0x20);
  EXPECT_FALSE(image.setDirectory(16, {1, 1})) << "the header has 16 entries";
  // The checksum: 16-bit words summed with end-around carry, the field
  // itself as zero, plus the length. Adding 1 to a word adds 1 to it.
  image.updateChecksum();
  const uint32_t sum = image.storedChecksum();
  EXPECT_EQ(sum, image.checksum());
  std::string bytes = image.bytes();
  bytes[rawAt] = char(bytes[rawAt] + 1);
  EXPECT_EQ(PeImage(bytes).checksum(), sum + 1);
}

TEST(PeImage, StripsTheSymbolTableOnlyAtTheEnd) {
  PeImage image(handMadeImage());
  ASSERT_TRUE(image.stripSymbols());
  EXPECT_EQ(image.bytes().size(), symbolsAt);
  EXPECT_EQ(readLe32(image.bytes().data() + peAt + pe::symbolTableField), 0u);
  EXPECT_EQ(readLe32(image.bytes().data() + peAt + pe::symbolCountField), 0u);
  EXPECT_EQ(readLe16(image.bytes().data() + peAt + pe::characteristicsField),
            0x102u | 0x4 | 0x8 | 0x200);
  EXPECT_EQ(image.symbolAddress("_short"), 0u);
  EXPECT_FALSE(image.stripSymbols()) << "no table left";

  PeImage followed(handMadeImage() + "trailing bytes");
  EXPECT_FALSE(followed.stripSymbols());
  EXPECT_EQ(followed.bytes(), handMadeImage() + "trailing bytes") << "nothing changed";
}

TEST(PeImage, DamagedHeadersGiveNothing) {
  struct Case {
    const char* what;
    size_t at;
    int width; // of the field: 2 or 4 bytes
    uint32_t value;
    bool valid;
  };
  const Case cases[] = {
      {"no MZ", 0, 2, 'M' | 'X' << 8, false},
      {"PE header past the end", pe::headerPointer, 4, 0x7FFFFFF0, false},
      {"no PE signature", peAt, 4, 0x4551, false},
      {"optional header past the end", peAt + pe::optionalSizeField, 2, 0xFFFF, false},
      {"unknown magic", optionalAt, 2, 0x107, false},
      {"symbol table past the end", peAt + pe::symbolTableField, 4, 0x7FFFFFF0, true},
      {"too many symbols", peAt + pe::symbolCountField, 4, 0x10000000, true},
      {"string table longer than the file", symbolsAt + 4 * 18, 4, 0x7FFFFFF0, true},
      {"symbol in section 0", symbolsAt + 3 * 18 + pe::symbol::sectionNumber, 2, 0, true},
      {"symbol in section 2 of 1", symbolsAt + 3 * 18 + pe::symbol::sectionNumber, 2, 2, true},
      {"long name past the strings", symbolsAt + 3 * 18 + 4, 4, 0x1000, true},
  };
  for (const Case& c : cases) {
    std::string bytes = handMadeImage();
    if (c.width == 2)
      set16(bytes, c.at, c.value);
    else
      set32(bytes, c.at, c.value);
    PeImage image(bytes);
    EXPECT_EQ(image.valid(), c.valid) << c.what;
    EXPECT_EQ(image.symbolAddress("_a_long_symbol_name"), 0u) << c.what;
    EXPECT_EQ(image.resource(pe::resource::manifestType, 1), "") << c.what;
  }
}

TEST(FileMachine, ReadsTheMachineTypeFromAFilesHeaders) {
  ScratchDir dir;
  std::string image = handMadeImage();
  std::string wide = image;
  set16(wide, peAt + pe::machineField, pe::machineAmd64);
  // Headers whose optional header ends past the first 64 KiB are not read.
  std::string farHeader = std::string(0x10000, '\0') + image;
  farHeader[0] = 'M', farHeader[1] = 'Z';
  set32(farHeader, pe::headerPointer, 0x10000 + peAt);
  struct Case {
    const char* name;
    std::string bytes;
    uint32_t machine;
  };
  for (const Case& c : std::vector<Case>{{"x86.exe", image, pe::machineI386},
                                         {"x64.exe", wide, pe::machineAmd64},
                                         {"text.exe", "MZ but nothing more", 0},
                                         {"empty.exe", "", 0},
                                         {"far.exe", farHeader, 0}}) {
    ASSERT_TRUE(writeFile(dir / c.name, c.bytes));
    EXPECT_EQ(fileMachine(dir / c.name), c.machine) << c.name;
  }
  EXPECT_EQ(fileMachine(dir / "missing.exe"), 0u);
}

#ifndef _WIN32
// The built programs of the presets' build folders, read on the host.
struct Built {
  const char* build;
  uint32_t machine;
};
const Built builtPrograms[] = {{"win32", pe::machineI386}, {"win64", pe::machineAmd64}};

std::string builtProgram(const char* build) {
  return std::string(TEST_SOURCE_DIR) + "/../build/" + build + "/installer/installer.exe";
}

TEST(BuiltProgram, LoadsItsStaticImportsFromTheSystemFolderOnly) {
  int read = 0;
  for (const Built& b : builtPrograms) {
    const std::string path = builtProgram(b.build);
    if (!std::filesystem::exists(path)) continue;
    ++read;
    SCOPED_TRACE(path);
    PeImage image(readFile(path));
    ASSERT_TRUE(image.valid());
    EXPECT_EQ(image.machine(), b.machine);
    PeImage::Directory config = image.directory(pe::loadConfigDirectory);
    const bool wide = b.machine == pe::machineAmd64;
    // The directory's size is the structure's own first field; in a 32-bit
    // program 64 bytes, the size older loaders insist on.
    if (!wide) {
      EXPECT_EQ(config.size, 64u);
    }
    const int64_t flags =
        wide ? pe::loadConfig::dependentLoadFlags64 : pe::loadConfig::dependentLoadFlags32;
    ASSERT_GE(config.size, flags + 2);
    const int64_t at = image.offsetOf(config.address, config.size);
    ASSERT_GE(at, 0);
    EXPECT_EQ(readLe32(image.bytes().data() + size_t(at)), config.size);
    EXPECT_EQ(readLe16(image.bytes().data() + size_t(at + flags)), 0x800u)
        << "LOAD_LIBRARY_SEARCH_SYSTEM32";
    EXPECT_EQ(image.storedChecksum(), image.checksum());
    // The mark by which the packer knows the installer program.
    EXPECT_EQ(image.resource(10, STUB_MARK_ID).substr(0, sizeof STUB_MARK_TEXT - 1),
              STUB_MARK_TEXT);
  }
  if (read == 0) GTEST_SKIP() << "no Windows build to read";
}

TEST(BuiltProgram, TheShippedProgramIsLeanAndCarriesThePanelPacked) {
  const std::string path = builtProgram("win32");
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "no win32 build to read";
  PeImage image(readFile(path));
  ASSERT_TRUE(image.valid());
  EXPECT_LE(image.bytes().size(), 204800u) << "at most 200 KB with its resources";
  EXPECT_EQ(image.symbolAddress("__load_config_used"), 0u) << "the symbols are taken out";
  const uint32_t header = readLe32(image.bytes().data() + pe::headerPointer);
  EXPECT_EQ(readLe32(image.bytes().data() + header + pe::symbolTableField), 0u);
  EXPECT_EQ(image.resource(2, 10), "") << "no plain bitmap 10";
  std::string_view packed = image.resource(10, 10); // RT_RCDATA
  EXPECT_TRUE(inflateBytes(packed, 1 << 20) ==
              readFile(std::string(TEST_SOURCE_DIR) + "/../resources/side.bmp"));
  std::string_view manifest = image.resource(pe::resource::manifestType, 1);
  EXPECT_NE(manifest.find("requireAdministrator"), std::string::npos);
}
#endif

} // namespace
