#include "archive/selfarchive.h"
#include "archive/unzip.h"
#include "installer/rules.h"
#include "installer/startup.h"
#include "tests/archive/zipkit.h"
#include "util/platform.h"
#include "util/tslist.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace {

TEST(ProgramDirectory, DropsTheFileNameAndItsSeparator) {
  struct Case {
    const char* program;
    const char* directory;
    const char* listFile;
  };
  for (const Case& c : std::vector<Case>{
           {"C:\\setup.exe", "C:", "C:\\detected browsers.txt"},
           {"C:\\Downloads\\setup.exe", "C:\\Downloads", "C:\\Downloads\\detected browsers.txt"},
           {"\\\\server\\share\\setup.exe", "\\\\server\\share",
            "\\\\server\\share\\detected browsers.txt"},
           {"setup.exe", "", "\\detected browsers.txt"}}) {
    std::string dir = programDirectory(c.program);
    EXPECT_EQ(dir, c.directory) << c.program;
    EXPECT_EQ(detectedBrowsersPath(dir), c.listFile) << c.program;
  }
}

std::string readAll(const std::string& path) {
  platform::File file = platform::File::openRead(path, platform::Share::readWrite);
  std::string bytes(static_cast<size_t>(std::max<int64_t>(file.size(), 0)), '\0');
  bytes.resize(static_cast<size_t>(
      std::max(file.read(bytes.data(), static_cast<int32_t>(bytes.size())), 0)));
  return bytes;
}

TEST(DetectedBrowsersFile, HoldsThreeLfEndedLinesPerBrowserAndReplacesAnOldFile) {
  std::string path = platform::createUniqueFile(platform::tempDirectory(), "dbt");
  ASSERT_FALSE(path.empty());
  writeDetectedBrowsers(path, std::string(5000, 'x'));
  tsList list;
  for (const char* item :
       {"Mozilla Firefox 1.5.0.1", "C:\\Program Files\\Mozilla Firefox\\firefox.exe",
        "C:\\Program Files\\Mozilla Firefox\\Plugins", "Opera 8.50",
        "c:\\program files\\opera\\Opera.exe", "c:\\program files\\opera\\Program\\Plugins"})
    list.Add(item);
  writeDetectedBrowsers(path, list.GetText());
  std::string bytes = readAll(path);
  EXPECT_EQ(bytes,
            "Mozilla Firefox 1.5.0.1\nC:\\Program Files\\Mozilla Firefox\\firefox.exe\n"
            "C:\\Program Files\\Mozilla Firefox\\Plugins\nOpera 8.50\n"
            "c:\\program files\\opera\\Opera.exe\nc:\\program files\\opera\\Program\\Plugins\n");
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 6);
  EXPECT_EQ(bytes.find('\r'), std::string::npos);
  platform::deleteFile(path);
}

TEST(DetectedBrowsersFile, AnUnwritableDirectoryIsIgnored) {
  std::string path = platform::tempDirectory() + "no such dir 71\\detected browsers.txt";
  writeDetectedBrowsers(path, "a\n"); // must neither crash nor create anything
  EXPECT_FALSE(platform::fileExists(path));
}

TEST(DetectedBrowsersFile, ALinkOfTheNameIsReplacedAndItsTargetLeftAlone) {
  // A link planted under the name must not carry the list into its target.
  // A hard link is made everywhere; a symbolic one where the system lets us.
  zipkit::ScratchDir dir;
  const std::string target = dir / "target.txt";
  const std::string list = dir / "detected browsers.txt";
  using MakeLink = void (*)(const std::string&, const std::string&, std::error_code&);
  struct Link {
    const char* what;
    MakeLink make;
    bool required;
  };
  for (const Link& link :
       std::vector<Link>{{"hard link",
                          [](const std::string&to, const std::string&name, std::error_code&e) {
                            std::filesystem::create_hard_link(zipkit::ScratchDir::fsPath(to),
                                                              zipkit::ScratchDir::fsPath(name), e);
                          },
                          true},
                         {"symbolic link",
                          [](const std::string&to, const std::string&name, std::error_code&e) {
                            std::filesystem::create_symlink(zipkit::ScratchDir::fsPath(to),
                                                            zipkit::ScratchDir::fsPath(name), e);
                          },
                          false}}) {
    ASSERT_TRUE(zipkit::writeFile(target, "the user's own file\n"));
    std::error_code error;
    link.make(target, list, error);
    if (error && !link.required) continue;
    ASSERT_FALSE(error) << link.what << ": " << error.message();
    writeDetectedBrowsers(list, "Opera 8.50\nC:\\Opera\\Opera.exe\nC:\\Opera\\Plugins\n");
    EXPECT_EQ(readAll(target), "the user's own file\n") << link.what;
    EXPECT_EQ(readAll(list), "Opera 8.50\nC:\\Opera\\Opera.exe\nC:\\Opera\\Plugins\n") << link.what;
    platform::deleteFile(list);
  }
}

// An installation is refused while another job runs, and then installs
// nothing; otherwise every entry goes in and nothing is reported.
TEST(InstallPayload, IsRefusedWhileAnotherJobRunsAndInstallsOtherwise) {
  zipkit::ScratchDir home, plugins;
  const std::string path = home / "setup.exe";
  ASSERT_TRUE(zipkit::writeFile(
      path, zipkit::buildZip({zipkit::deflatedEntry("plugins/np.dll", "plug-in")})));
  tArchive archive;
  ASSERT_EQ(readArchive(path, archive), "");
  struct : tReporter {
    void error(const std::string& text) override { errors.push_back(text); }
    std::vector<std::string> errors;
  } reporter;
  {
    ArchiveJob running;
    EXPECT_FALSE(installPayload(archive, plugins.path() + "\\", reporter)) << "another one runs";
    EXPECT_EQ(plugins.contents(), std::vector<std::string>{});
  }
  EXPECT_TRUE(installPayload(archive, plugins.path() + "\\", reporter));
  EXPECT_EQ(plugins.contents(), std::vector<std::string>{"np.dll"});
  EXPECT_EQ(reporter.errors, std::vector<std::string>{});
}

} // namespace
