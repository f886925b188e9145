// The real installer on a computer with one browser of every family: it
// writes "detected browsers.txt" beside itself, byte for byte, stops at the
// archive check (it is run without an archive) or at its window, and leaves
// the registry exactly as it found it.
#include "tests/detect/machine.h"
#include "tests/detect/testregistry.h"
#include "tests/driver/process.h"
#include "tests/driver/uidriver.h"

#include <gtest/gtest.h>

namespace {

using namespace uidriver;

// Answers whatever the installer shows first: the archive check's error box,
// or, once there is an archive check that passes, the window's Cancel button.
void answerFirstWindow(Process& installer) {
  for (int waited = 0; waited < 20000; waited += 100) {
    for (const WindowInfo& w : topLevelWindows(installer.id())) {
      if (!w.visible) continue;
      if (w.className == "#32770") {
        EXPECT_EQ(readMessageBox(w.handle).caption, "Install Error");
        EXPECT_TRUE(clickControl(w.handle, "OK"));
        return;
      }
      if (w.className == "62RUZ INSTALL") {
        EXPECT_TRUE(clickControl(w.handle, "Cancel"));
        return;
      }
    }
    Sleep(100);
  }
  ADD_FAILURE() << "the installer showed neither a message box nor its window";
}

TEST(DetectedBrowsers, AreWrittenBesideTheProgramAndTheRegistryStaysUnchanged) {
  machine::Installed installed(machine::typicalMachine(), "e2e-browsers");
  ASSERT_TRUE(installed.ok());
  std::string expected;
  for (const std::string& line : machine::typicalMachineBrowsers())
    expected += installed.expand(line) + "\n";

  std::string machineBefore = testregistry::snapshot(HKEY_LOCAL_MACHINE, "Software");
  std::string userBefore = testregistry::snapshot(HKEY_CURRENT_USER, "Software");

  std::string dir = makeTempDir("e2e-setup");
  std::string setup = dir + "\\setup.exe";
  ASSERT_TRUE(copyFile(windowsPath(INSTALLER_EXE), setup));
  Process installer = Process::start("\"" + setup + "\"", dir);
  ASSERT_TRUE(installer.running());
  answerFirstWindow(installer);
  EXPECT_EQ(installer.wait(20000), 0u);

  EXPECT_EQ(readFile(dir + "\\detected browsers.txt"), expected);
  EXPECT_EQ(testregistry::snapshot(HKEY_LOCAL_MACHINE, "Software"), machineBefore);
  EXPECT_EQ(testregistry::snapshot(HKEY_CURRENT_USER, "Software"), userBefore);
  removeTree(dir);
}

} // namespace
