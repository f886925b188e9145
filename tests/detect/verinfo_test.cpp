// Version texts: formatting the numbers, commas to dots, the file-version
// choice per platform family and the string-table name of a translation.
#include "detect/verinfo.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(FormatVersion, WritesFourUnsignedHalves) {
  EXPECT_EQ(formatVersion(0x00010008, 0x00000001), "1.8.0.1");
  EXPECT_EQ(formatVersion(0, 0), "0.0.0.0");
  EXPECT_EQ(formatVersion(0xFFFFFFFF, 0xFFFF0000), "65535.65535.65535.0");
  EXPECT_EQ(formatVersion(0x80000001, 0x00028000), "32768.1.2.32768");
}

TEST(CommasToDots, ReplacesEveryCommaAndKeepsBlanks) {
  EXPECT_EQ(commasToDots("1, 5, 0, 1"), "1. 5. 0. 1");
  EXPECT_EQ(commasToDots(",,"), "..");
  EXPECT_EQ(commasToDots("1.8.0.1"), "1.8.0.1");
  EXPECT_EQ(commasToDots(""), "");
}

TEST(ChooseFileVersion, PrefersTheNumberExceptWhereTheFamilyPrefersTheString) {
  struct Case {
    const char* numeric;
    const char* text;
    uint32_t platform;
    const char* expected;
  };
  const uint32_t nt = platformWin32NT, w9x = platformWin32Windows;
  for (const Case& c : std::vector<Case>{
           {"1.8.0.0", "1.8.0", nt, "1.8.0.0"},    // XP: the number
           {"1.8.0.0", "1.8.0", w9x, "1.8.0"},     // 98: the three-part string
           {"1.8.0.0", "1.8.0", 0, "1.8.0"},       // Win32s counts as not NT
           {"1.8.0.0", "1,8,0", w9x, "1,8,0"},     // commas are separators too
           {"1.8.0.0", "1.8,0", w9x, "1.8,0"},     // and mixed
           {"1.8.0.1", "1.8.0.1", w9x, "1.8.0.1"}, // three separators: the number
           {"1.8.0.1", "1.8", w9x, "1.8.0.1"},     // one separator: the number
           {"1.8.0.1", "1.8b", w9x, "1.8.0.1"},
           {"0.0.0.0", "1, 5, 0, 1", nt, "1, 5, 0, 1"}, // no number: the string as it is
           {"0.0.0.0", "1, 5, 0, 1", w9x, "1, 5, 0, 1"},
           {"0.0.0.0", "", nt, ""},
           {"1.0.7.0", "1.0.7", nt, "1.0.7.0"},
           {"1.0.7.0", "1.0.7", w9x, "1.0.7"},
           {"", "", nt, ""}, // no resource
           {"", "", w9x, ""},
       }) {
    EXPECT_EQ(chooseFileVersion(c.numeric, c.text, c.platform), c.expected)
        << c.numeric << " / " << c.text << " on " << c.platform;
  }
}

TEST(TranslationText, LanguageThenCodePageInUpperCaseHex) {
  EXPECT_EQ(translationText(0x04E40409), "040904E4");
  EXPECT_EQ(translationText(0x04B00407), "040704B0");
  EXPECT_EQ(translationText(0x00AB0C0D), "0C0D00AB");
  EXPECT_EQ(translationText(0), "00000000");
  EXPECT_EQ(translationText(0xFFFFFFFF), "FFFFFFFF");
}

} // namespace
