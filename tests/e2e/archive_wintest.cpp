// The real installer with its archive damaged in each way the archive check
// knows: it shows the one exact "Install Error" box, without an owner and
// without its window, and ends. A Netscape Navigator is registered for these
// tests (the check runs only when a browser is found) and removed afterwards.
#include "installer/texts.h"
#include "tests/driver/process.h"
#include "tests/driver/uidriver.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace uidriver;

const char* const navigatorKey = "Software\\Netscape\\Netscape Navigator";

void setText(HKEY key, const char* name, const std::string& value) {
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
}

// A Netscape Navigator 4.79 in the registry, installed under dir; the keys it
// made are deleted again, deepest first.
class RegisteredNavigator {
public:
  explicit RegisteredNavigator(const std::string& dir) {
    HKEY probe = nullptr;
    madeNetscape_ =
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Netscape", 0, KEY_READ, &probe) != 0;
    if (probe) RegCloseKey(probe);
    HKEY key = nullptr, main = nullptr;
    ok_ = RegCreateKeyExA(HKEY_LOCAL_MACHINE, navigatorKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &key, nullptr) == 0;
    if (!ok_) return;
    setText(key, "CurrentVersion", "4.79 (en)");
    ok_ = RegCreateKeyExA(key, "4.79 (en)\\Main", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &main,
                          nullptr) == 0;
    if (ok_) {
      setText(main, "Install Directory", dir + "\\Program");
      setText(main, "Plugins Directory", dir + "\\Program\\Plugins");
      RegCloseKey(main);
    }
    RegCloseKey(key);
  }
  ~RegisteredNavigator() {
    std::string base = navigatorKey;
    for (const std::string& key : {base + "\\4.79 (en)\\Main", base + "\\4.79 (en)", base})
      RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
    if (madeNetscape_) RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Netscape");
  }
  RegisteredNavigator(const RegisteredNavigator&) = delete;
  RegisteredNavigator& operator=(const RegisteredNavigator&) = delete;
  bool ok() const { return ok_; }

private:
  bool ok_ = false;
  bool madeNetscape_ = false;
};

// Position of the end record: the last "PK\5\6" in the file.
size_t endRecord(const std::string& bytes) {
  return bytes.rfind(std::string("PK\5\6", 4));
}
void set32(std::string& bytes, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    bytes[at + i] = static_cast<char>(v >> (8 * i));
}
uint32_t get32(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i)
    v = v << 8 | static_cast<uint8_t>(bytes[at + i]);
  return v;
}

class DamagedArchive : public ::testing::Test {
protected:
  void SetUp() override {
    dir = makeTempDir("damaged");
    navigator = std::make_unique<RegisteredNavigator>(dir);
    ASSERT_TRUE(navigator->ok());
    setup = readFile(windowsPath(SETUP_EXE));
    ASSERT_NE(endRecord(setup), std::string::npos) << "the sample setup has no archive";
  }
  void TearDown() override {
    navigator.reset();
    removeTree(dir);
  }

  // Runs program (with an optional argument) and returns the text of its one
  // error box after checking how it looks and calling whileShown; the box is
  // answered and the program must then end.
  std::string errorShownBy(const std::string& bytes, const std::string& argument = "",
                           const std::function<void()>& whileShown = nullptr) {
    std::string program = dir + "\\setup.exe";
    EXPECT_TRUE(writeFile(program, bytes));
    std::string command = "\"" + program + "\"";
    if (!argument.empty()) command += " \"" + argument + "\"";
    Process installer = Process::start(command, dir);
    EXPECT_TRUE(installer.running());
    HWND box = waitForWindow(installer.id(), "#32770", "", 20000);
    if (!box) {
      ADD_FAILURE() << "no message box appeared";
      return {};
    }
    MessageBoxInfo info = readMessageBox(box);
    EXPECT_EQ(info.caption, "Install Error");
    EXPECT_EQ(info.owner, nullptr);
    EXPECT_TRUE(info.errorIcon);
    int boxes = 0;
    for (const WindowInfo& w : topLevelWindows(installer.id())) {
      EXPECT_NE(w.className, installerClassName) << "the installer window must not open";
      if (w.visible && w.className == "#32770") ++boxes;
    }
    EXPECT_EQ(boxes, 1);
    if (whileShown) whileShown();
    EXPECT_TRUE(clickControl(box, "OK"));
    EXPECT_EQ(installer.wait(20000), 0u);
    // The browser was found and recorded before the archive was checked.
    EXPECT_NE(readFile(dir + "\\detected browsers.txt").find("Netscape Navigator 4.79 (en)"),
              std::string::npos);
    return info.text;
  }

  std::string dir;
  std::unique_ptr<RegisteredNavigator> navigator;
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
         b[end + 20] = static_cast<char>(2027 & 0xFF);
         b[end + 21] = static_cast<char>(2027 >> 8);
       },
       incomplete},
      {"catalog offset beyond the program",
       [](std::string& b) { set32(b, endRecord(b) + 16, 0x7FFFFFF0); },
       "File appears to be corrupt"},
      {"catalog record without its signature",
       [](std::string& b) {
         size_t end = endRecord(b);
         b[end - get32(b, end + 12) + 2] = 'X';
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
    HANDLE h = CreateFileA(archive.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << "the installer still holds the archive";
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  };
  std::string noEnd = setup.substr(0, endRecord(setup));
  std::string badBase = setup;
  set32(badBase, endRecord(badBase) + 16, 0x7FFFFFF0);
  for (const std::string& bytes : {noEnd, badBase}) {
    ASSERT_TRUE(writeFile(archive, bytes));
    EXPECT_FALSE(errorShownBy(setup, archive, exclusiveOpenWorks).empty());
  }
}

TEST_F(DamagedArchive, AnArgumentNamingNoFileIsNotReplacedByTheOwnArchive) {
  EXPECT_EQ(errorShownBy(setup, dir + "\\missing.zip"), "unable to load archive");
}

TEST_F(DamagedArchive, AnArgumentNamingAFolderFindsNoCatalog) {
  EXPECT_EQ(errorShownBy(setup, dir),
            "File appears to be incomplete - unable to locate master catalog");
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
  // Cancel ends it, as every path does, with exit code 0. The window shows
  // before its controls are made: Cancel is the last of them.
  bool clicked = clickControl(window, "Cancel");
  for (int i = 0; i < 400 && !clicked; ++i) {
    Sleep(50);
    clicked = clickControl(window, "Cancel");
  }
  EXPECT_TRUE(clicked);
  EXPECT_EQ(installer.wait(30000), 0u);
}

} // namespace
