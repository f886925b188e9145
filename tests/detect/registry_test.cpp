// The registry reader's renderings of value data, its registry view and the
// joining of enumerated names.
#include "detect/registry.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace std::string_literals;

TEST(RenderRegistryValue, RendersEachTypeItReads) {
  struct Case {
    uint32_t type;
    std::string data;
    std::string expected;
  };
  for (const Case& c : std::vector<Case>{
           {regTypeSz, "abc\0"s, "abc"},
           {regTypeSz, "abc", "ab"}, // stored without its zero: the last byte goes
           {regTypeSz, "", ""},
           {regTypeSz, "\0"s, ""},
           {regTypeSz, "a\0b\0"s, "a\0b"s}, // size - 1 bytes, zeros and all
           {regTypeExpandSz, "%TEMP%\\x\0"s, "%TEMP%\\x"},
           {regTypeExpandSz, "", ""},
           {regTypeDword, "\xFF\xFF\xFF\xFF", "-1"},
           {regTypeDword, "\x2A\0\0\0"s, "42"},
           {regTypeDword, "\0\0\0\0"s, "0"},
           {regTypeDword, "\0\0\0\x80"s, "-2147483648"},
           {regTypeDword, "\xFF\xFF\xFF\x7F", "2147483647"},
           {regTypeDword, "\x10\x27\0\0"s, "10000"},
           {regTypeDword, "\x01\x02", "513"},                   // short: high bytes 0
           {regTypeDword, "", "0"},                             // nothing stored
           {regTypeDword, "\x2A\0\0\0\xFF\xFF\xFF\xFF"s, "42"}, // long: the first four
           {regTypeBinary, "\x2A\0\0\0"s, "42"},
           {regTypeBinary, "\xFF\xFF\xFF\xFF", "-1"},
           {regTypeBinary, "\x01\xAB", "0x01ab"},
           {regTypeBinary, "", "0x"},
           {regTypeBinary, "\x00\xFF\x10"s, "0x00ff10"},
           {regTypeBinary, "\x01\x02\x03\x04\x05", "0x0102030405"},
           {0, "abc\0"s, ""},               // REG_NONE
           {5, "\0\0\0\x2A"s, ""},          // REG_DWORD_BIG_ENDIAN
           {6, "x\0"s, ""},                 // REG_LINK
           {7, "a\0b\0\0"s, ""},            // REG_MULTI_SZ
           {11, "\x2A\0\0\0\0\0\0\0"s, ""}, // REG_QWORD
       }) {
    EXPECT_EQ(renderRegistryValue(c.type, c.data), c.expected)
        << "type " << c.type << " data " << testing::PrintToString(c.data);
  }
}

TEST(RegistryViewFor, SixtyFourBitViewFromVistaOn) {
  EXPECT_EQ(registryViewFor(4), 0u);
  EXPECT_EQ(registryViewFor(5), 0u);
  EXPECT_EQ(registryViewFor(6), 0x0100u);
  EXPECT_EQ(registryViewFor(10), 0x0100u);
  EXPECT_EQ(registryViewFor(0), 0u); // the system did not answer
  EXPECT_EQ(registryViewFor(-1), 0u);
}

TEST(RegistryView, OnlyThe64BitViewHasA32BitViewBesideIt) {
  EXPECT_EQ(secondRegistryView(0x0100), 0x0200u); // KEY_WOW64_64KEY, then KEY_WOW64_32KEY
  EXPECT_EQ(secondRegistryView(0), 0u);           // Windows XP and older: one view only
  EXPECT_EQ(secondRegistryView(0x0200), 0u);
}

TEST(WithoutLeadingBackslash, DropsOnlyOne) {
  EXPECT_EQ(withoutLeadingBackslash("\\Software\\Mozilla"), "Software\\Mozilla");
  EXPECT_EQ(withoutLeadingBackslash("\\\\Software"), "\\Software");
  EXPECT_EQ(withoutLeadingBackslash("Software\\"), "Software\\");
  EXPECT_EQ(withoutLeadingBackslash("\\"), "");
  EXPECT_EQ(withoutLeadingBackslash(""), "");
}

} // namespace
