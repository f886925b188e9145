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
  ASSERT_TRUE(copyFile(windowsPath(INSTALLER_EXE), setup));

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
  ASSERT_TRUE(copyFile(windowsPath(INSTALLER_EXE), setup));
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

TEST(NoBrowser, UnattendedEndsWithExitCode3AndNoWindow) {
  testfiles::ScratchDir scratch("nobrowser-silent");
  const std::string& dir = scratch.path();
  std::string setup = dir + "\\setup.exe";
  ASSERT_TRUE(copyFile(windowsPath(INSTALLER_EXE), setup));

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
