// Extraction with the real file API: installing into folders, targets that a
// running browser holds open or that are read-only, and file times.
#include "archive/install.h"
#include "archive/selfarchive.h"
#include "archive/unzip.h"
#include "tests/archive/zipkit.h"
#include "tests/driver/process.h"
#include "util/ui.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

using namespace zipkit;
using uidriver::openFile;
using uidriver::OwnedFile;
using Names = std::vector<std::string>;

const std::string program(6000, 'M');

// An open handle that lets nobody else read, write or delete the file.
OwnedFile openExclusive(const std::string& path) {
  return openFile(path, GENERIC_READ | GENERIC_WRITE, 0);
}

// Another process that holds a file open without sharing, as a running
// browser holds its plug-in: cmd.exe, waiting for commands on a pipe that we
// keep open, is handed our exclusive handle (and only it holds it then).
class HoldingProcess {
public:
  explicit HoldingProcess(const std::string& path) {
    OwnedFile file = openExclusive(path);
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!file || !CreatePipe(&readEnd, &writeEnd, &sa, 0)) return;
    OwnedKernelHandle input(readEnd); // the child's copy is all it needs
    writeEnd_.reset(writeEnd);
    SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = readEnd;
    std::string command = "cmd.exe /q";
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                        nullptr, &si, &info))
      return;
    OwnedKernelHandle thread(info.hThread);
    process_.reset(info.hProcess);
    // Moved into the other process: ours is closed on the way.
    HANDLE theirs = nullptr;
    handedOver_ = DuplicateHandle(GetCurrentProcess(), file.release(), info.hProcess, &theirs, 0,
                                  FALSE, DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE);
  }
  ~HoldingProcess() {
    writeEnd_.reset(); // end of its input: cmd.exe ends
    if (process_ && WaitForSingleObject(process_.get(), 5000) != WAIT_OBJECT_0) {
      TerminateProcess(process_.get(), 1);
      WaitForSingleObject(process_.get(), 5000);
    }
  }
  HoldingProcess(const HoldingProcess&) = delete;
  HoldingProcess& operator=(const HoldingProcess&) = delete;
  bool started() const { return process_ && handedOver_; }

private:
  OwnedKernelHandle writeEnd_;
  OwnedKernelHandle process_;
  bool handedOver_ = false;
};

// True when nobody else may open the file even for reading.
bool lockedAgainstReaders(const std::string& path) {
  return !openFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE) &&
         GetLastError() == ERROR_SHARING_VIOLATION;
}

class WinExtract : public ::testing::Test {
protected:
  void SetUp() override { archivePath = home / "setup.exe"; }
  int32_t writeArchive(const std::vector<Entry>& entries, size_t which = 0) {
    Layout layout;
    EXPECT_TRUE(writeFile(archivePath, buildZip(entries, "", program, &layout)));
    return static_cast<int32_t>(layout.localHeaders[which]);
  }

  ScratchDir home;
  ScratchDir plugins;
  std::string archivePath;
};

// Keeps what an installation reports: under Wine a box would wait for a user.
struct Recorder final : tReporter {
  void error(const std::string& text) override { errors.push_back(text); }
  std::vector<std::string> errors;
};

TEST_F(WinExtract, InstallsIntoFoldersItMakes) {
  writeArchive({deflatedEntry("drv.dat", "driver"), deflatedEntry("install.js", "js"),
                folderEntry("plugins/"), deflatedEntry("plugins/npvorlixa.dll", noise(90000)),
                deflatedEntry("plugins/sub/deeper/data.bin", noise(40000, 5))});
  tArchive archive;
  ASSERT_EQ(readArchive(archivePath, archive), "");
  Recorder reporter;
  std::string target = installToDir(archive, plugins.path() + "\\", reporter);
  EXPECT_EQ(reporter.errors, std::vector<std::string>{});
  EXPECT_EQ(plugins.contents(),
            (Names{"drv.dat", "npvorlixa.dll", "sub", "sub/deeper", "sub/deeper/data.bin"}));
  EXPECT_TRUE(readFile(plugins / "npvorlixa.dll") == noise(90000));
  EXPECT_TRUE(readFile(plugins / "sub\\deeper\\data.bin") == noise(40000, 5));
  std::string expected = plugins.path();
  for (char& c : expected)
    if (c == '\\') c = '/';
  EXPECT_EQ(target, expected);
  EXPECT_EQ(listRootFiles(archive), (std::vector<std::string>{"drv.dat"}));
}

TEST_F(WinExtract, TargetHeldOpenByAnotherProcessIsAWriteErrorAndStaysIntact) {
  int32_t header = writeArchive({deflatedEntry("np.dll", "the new plug-in")});
  std::string target = plugins / "np.dll";
  ASSERT_TRUE(writeFile(target, "the running plug-in"));
  {
    HoldingProcess browser(target);
    ASSERT_TRUE(browser.started());
    ASSERT_TRUE(lockedAgainstReaders(target)) << "the other process does not hold the file";
    EXPECT_EQ(extractEntry(archivePath, target, header), zipWriteError);
    EXPECT_EQ(plugins.contents(), Names{"np.dll"}) << "the new file was left behind";
  }
  EXPECT_EQ(readFile(target), "the running plug-in");
  EXPECT_EQ(extractEntry(archivePath, target, header), zipOk);
  EXPECT_EQ(readFile(target), "the new plug-in");
}

TEST_F(WinExtract, TargetHeldOpenByAHandleIsAWriteError) {
  int32_t header = writeArchive({deflatedEntry("np.dll", "new")});
  std::string target = plugins / "np.dll";
  ASSERT_TRUE(writeFile(target, "held"));
  OwnedFile held = openExclusive(target);
  ASSERT_TRUE(held);
  EXPECT_EQ(extractEntry(archivePath, target, header), zipWriteError);
  held.reset();
  EXPECT_EQ(readFile(target), "held");
  EXPECT_EQ(plugins.contents(), Names{"np.dll"});
}

TEST_F(WinExtract, ReadOnlyTargetIsAWriteErrorAndStaysIntact) {
  int32_t header = writeArchive({deflatedEntry("np.dll", "new")});
  std::string target = plugins / "np.dll";
  ASSERT_TRUE(writeFile(target, "read-only"));
  ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(extractEntry(archivePath, target, header), zipWriteError);
  EXPECT_EQ(readFile(target), "read-only");
  EXPECT_EQ(plugins.contents(), Names{"np.dll"});
  EXPECT_NE(GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(WinExtract, TheArchiveMayBeReadButNotWrittenDuringAnExtraction) {
  // The decoder's reads are where other programs could interfere: while it
  // runs, the archive opens for reading but not for writing.
  int32_t header = writeArchive({deflatedEntry("np.dll", noise(50000))});
  // A handle opened beforehand for writing makes the extraction's open fail.
  OwnedFile writer = openFile(archivePath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_TRUE(writer);
  EXPECT_EQ(extractEntry(archivePath, plugins / "np.dll", header), zipReadError);
  writer.reset();
  EXPECT_EQ(plugins.contents(), Names{});
  EXPECT_EQ(extractEntry(archivePath, plugins / "np.dll", header), zipOk);
}

FILETIME expectedTime(uint16_t dosDate, uint16_t dosTime) {
  FILETIME local = {}, utc = {};
  EXPECT_TRUE(DosDateTimeToFileTime(dosDate, dosTime, &local));
  EXPECT_TRUE(LocalFileTimeToFileTime(&local, &utc));
  return utc;
}

TEST_F(WinExtract, FileTimeIsTheDosTimeReadAsLocalTime) {
  Entry summer = deflatedEntry("a.dll", "summer");
  Entry winter = storedEntry("b.dll", "winter");
  winter.dosDate = (21 << 9) | (1 << 5) | 2; // 2001-01-02 23:59:58
  winter.dosTime = (23 << 11) | (59 << 5) | 29;
  for (const Entry& e : {summer, winter}) {
    int32_t header = writeArchive({e});
    std::string target = plugins / e.name;
    ASSERT_TRUE(writeFile(target, "older"));
    ASSERT_EQ(extractEntry(archivePath, target, header), zipOk);
    OwnedFile file = openFile(target, GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(file);
    FILETIME written = {};
    ASSERT_TRUE(GetFileTime(file.get(), nullptr, nullptr, &written));
    FILETIME want = expectedTime(e.dosDate, e.dosTime);
    EXPECT_EQ(written.dwLowDateTime, want.dwLowDateTime) << e.name;
    EXPECT_EQ(written.dwHighDateTime, want.dwHighDateTime) << e.name;
  }
}

TEST_F(WinExtract, TemporaryProbeFileIsReplacedLikeAnyTarget) {
  // The plug-in probe extracts to a unique file in the temporary folder.
  int32_t header = writeArchive({deflatedEntry("plugins/np.dll", "MZ")});
  std::string probe = platform::createUniqueFile(platform::tempDirectory(), "T62");
  ASSERT_FALSE(probe.empty());
  EXPECT_EQ(extractEntry(archivePath, probe, header), zipOk);
  EXPECT_EQ(readFile(probe), "MZ");
  EXPECT_TRUE(platform::deleteFile(probe));
}

} // namespace
