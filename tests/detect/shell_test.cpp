// The command-line rules by which the installer builds the command that opens
// its start address: the program part of an association's command, the
// address in place of "%1", and a program path with the address after it.
#include "detect/shell.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const std::string url = "http://www.example.com/vorlixa/installed.html";

TEST(ProgramFromCommandLine, EndsAtTheClosingQuoteOrTheFirstBlank) {
  struct Case {
    std::string cmd;
    std::string program;
  };
  for (const Case& c : std::vector<Case>{
           {"\"C:\\Program Files\\Opera\\Opera.exe\" \"%1\"",
            "C:\\Program Files\\Opera\\Opera.exe"},
           {"\"C:\\Program Files\\Opera\\Opera.exe", "C:\\Program Files\\Opera\\Opera.exe"},
           {"C:\\Program Files\\Opera\\Opera.exe -url %1", "C:\\Program"}, // cut at the blank
           {"C:\\Opera\\Opera.exe", "C:\\Opera\\Opera.exe"},
           {"C:\\x.exe\"y\" z", "C:\\x.exe\"y\""}, // a quote inside is an ordinary character
           {"\"\" x.exe", ""},
           {" x.exe", ""},
           {"", ""}}) {
    EXPECT_EQ(programFromCommandLine(c.cmd), c.program) << c.cmd;
  }
}

TEST(CommandWithUrl, PutsTheAddressAtTheFirstPercentOneAfterTheStart) {
  struct Case {
    std::string cmd;
    std::string address;
    std::string expected; // empty: the command is not used
  };
  for (const Case& c : std::vector<Case>{
           {"\"C:\\Apps\\b.exe\" \"%1\"", url, "\"C:\\Apps\\b.exe\" \"" + url + "\""},
           {"b.exe -url %1 -new", url, "b.exe -url " + url + " -new"},
           {"b.exe %1 %1", url, "b.exe " + url + " %1"},     // the first only
           {"b.exe %1", "http://x/%1", "b.exe http://x/%1"}, // the address is not searched
           {"b.exe %%1", url, "b.exe %" + url},
           {"x%1", url, "x" + url}, // position 2 is the first allowed
           {"b.exe \"%1\"", "", "b.exe \"\""},
           {"%1", url, ""}, // at position 1
           {"%1 -new", url, ""},
           {"b.exe -nohome", url, ""}, // no "%1"
           {"b.exe %2", url, ""},
           {"", url, ""}}) {
    EXPECT_EQ(commandWithUrl(c.cmd, c.address), c.expected) << c.cmd;
  }
}

TEST(CommandLineUrl, EncodesWhatWouldSplitTheArgumentOrMakeAnOption) {
  struct Case {
    std::string url;
    std::string expected;
  };
  for (const Case& c :
       std::vector<Case>{{url, url}, // a valid address is left alone, "%" and all
                         {"http://x/a%20b?q=1&r=%22#top", "http://x/a%20b?q=1&r=%22#top"},
                         {"", ""},
                         {"http://x/a b", "http://x/a%20b"},
                         {"http://x/\" -new-window", "http://x/%22%20-new-window"},
                         {"http://x/\tq\x01\x7F", "http://x/%09q%01%7F"},
                         {"-new-window", "%2Dnew-window"}, // only a leading "-" or "/" is an option
                         {"/safe-mode", "%2Fsafe-mode"},
                         {"http://x/\xE9t\xE9", "http://x/\xE9t\xE9"}}) { // ANSI letters stay
    EXPECT_EQ(commandLineUrl(c.url), c.expected) << c.url;
  }
}

TEST(ProgramCommand, QuotesAProgramWithABlank) {
  struct Case {
    std::string program;
    std::string argument;
    std::string expected;
  };
  for (const Case& c :
       std::vector<Case>{{"C:\\Program Files\\Opera\\Opera.exe", url,
                          "\"C:\\Program Files\\Opera\\Opera.exe\" " + url},
                         {"C:\\Opera\\Opera.exe", url, "C:\\Opera\\Opera.exe " + url},
                         {"C:\\Opera\\Opera.exe", "", "C:\\Opera\\Opera.exe "}, // one blank stays
                         {"", url, " " + url}}) { // no association: a command that cannot start
    EXPECT_EQ(programCommand(c.program, c.argument), c.expected) << c.program;
  }
}

} // namespace
