// The path rules by which the installer picks the running programs it asks to
// quit before it changes a browser's plug-in directory.
#include "installer/processes.h"
#include "util/text.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ExecutableFolder, DropsTheFileAndTheSeparatorUnlessItIsARoot) {
  struct Case {
    std::string path;
    std::string folder;
  };
  for (const Case& c :
       std::vector<Case>{{"C:\\Program Files\\Opera\\Opera.exe", "C:\\Program Files\\Opera"},
                         {"C:\\a\\x.exe", "C:\\a"},
                         {"C:\\x.exe", "C:\\"},           // a drive's root keeps its separator
                         {"C:x.exe", "C:"},               // the drive's current folder
                         {"\\x.exe", "\\"},               // the root of the current drive
                         {"\\\\x.exe", "\\\\"},           // follows another separator
                         {"C:\\a\\\\x.exe", "C:\\a\\\\"}, // likewise
                         {"\\\\server\\share\\x.exe", "\\\\server\\share"},
                         {"C:\\a\\", "C:\\a"},    // a path that is a folder already
                         {"C:\\a/x.exe", "C:\\"}, // "/" separates nothing here
                         {"Opera.exe", ""},       // a bare file name has no folder
                         {"", ""}}) {
    EXPECT_EQ(executableFolder(c.path), c.folder) << c.path;
  }
}

TEST(RunsFromPathTo, IsAPlainPrefixTestIgnoringCase) {
  const std::string plugins = "C:\\Program Files\\Opera Beta\\Program\\Plugins";
  struct Case {
    std::string exe;
    std::string dir;
    bool runs;
  };
  for (const Case& c : std::vector<Case>{
           {"C:\\Program Files\\Opera Beta\\Opera.exe", plugins, true},      // the browser's folder
           {"C:\\Program Files\\Opera Beta\\Program\\o.exe", plugins, true}, // on the way
           {"C:\\Program Files\\Opera Beta\\Program\\Plugins\\o.exe", plugins, true},
           {"C:\\Program Files\\Opera\\Opera.exe", plugins, true}, // a text prefix only
           {"C:\\Program Files\\Op\\x.exe", plugins, true},
           {"C:\\Program Files\\tool.exe", plugins, true}, // directly in Program Files
           {"C:\\setup.exe", plugins, true},               // the drive's root
           {"C:setup.exe", plugins, true},                 // "C:" begins the directory too
           {"c:\\PROGRAM files\\opera BETA\\OPERA.EXE", plugins, true},
           {"C:\\Program Files\\Opera Beta\\Opera.exe",
            "c:\\program files\\opera beta\\program\\plugins", true},
           {"C:\\Br\xF6wser\\b.exe", "C:\\BR\xD6WSER\\Plugins", true}, // accented letters
           {"C:\\Program Files\\Opera Beta2\\Opera.exe", plugins, false},
           {"C:\\Program Files\\Opera Beta\\Program\\Plugins\\sub\\o.exe", plugins, false},
           {"C:\\Program Files\\Mozilla Firefox\\firefox.exe", plugins, false},
           {"D:\\setup.exe", plugins, false},
           {"Opera.exe", plugins, false}, // the snapshot's bare name on the NT family
           {"", plugins, false},
           {"C:\\Program Files\\Opera\\Opera.exe", "", false}}) {
    EXPECT_EQ(runsFromPathTo(c.exe, upperCase(c.dir)), c.runs) << c.exe << " for " << c.dir;
  }
}

} // namespace
