// The real installer, started like a user would start it, on a computer
// where no browser is registered.
#include "tests/driver/process.h"
#include "tests/driver/uidriver.h"
#include "tests/driver/windowwatch.h"
#include "tests/e2e/installer.h"

#include <gtest/gtest.h>

namespace {

using namespace uidriver;

TEST(NoBrowser, ShowsOneOwnerlessErrorBoxAndWritesNothing) {
  testfiles::ScratchDir scratch("nobrowser");
  const std::string& dir = scratch.path();
  std::string setup = dir + "\\setup.exe";
  ASSERT_TRUE(copyFile(windowsPath(e2e::programUnderTest()), setup));

  Process installer = Process::start("\"" + setup + "\"", dir);
  ASSERT_TRUE(installer.running());
  MessageBoxInfo info;
  HWND box = e2e::waitForLoneErrorBox(installer, info);
  ASSERT_NE(box, nullptr) << "no message box appeared";
  EXPECT_EQ(info.text, "No compatible web browsers could be located on your computer");
  EXPECT_FALSE(info.informationIcon);

  ASSERT_TRUE(clickControl(box, "OK"));
  EXPECT_EQ(installer.wait(20000), 3u) << "no compatible browser";
  EXPECT_EQ(GetFileAttributesA((dir + "\\detected browsers.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(NoBrowser, LeavesAnExistingDetectedBrowsersFileUntouched) {
  testfiles::ScratchDir scratch("nobrowser-old");
  const std::string& dir = scratch.path();
  std::string setup = dir + "\\setup.exe";
  ASSERT_TRUE(copyFile(windowsPath(e2e::programUnderTest()), setup));
  std::string old = "Old Browser 1.0\nC:\\old.exe\nC:\\old\\Plugins\n";
  ASSERT_TRUE(writeFile(dir + "\\detected browsers.txt", old));

  Process installer = Process::start("\"" + setup + "\" \"" + dir + "\\missing.zip\"", dir);
  HWND box = waitForWindow(installer.id(), "#32770", "Install Error", 20000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(readMessageBox(box).text,
            "No compatible web browsers could be located on your computer");
  ASSERT_TRUE(clickControl(box, "OK"));
  EXPECT_EQ(installer.wait(20000), 3u) << "no compatible browser";
  EXPECT_EQ(readFile(dir + "\\detected browsers.txt"), old);
}

// Detection finds one browser, and its program is of the other machine type
// than the plug-in library: the same box, after the file and the archive
// check, and no window.
TEST(NoBrowser, NoneThatCanLoadThePluginShowsTheSameBox) {
  using namespace machine;
  e2e::Session s("nobrowser-machine",
                 Layout{{geckoVersion(moz32 + "Mozilla Firefox", "52.9.0 (x86 en-US)",
                                      "%ROOT%\\Firefox 52\\firefox.exe")},
                        {program("Firefox 52\\firefox.exe", "ff529")}},
                 {}, e2e::samplePayload(), e2e::comment(e2e::firefoxAgent, e2e::startUrl));
  ASSERT_TRUE(s.ok());
  s.start(false);
  MessageBoxInfo info;
  HWND box = e2e::waitForLoneErrorBox(s.process(), info);
  ASSERT_NE(box, nullptr) << "no message box appeared";
  EXPECT_EQ(info.text, "No compatible web browsers could be located on your computer");
  ASSERT_TRUE(clickControl(box, "OK"));
  EXPECT_EQ(s.finish(), 3u) << "no compatible browser";
  EXPECT_EQ(readFile(s.root() + "\\detected browsers.txt"),
            s.expand("Mozilla Firefox 52.9.0\n%ROOT%\\Firefox 52\\firefox.exe\n"
                     "%ROOT%\\Firefox 52\\Plugins\n"));
}

TEST(NoBrowser, UnattendedEndsWithExitCode3AndNoWindow) {
  testfiles::ScratchDir scratch("nobrowser-silent");
  const std::string& dir = scratch.path();
  std::string setup = dir + "\\setup.exe";
  ASSERT_TRUE(copyFile(windowsPath(e2e::programUnderTest()), setup));

  Process installer = Process::startHeld("\"" + setup + "\" /S \"/LOG=" + dir + "\\x.log\"", dir);
  WindowWatch watch(installer.id());
  ASSERT_TRUE(watch.ok());
  installer.resume();
  EXPECT_EQ(watch.waitForExit(installer, 30000), 3u) << "no compatible browser";
  EXPECT_EQ(watch.windows(), std::vector<std::string>{});
  EXPECT_NE(readFile(dir + "\\x.log")
                .find("  error: No compatible web browsers could be located on your computer\r\n"
                      "Exit code: 3\r\n"),
            std::string::npos);
}

} // namespace
