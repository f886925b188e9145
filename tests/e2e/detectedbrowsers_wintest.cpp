// The real installer on a computer with one browser of every family: it
// writes "detected browsers.txt" beside itself, byte for byte, stops at the
// archive check (it is run without an archive) or at its window, and leaves
// the registry exactly as it found it. Then what today's 64-bit Windows adds:
// 32-bit browsers registered in the 32-bit registry view, and a setup.exe in
// a folder whose name the ANSI code page cannot spell.
#include "installer/texts.h"
#include "tests/detect/machine.h"
#include "tests/detect/testregistry.h"
#include "tests/driver/process.h"
#include "tests/driver/uidriver.h"
#include "tests/e2e/installer.h"
#include "tests/util/wait.h"

#include <gtest/gtest.h>

namespace {

using namespace uidriver;

// The first of the installer's message box and its window to show; an empty
// handle when neither did in time.
WindowInfo firstShown(Process& installer, std::chrono::milliseconds timeout) {
  WindowInfo shown = {};
  waitUntil(
      [&] {
        for (const WindowInfo& w : topLevelWindows(installer.id()))
          if (!shown.handle && w.visible &&
              (w.className == "#32770" || w.className == installerClassName))
            shown = w;
        return shown.handle != nullptr;
      },
      timeout);
  if (!shown.handle) ADD_FAILURE() << "the installer showed neither a message box nor its window";
  return shown;
}

// Answers whatever the installer shows first: the archive check's error box,
// or, once there is an archive check that passes, the window's Cancel button.
void answerFirstWindow(Process& installer) {
  WindowInfo shown = firstShown(installer, std::chrono::seconds(20));
  if (shown.className == "#32770") {
    EXPECT_EQ(readMessageBox(shown.handle).caption, "Install Error");
    EXPECT_TRUE(clickControl(shown.handle, "OK"));
  } else if (shown.handle) {
    EXPECT_TRUE(clickControl(shown.handle, "Cancel"));
  }
}

TEST(DetectedBrowsers, AreWrittenBesideTheProgramAndTheRegistryStaysUnchanged) {
  machine::Installed installed(machine::typicalMachine(), "e2e-browsers");
  ASSERT_TRUE(installed.ok());
  std::string expected;
  for (const std::string& line : machine::typicalMachineBrowsers())
    expected += installed.expand(line) + "\n";

  std::string machineBefore = testregistry::snapshot(HKEY_LOCAL_MACHINE, "Software");
  std::string userBefore = testregistry::snapshot(HKEY_CURRENT_USER, "Software");

  testfiles::ScratchDir scratch("e2e-setup");
  const std::string& dir = scratch.path();
  std::string setup = dir + "\\setup.exe";
  ASSERT_TRUE(copyFile(windowsPath(e2e::programUnderTest()), setup));
  Process installer = Process::start("\"" + setup + "\"", dir);
  ASSERT_TRUE(installer.running());
  answerFirstWindow(installer);
  EXPECT_EQ(installer.wait(20000), 4u) << "the bare program has no archive";

  EXPECT_EQ(readFile(dir + "\\detected browsers.txt"), expected);
  EXPECT_EQ(testregistry::snapshot(HKEY_LOCAL_MACHINE, "Software"), machineBefore);
  EXPECT_EQ(testregistry::snapshot(HKEY_CURRENT_USER, "Software"), userBefore);
}

// A setup.exe of the real program and the sample payload, written to path.
bool writeSetup(const std::wstring& path) {
  std::string bytes =
      readFile(windowsPath(e2e::programUnderTest())) +
      zipkit::buildZip(e2e::samplePayload(), e2e::comment(e2e::firefoxAgent, e2e::startUrl));
  OwnedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return file &&
         WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::string readFileW(const std::wstring& path) {
  OwnedFile file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return {};
  std::string bytes(GetFileSize(file.get(), nullptr), '\0');
  DWORD read = 0;
  if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
    read = 0;
  return bytes.substr(0, read);
}

// Waits for the installer's window, reads its check-list as the screen shows
// it and presses Cancel. A message box instead fails the test with its text.
std::vector<std::string> listShownThenCancel(Process& installer) {
  WindowInfo shown = firstShown(installer, std::chrono::seconds(30));
  if (!shown.handle) return {};
  if (shown.className == "#32770") {
    ADD_FAILURE() << "the installer showed: " << readMessageBox(shown.handle).text;
    clickControl(shown.handle, "OK");
    return {};
  }
  HWND list = nullptr;
  waitUntil(
      [&] {
        for (const WindowInfo& child : childWindows(shown.handle))
          if (child.className == "ListBox" && SendMessageA(child.handle, LB_GETCOUNT, 0, 0) > 0)
            list = child.handle;
        return list != nullptr;
      },
      std::chrono::seconds(20));
  std::vector<std::string> items = list ? listItems(list) : std::vector<std::string>{};
  EXPECT_TRUE(clickControl(shown.handle, "Cancel"));
  return items;
}

TEST(DetectedBrowsers, A32BitBrowserOn64BitWindowsIsOfferedAndAPhantomIsNot) {
  using namespace machine;
  // SeaMonkey registered by its 32-bit installer only; a Navigator key that
  // names neither program nor plug-in directory.
  Installed installed(
      Layout{{geckoVersion(moz32 + "SeaMonkey", "2.53.18 (en-US)",
                           "%ROOT%\\Program Files (x86)\\SeaMonkey\\seamonkey.exe"),
              lm(nav, "CurrentVersion", "4.8"), lmKey(nav + "\\4.8\\Main")},
             {program("Program Files (x86)\\SeaMonkey\\seamonkey.exe", "noresource")}},
      "e2e-wow64");
  ASSERT_TRUE(installed.ok());
  testfiles::ScratchDir scratch("e2e-setup");
  const std::string& dir = scratch.path();
  ASSERT_TRUE(writeSetup(wide(dir + "\\setup.exe")));
  Process installer = Process::start("\"" + dir + "\\setup.exe\"", dir);
  ASSERT_TRUE(installer.running());
  EXPECT_EQ(listShownThenCancel(installer), std::vector<std::string>{"SeaMonkey 2.53.18 (en-US)"});
  EXPECT_EQ(installer.wait(20000), 1u) << "Cancel";
  EXPECT_EQ(readFile(dir + "\\detected browsers.txt"),
            installed.expand("SeaMonkey 2.53.18 (en-US)\n"
                             "%ROOT%\\Program Files (x86)\\SeaMonkey\\seamonkey.exe\n"
                             "%ROOT%\\Program Files (x86)\\SeaMonkey\\Plugins\n"));
}

TEST(DetectedBrowsers, ASetupInAFolderTheCodePageCannotSpellOpensItsArchive) {
  // Greek on a Western system, Cyrillic on a Greek one.
  std::wstring name;
  for (const wchar_t* candidate :
       {L"\u0395\u03b3\u03ba\u03b1\u03c4\u03ac\u03c3\u03c4\u03b1\u03c3\u03b7",
        L"\u0423\u0441\u0442\u0430\u043d\u043e\u0432\u043a\u0430"}) {
    BOOL replaced = FALSE;
    if (GetACP() != CP_UTF8 &&
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, candidate, -1, nullptr, 0, nullptr,
                            &replaced) > 0 &&
        replaced) {
      name = candidate;
      break;
    }
  }
  if (name.empty()) GTEST_SKIP() << "the ANSI code page " << GetACP() << " spells both names";

  machine::Installed installed(machine::typicalMachine(), "e2e-browsers");
  ASSERT_TRUE(installed.ok());
  std::string expected;
  for (const std::string& line : machine::typicalMachineBrowsers())
    expected += installed.expand(line) + "\n";
  std::vector<std::string> names;
  for (size_t i = 0; i < machine::typicalMachineBrowsers().size(); i += 3)
    names.push_back(installed.expand(machine::typicalMachineBrowsers()[i]));

  testfiles::ScratchDir scratch("e2e-named");
  const std::string& base = scratch.path();
  std::wstring dir = wide(base) + L"\\" + name;
  ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
  ASSERT_TRUE(writeSetup(dir + L"\\setup.exe"));
  Process installer = Process::start(L"\"" + dir + L"\\setup.exe\"", dir);
  ASSERT_TRUE(installer.running());
  EXPECT_EQ(listShownThenCancel(installer), names);
  EXPECT_EQ(installer.wait(20000), 1u) << "Cancel";
  EXPECT_EQ(readFileW(dir + L"\\detected browsers.txt"), expected);
  // Named here in wide characters: the ANSI code page cannot spell them.
  DeleteFileW((dir + L"\\detected browsers.txt").c_str());
  DeleteFileW((dir + L"\\setup.exe").c_str());
  RemoveDirectoryW(dir.c_str());
}

} // namespace
