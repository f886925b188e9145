#include "util/ansi.h"
#include "util/platform.h"
#include "util/text.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

TEST(AnsiCodePage, HostTableAgreesWithCharLowerBuffOnEveryByte) {
  ASSERT_EQ(GetACP(), 1252u) << "the host rules are those of Windows-1252";
  for (int b = 0; b < 256; ++b) {
    char c = static_cast<char>(b);
    CharLowerBuffA(&c, 1);
    EXPECT_EQ(static_cast<uint8_t>(c), lowerCase1252(static_cast<uint8_t>(b))) << "byte " << b;
  }
}

TEST(AnsiCodePage, HostTableAgreesWithCharUpperBuffOnEveryByte) {
  ASSERT_EQ(GetACP(), 1252u) << "the host rules are those of Windows-1252";
  for (int b = 0; b < 256; ++b) {
    char c = static_cast<char>(b);
    CharUpperBuffA(&c, 1);
    EXPECT_EQ(static_cast<uint8_t>(c), upperCase1252(static_cast<uint8_t>(b))) << "byte " << b;
  }
}

TEST(FileExists, FindsFilesAndDirectoriesButNotWildcardMisses) {
  std::string dir = platform::tempDirectory() + "fe-" + std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(platform::createDirectory(dir));
  EXPECT_TRUE(platform::fileExists(dir));
  EXPECT_FALSE(platform::fileExists(dir + "\\")); // a directory search takes no trailing separator
  EXPECT_FALSE(platform::fileExists(dir + "\\missing.txt"));
  std::string file = dir + "\\present.txt";
  { platform::File f = platform::File::create(file, platform::Share::read); }
  EXPECT_TRUE(platform::fileExists(file));
  EXPECT_TRUE(platform::pathExists(file));
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(platform::fileExists(file));
  EXPECT_FALSE(platform::pathExists(file)); // hidden entries do not count as paths
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(platform::deleteFile(file));
  RemoveDirectoryA(dir.c_str());
}
} // namespace
