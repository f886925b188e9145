#include "util/text.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(Pos, FindsFirstOccurrenceOneBased) {
  struct Case {
    const char* sub;
    const char* text;
    int expected;
  };
  for (const Case& c : std::vector<Case>{{"b", "abcb", 2},
                                         {"abc", "abc", 1},
                                         {"c", "abc", 3},
                                         {"x", "abc", 0},
                                         {"", "abc", 0},
                                         {"", "", 0},
                                         {"abcd", "abc", 0},
                                         {"A", "abc", 0}}) {
    EXPECT_EQ(pos(c.sub, c.text), c.expected) << c.sub << " in " << c.text;
  }
}

TEST(Trim, DropsControlCharactersAndBlanksAtBothEnds) {
  EXPECT_EQ(trim(" \t\r\n a b \x01\x20"), "a b");
  EXPECT_EQ(trim("   "), "");
  EXPECT_EQ(trim(""), "");
  EXPECT_EQ(trim("\xA0x\xA0"), "\xA0x\xA0"); // above 32: kept
}

TEST(LowerCase, FollowsTheAnsiCodePage) {
  EXPECT_EQ(lowerCase("Mozilla FIREFOX 1.5"), "mozilla firefox 1.5");
  EXPECT_EQ(lowerCase("\xC0\xDE\xD7\x8A\x9F"), "\xE0\xFE\xD7\x9A\xFF");
  EXPECT_EQ(lowerCase(std::string("A\0B", 3)), std::string("a\0b", 3));
}

TEST(UpperCase, FollowsTheAnsiCodePage) {
  struct Case {
    std::string text;
    std::string expected;
  };
  for (const Case& c :
       std::vector<Case>{{"c:\\program files\\opera beta", "C:\\PROGRAM FILES\\OPERA BETA"},
                         {"Mixed Case 1.5", "MIXED CASE 1.5"},
                         {"\xE0\xF6\xFE", "\xC0\xD6\xDE"},         // accented letters
                         {"\xF7", "\xF7"},                         // the division sign is no letter
                         {"\x9A\x9C\x9E\xFF", "\x8A\x8C\x8E\x9F"}, // caron letters, oe, y diaeresis
                         {"\xB5\xDF", "\xB5\xDF"},                 // no capital in the code page
                         {std::string("a\0b", 3), std::string("A\0B", 3)},
                         {"", ""}}) {
    EXPECT_EQ(upperCase(c.text), c.expected) << c.text;
  }
}

// Every letter the one rule changes, the other changes back: the two tables
// describe the same pairs of the code page.
TEST(UpperCase, UndoesLowerCaseOnEveryLetter) {
  for (int b = 0; b < 256; ++b) {
    std::string byte(1, static_cast<char>(b));
    if (lowerCase(byte) != byte) {
      EXPECT_EQ(upperCase(lowerCase(byte)), byte) << "byte " << b;
    }
    if (upperCase(byte) != byte) {
      EXPECT_EQ(lowerCase(upperCase(byte)), byte) << "byte " << b;
    }
  }
}

// Splits the whole text as the callers do: while the position is in the text.
std::vector<std::string> tokens(const std::string& text, char separator) {
  std::vector<std::string> result;
  int position = 0;
  while (position <= static_cast<int>(text.size()) && (position > 0 || !text.empty()))
    result.push_back(nextToken(text, position, separator));
  return result;
}

TEST(NextToken, SplitsAtEverySeparator) {
  using V = std::vector<std::string>;
  EXPECT_EQ(tokens("a b c", ' '), (V{"a", "b", "c"}));
  EXPECT_EQ(tokens("a  b", ' '), (V{"a", "", "b"}));
  EXPECT_EQ(tokens("a ", ' '), (V{"a"}));
  EXPECT_EQ(tokens(" a", ' '), (V{"", "a"}));
  EXPECT_EQ(tokens("abc", ' '), (V{"abc"}));
  EXPECT_EQ(tokens("", ' '), V{});
}

TEST(NextToken, MovesThePositionPastOneSeparator) {
  int position = 0; // taken as 1
  EXPECT_EQ(nextToken("ab,cd,", position, ','), "ab");
  EXPECT_EQ(position, 4);
  EXPECT_EQ(nextToken("ab,cd,", position, ','), "cd");
  EXPECT_EQ(position, 7);
  EXPECT_EQ(nextToken("ab,cd,", position, ','), "");
}

TEST(NextQuotedToken, DropsQuotesAndKeepsSeparatorsInside) {
  struct Case {
    const char* text;
    const char* separators;
    const char* expected;
    int positionAfter;
  };
  for (const Case& c : std::vector<Case>{
           {"\"Netscape\")", ")", "Netscape", 12},
           {"plain)rest", ")", "plain", 7},
           {"'a)b')", ")", "a)b", 7},
           {"\"it's\")", ")", "it's", 8},
           {"'say \"hi\"'", ")", "say \"hi\"", 11},
           {"a b", "", "a", 3},
           {"\"open", ")", "open", 6},
           {"ab", ")", "ab", 3},
       }) {
    int position = 1;
    EXPECT_EQ(nextQuotedToken(c.text, position, c.separators), c.expected) << c.text;
    EXPECT_EQ(position, c.positionAfter) << c.text;
  }
}

TEST(TokenInt, ReadsDecimalAndHexWithTheFallbackRules) {
  struct Case {
    const char* text;
    int32_t expected;
  };
  for (const Case& c : std::vector<Case>{{"7", 7},
                                         {"7b", 7},
                                         {"-3x", 3},
                                         {"-3", -3},
                                         {"+12", 12},
                                         {"", 0},
                                         {"x1", 0},
                                         {" 42 ", 42},
                                         {"$ff", 255},
                                         {"$1g", 1},
                                         {"$", 0},
                                         {"-", 0},
                                         {"2147483647", 2147483647},
                                         {"-2147483648", INT32_MIN},
                                         {"0000000000019", 1}, // cut to 12 characters
                                         {"1 2", 1}}) {
    int position = 1;
    EXPECT_EQ(tokenInt(c.text, position, '.'), c.expected) << c.text;
  }
}

TEST(TokenInt, ReadsConsecutiveFieldsOfAVersion) {
  int position = 1;
  EXPECT_EQ(tokenInt("1.8.0.1", position, '.'), 1);
  EXPECT_EQ(tokenInt("1.8.0.1", position, '.'), 8);
  EXPECT_EQ(position, 5);
  EXPECT_EQ(tokenInt("1.8.0.1", position, '.'), 0);
  EXPECT_EQ(tokenInt("1.8.0.1", position, '.'), 1);
}

TEST(HexDigits, GivesTheLowDigitsMostSignificantFirst) {
  EXPECT_EQ(hexDigits(0x0123ABCD, 8, false), "0123abcd");
  EXPECT_EQ(hexDigits(0x0123ABCD, 8, true), "0123ABCD");
  EXPECT_EQ(hexDigits(0xFFFFFFFF, 8, true), "FFFFFFFF");
  EXPECT_EQ(hexDigits(0x5A, 4, false), "005a");
  EXPECT_EQ(hexDigits(0xABC, 2, true), "BC");
  EXPECT_EQ(hexDigits(0, 1, false), "0");
}

TEST(Paths, ExtractFilePathKeepsTheLastDelimiter) {
  struct Case {
    const char* path;
    const char* expected;
  };
  for (const Case& c : std::vector<Case>{{"C:\\Apps\\Firefox\\firefox.exe", "C:\\Apps\\Firefox\\"},
                                         {"C:\\setup.exe", "C:\\"},
                                         {"C:setup.exe", "C:"},
                                         {"setup.exe", ""},
                                         {"a/b", ""},
                                         {"\\\\server\\share\\x", "\\\\server\\share\\"},
                                         {"", ""}}) {
    EXPECT_EQ(extractFilePath(c.path), c.expected) << c.path;
  }
}

TEST(Paths, ExcludeTrailingDelimiterRemovesOneSeparator) {
  struct Case {
    const char* path;
    const char* expected;
  };
  for (const Case& c : std::vector<Case>{{"C:\\", "C:"},
                                         {"C:\\dir\\", "C:\\dir"},
                                         {"C:\\dir\\\\", "C:\\dir\\"},
                                         {"a/b/", "a/b"},
                                         {"C:\\dir", "C:\\dir"},
                                         {"\\", ""},
                                         {"", ""}}) {
    EXPECT_EQ(excludeTrailingDelimiter(c.path), c.expected) << c.path;
  }
}

} // namespace
