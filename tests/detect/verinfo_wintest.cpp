// TVersionInfo against the fake browser programs of tests/fixtures, whose
// version resources hold chosen numbers, strings and translation tables.
#include "detect/verinfo.h"
#include "tests/driver/uidriver.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::string fixture(const std::string& name) {
  return uidriver::windowsPath(std::string(FIXTURE_DIR) + "/fx-" + name + ".exe");
}

struct VersionCase {
  const char* fixture;
  const char* translation;
  const char* fileVersionNT;
  const char* fileVersion9x;
  const char* productVersion;
  const char* fileVersionString; // GetStringValue("FileVersion")
};

TEST(TVersionInfo, ReadsTheVersionsOfEachFixture) {
  for (const VersionCase& c : std::vector<VersionCase>{
           {"ff107", "040904E4", "1.0.7", "1.0.7", "1.0.7", "1.0.7"},
           {"ff107num", "040904E4", "1.0.7.0", "1.0.7", "1.0.7", "1.0.7"},
           {"ff15", "040904E4", "1.8.0.1", "1.8.0.1", "1.5.0.1", "1.8.0.1"},
           {"ff14beta", "040904E4", "1.8b4", "1.8b4", "1.4", "1.8b4"},
           // The suite's string has two dots before its build id: 9x takes it.
           {"mozilla1712", "040904E4", "1.7.12.0", "1.7.12: 2005091517", "1.7.12: 2005091517",
            "1.7.12: 2005091517"},
           // No translation table: the string table is looked up as 040904E4.
           {"kmeleon09", "040904E4", "0.9.0.0", "0.9.0.0", "0.9", "0.9"},
           {"opera850", "040704E4", "8.50.0.0", "8.50.0.0", "8.50", "8.50"},
           // Commas and blanks: the string as stored, when the number is 0.0.0.0.
           {"commas", "040904E4", "1, 5, 0, 1", "1, 5, 0, 1", "1, 5, 0, 1", "1, 5, 0, 1"},
           // A three-part string beside 1.8.0.0: the 9x family takes the string.
           {"threepart", "040904E4", "1.8.0.0", "1.8.0", "1.8.0", "1.8.0"},
           // Numbers only: the product version falls back to them.
           {"numbersonly", "040904E4", "2.0.0.11", "2.0.0.11", "3.1.4.15", ""},
           // Only the first translation counts.
           {"twotranslations", "040704E4", "1.0.0.0", "1.0.0.0", "de", ""},
           {"maxnumbers", "040904E4", "65535.65535.65535.65535", "65535.65535.65535.65535",
            "65535.0.1.65534", ""},
       }) {
    SCOPED_TRACE(c.fixture);
    TVersionInfo info(fixture(c.fixture));
    EXPECT_TRUE(info.Valid());
    EXPECT_GT(info.InfoSize(), 0);
    EXPECT_EQ(info.FileName(), fixture(c.fixture));
    EXPECT_EQ(info.Translation(), c.translation);
    EXPECT_EQ(info.GetFileVersion(platformWin32NT), c.fileVersionNT);
    EXPECT_EQ(info.GetFileVersion(platformWin32Windows), c.fileVersion9x);
    EXPECT_EQ(info.GetFileVersion(), c.fileVersionNT); // Wine reports the NT family
    EXPECT_EQ(info.GetProductVersion(), c.productVersion);
    EXPECT_EQ(info.GetStringValue("FileVersion"), c.fileVersionString);
    EXPECT_EQ(info.GetStringValue("NoSuchEntry"), "");
  }
}

TEST(TVersionInfo, CommaVersionsBecomeDottedButKeepTheirBlanks) {
  TVersionInfo info(fixture("commas"));
  EXPECT_EQ(commasToDots(info.GetFileVersion()), "1. 5. 0. 1");
}

TEST(TVersionInfo, NumbersComeFromTheFixedBlock) {
  TVersionInfo info(fixture("numbersonly"));
  const VS_FIXEDFILEINFO* fixed = info.GetFixedInfo();
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  tVersionNumbers file = info.GetFileVersionNumbers();
  EXPECT_EQ(file.mostSignificant, 0x00020000u);
  EXPECT_EQ(file.leastSignificant, 0x0000000Bu);
  tVersionNumbers product = info.GetProductVersionNumbers();
  EXPECT_EQ(product.mostSignificant, 0x00030001u);
  EXPECT_EQ(product.leastSignificant, 0x0004000Fu);
}

TEST(TVersionInfo, FilesWithoutAResourceHaveEmptyVersions) {
  for (const std::string& path : {fixture("noresource"), fixture("does-not-exist"), std::string(),
                                  uidriver::windowsPath(FIXTURE_DIR)}) {
    SCOPED_TRACE(path);
    TVersionInfo info(path);
    EXPECT_FALSE(info.Valid());
    EXPECT_EQ(info.Translation(), "");
    EXPECT_EQ(info.GetFixedInfo(), nullptr);
    EXPECT_EQ(info.GetFileVersionNumbers().mostSignificant, 0u);
    EXPECT_EQ(info.GetStringValue("FileVersion"), "");
    EXPECT_EQ(info.GetFileVersion(platformWin32NT), "");
    EXPECT_EQ(info.GetFileVersion(platformWin32Windows), "");
    EXPECT_EQ(info.GetProductVersion(), "");
  }
}

TEST(TVersionInfo, ReadsTheInstallersOwnResource) {
  TVersionInfo info(uidriver::windowsPath(INSTALLER_EXE));
  EXPECT_TRUE(info.Valid());
  EXPECT_EQ(info.GetFileVersion(), "1.0.0.0");
  EXPECT_EQ(info.GetStringValue("ProductName"), "Vorlixa Plugin");
}

} // namespace
