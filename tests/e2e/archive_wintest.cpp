// The real installer with its archive damaged in each way the archive check
// knows: it shows the one exact "Install Error" box, without an owner and
// without its window, and ends. A Netscape Navigator is registered for these
// tests (the check runs only when a browser is found) and removed afterwards.
#include "archive/zipformat.h"
#include "installer/texts.h"
#include "tests/archive/zipkit.h"
#include "tests/detect/machine.h"
#include "tests/driver/process.h"
#include "tests/driver/uidriver.h"
#include "tests/e2e/installer.h"
#include "tests/util/wait.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace uidriver;

// A Netscape Navigator 4.79 installed in the layout's folder.
machine::Layout navigatorOnly() {
  using machine::nav;
  return {{machine::lm(nav, "CurrentVersion", "4.79 (en)"),
           machine::lm(nav + "\\4.79 (en)\\Main", "Install Directory", "%ROOT%\\Program"),
           machine::lm(nav + "\\4.79 (en)\\Main", "Plugins Directory", "%ROOT%\\Program\\Plugins")},
          {}};
}

// Position of the end record: the last "PK\5\6" in the file.
size_t endRecord(const std::string& bytes) {
  return bytes.rfind(std::string("PK\5\6", 4));
}

class DamagedArchive : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(navigator.ok());
    setup = readFile(windowsPath(SETUP_EXE));
    ASSERT_NE(endRecord(setup), std::string::npos) << "the sample setup has no archive";
  }

  // Runs program (with an optional argument) and returns the text of its one
  // error box after checking how it looks and calling whileShown; the box is
  // answered and the program must then end. With beforeRun the program is
  // started suspended, and runs once that is done.
  std::string errorShownBy(const std::string& bytes, const std::string& argument = "",
                           const std::function<void()>& whileShown = nullptr,
                           const std::function<void()>& beforeRun = nullptr) {
    std::string program = dir + "\\setup.exe";
    EXPECT_TRUE(writeFile(program, bytes));
    std::string command = "\"" + program + "\"";
    if (!argument.empty()) command += " \"" + argument + "\"";
    Process installer = beforeRun ? Process::startHeld(command, dir) : Process::start(command, dir);
    EXPECT_TRUE(installer.running());
    if (beforeRun) {
      beforeRun();
      installer.resume();
    }
    MessageBoxInfo info;
    HWND box = e2e::waitForLoneErrorBox(installer, info);
    if (!box) {
      ADD_FAILURE() << "no message box appeared";
      return {};
    }
    if (whileShown) whileShown();
    EXPECT_TRUE(clickControl(box, "OK"));
    EXPECT_EQ(installer.wait(20000), 4u) << "archive missing, damaged or unreadable";
    // The browser was found and recorded before the archive was checked;
    // a program that is not its own file any more stops before that.
    EXPECT_EQ(readFile(dir + "\\detected browsers.txt").find("Netscape Navigator 4.79 (en)") !=
                  std::string::npos,
              !beforeRun);
    return info.text;
  }

  machine::Installed navigator{navigatorOnly(), "damaged"};
  const std::string& dir = navigator.root();
  std::string setup;
};

TEST_F(DamagedArchive, EachDamageShowsItsMessage) {
  struct Case {
    const char* what;
    std::function<void(std::string&)> damage;
    const char* message;
  };
  const char* incomplete = "File appears to be incomplete - unable to locate master catalog";
  std::vector<Case> cases = {
      {"end record cut off", [](std::string& b) { b.resize(endRecord(b)); }, incomplete},
      {"comment of 2027 bytes",
       [](std::string& b) {
         size_t end = endRecord(b);
         b.resize(end + 22);
         b += std::string(2027, 'c');
         zipkit::set16(b, end + zipkit::endCommentLength, 2027);
       },
       incomplete},
      {"catalog offset beyond the program",
       [](std::string& b) {
         zipkit::set32(b, endRecord(b) + zipkit::endCatalogOffset, 0x7FFFFFF0);
       },
       "File appears to be corrupt"},
      {"catalog record without its signature",
       [](std::string& b) {
         size_t end = endRecord(b);
         b[end - readLe32(b.data() + end + zipkit::endCatalogSize) + 2] = 'X';
       },
       "File appears to be corrupt - header missing"},
  };
  for (const Case& c : cases) {
    std::string bytes = setup;
    c.damage(bytes);
    EXPECT_EQ(errorShownBy(bytes), c.message) << c.what;
  }
}

TEST_F(DamagedArchive, TheArchiveIsClosedWhileItsErrorShows) {
  // A damaged archive named on the command line: while its box is up, nothing
  // holds it open, so the user may replace or delete it.
  std::string archive = dir + "\\damaged.zip";
  auto exclusiveOpenWorks = [&] {
    EXPECT_TRUE(openFile(archive, GENERIC_READ | GENERIC_WRITE, 0))
        << "the installer still holds the archive";
  };
  std::string noEnd = setup.substr(0, endRecord(setup));
  std::string badBase = setup;
  zipkit::set32(badBase, endRecord(badBase) + zipkit::endCatalogOffset, 0x7FFFFFF0);
  for (const std::string& bytes : {noEnd, badBase}) {
    ASSERT_TRUE(writeFile(archive, bytes));
    EXPECT_FALSE(errorShownBy(setup, archive, exclusiveOpenWorks).empty());
  }
}

TEST_F(DamagedArchive, ASetupRenamedAndReplacedBeforeItRunsReadsNoOtherFile) {
  // Started, then renamed aside with another setup put under its name before
  // it has read anything: the same bytes, but not the file it was loaded
  // from, so it installs nothing from it.
  std::string program = dir + "\\setup.exe";
  auto swap = [&] {
    ASSERT_TRUE(MoveFileA(program.c_str(), (program + ".old").c_str()));
    ASSERT_TRUE(writeFile(program, setup));
  };
  EXPECT_EQ(errorShownBy(setup, "", nullptr, swap), "unable to load archive");
  DeleteFileA((program + ".old").c_str());
}

TEST_F(DamagedArchive, AnArgumentNamingNoFileIsNotReplacedByTheOwnArchive) {
  EXPECT_EQ(errorShownBy(setup, dir + "\\missing.zip"), "unable to load archive");
}

TEST_F(DamagedArchive, AnArgumentNamingAFolderFindsNoCatalog) {
  EXPECT_EQ(errorShownBy(setup, dir),
            "File appears to be incomplete - unable to locate master catalog");
}

TEST_F(DamagedArchive, ANamedArchiveCannotBeRewrittenOrRenamedWhileTheWindowWaits) {
  std::string archive = dir + "\\payload.zip"; // a setup.exe holds a whole archive
  std::string program = dir + "\\setup.exe";
  ASSERT_TRUE(writeFile(archive, setup));
  ASSERT_TRUE(writeFile(program, setup));
  Process installer = Process::start("\"" + program + "\" \"" + archive + "\"", dir);
  HWND window = waitForWindow(installer.id(), installerClassName, "", 30000);
  ASSERT_NE(window, nullptr) << "the installer's window did not open";
  DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  EXPECT_FALSE(openFile(archive, GENERIC_WRITE, all)) << "rewritable in place";
  EXPECT_FALSE(MoveFileA(archive.c_str(), (archive + ".old").c_str())) << "renamable";
  EXPECT_TRUE(openFile(archive, GENERIC_READ, FILE_SHARE_READ)) << "others may read it";
  EXPECT_TRUE(waitUntil([&] { return clickControl(window, "Cancel"); }, std::chrono::seconds(20)));
  EXPECT_NE(installer.wait(30000), STILL_ACTIVE);
}

TEST_F(DamagedArchive, AnIntactArchiveShowsNoError) {
  std::string program = dir + "\\setup.exe";
  ASSERT_TRUE(writeFile(program, setup));
  Process installer = Process::start("\"" + program + "\"", dir);
  ASSERT_TRUE(installer.running());
  // The check passes: the window opens, with no error box beside it.
  HWND window = waitForWindow(installer.id(), installerClassName, "", 30000);
  ASSERT_NE(window, nullptr) << "the installer's window did not open";
  for (const WindowInfo& w : topLevelWindows(installer.id())) {
    if (w.visible && w.className == "#32770")
      ADD_FAILURE() << "error box: " << readMessageBox(w.handle).text;
  }
  // Cancel before Continue ends it with exit code 1. The window shows
  // before its controls are made: Cancel is the last of them.
  EXPECT_TRUE(waitUntil([&] { return clickControl(window, "Cancel"); }, std::chrono::seconds(20)));
  EXPECT_EQ(installer.wait(30000), 1u);
}

} // namespace
