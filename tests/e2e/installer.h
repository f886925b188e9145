#pragma once
// End-to-end runs of the real installer: a computer with three browsers made
// in the prefix (registry, fake browser programs, plug-in directories with or
// without an installation), a setup.exe built from the installer and a
// payload, the program started as a user starts it, its window read and
// driven through the UI driver, and what it leaves behind looked at: files
// and their times, message boxes, started and quit browsers, the registry.
#include "tests/archive/zipkit.h"
#include "tests/detect/machine.h"
#include "tests/detect/testregistry.h"
#include "tests/driver/fakebrowsers.h"
#include "tests/driver/process.h"
#include "tests/driver/screenshot.h"
#include "tests/driver/uidriver.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace e2e {

using uidriver::MessageBoxInfo;
using uidriver::Process;

// The browsers of the scenarios, in the order the window lists them.
enum { firefox, navigator, opera, browserCount };

struct BrowserSpec {
  std::string name;    // display name
  std::string program; // as detection reports it, %ROOT% and %root% unexpanded
  std::string plugins; // its plug-in directory, likewise
};
const std::vector<BrowserSpec>& browserSpecs();

// What a plug-in directory holds before the run.
enum class Existing {
  none,    // nothing
  older,   // the root files and an older plug-in library (1.1.0.0)
  current, // the root files and the archive's own plug-in library
  foreign, // only an "install.rdf" of the browser's own
};
// Beside an older or current installation there is a browser's own
// "install.rdf" as well: the payload has one at its root, which is never
// written, so it must never be removed either.

// What a run leaves in a plug-in directory.
enum class Outcome {
  untouched, // every file as it was, times included
  installed, // the payload's files, with the entries' times; the rest as it was
  removed,   // the root files gone; the plug-in library (from a folder) stays
  firstFile, // only the payload's first file installed: the run stopped after it
  drivers,   // the three driver files installed, not the plug-in library
  library,   // installed, then removed by a second run: only the plug-in library stays
};

// The sample payload: three driver files, "install.js" and "install.rdf" at
// the root, the plug-in library in "plugins/".
std::vector<zipkit::Entry> samplePayload();
std::string comment(const std::string& agent, const std::string& url);
// The installer program the scenarios run, as a Unix path: this build's own,
// or the one INSTALLER_UNDER_TEST names (make test names the shipped 32-bit
// program there where the machine runs it).
std::string programUnderTest();
inline const std::string firefoxAgent =
    "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8) Gecko/20051111 Firefox/1.5";
inline const std::string operaAgent =
    "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; en) Opera 8.50";
inline const std::string startUrl = "http://www.example.com/vorlixa/installed.html";

// A file as a test compares it: its bytes and its last-write time.
struct FileState {
  std::string bytes;
  FILETIME written = {};
  bool operator==(const FileState& o) const {
    return bytes == o.bytes && CompareFileTime(&written, &o.written) == 0;
  }
};
using Folder = std::map<std::string, FileState>; // by file name
Folder readFolder(const std::string& dir);

// One start of the installer on a prepared computer. The constructor makes
// the computer and the setup program; start() runs it and waits for its
// window; the destructor ends every program it left and removes it all.
class Session {
public:
  // navigatorPlugins, when given, replaces Navigator's plug-in directory.
  Session(const std::string& name, const std::vector<Existing>& existing,
          const std::vector<zipkit::Entry>& payload, const std::string& comment,
          const std::string& navigatorPlugins = {});
  // Another computer: these browsers (in the window's order), made by this
  // layout, with nothing in their plug-in directories.
  Session(const std::string& name, const machine::Layout& layout, std::vector<BrowserSpec> browsers,
          const std::vector<zipkit::Entry>& payload, const std::string& comment);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  bool ok() const { return installed_.ok() && ok_; }
  std::string expand(const std::string& text) const { return installed_.expand(text); }
  std::string pluginDir(int browser) const;
  std::string program(int browser) const { return expand(browsers_[browser].program); }
  const std::vector<BrowserSpec>& browsers() const { return browsers_; }
  const std::string& root() const { return installed_.root(); }

  // Notes the plug-in directories and the registry as they are now, to
  // compare after the run; start() does it unless it was done before.
  void remember();
  // Starts the program; with window true, waits until its window is there.
  void start(bool window = true);
  HWND window() const { return window_; }
  HWND control(const std::string& caption) const; // by caption, "" for the list
  Process& process() { return process_; }

  // The items of the check-list, and their check states as the screen shows
  // them (0, 1, 2; -1 for a glyph that is none of the three).
  std::vector<std::string> items() const;
  std::vector<int> shownStates() const;
  // Waits until the screen shows these states; false when it never does.
  bool showsStates(const std::vector<int>& states) const;
  // A click in the check column of an item, as the mouse makes one.
  void toggle(int item) const;
  // Posts a click to the button with this caption.
  void click(const std::string& caption) const;

  // Starts the program with these arguments after its path, held until a
  // watch on its windows has begun, and waits for its end; its exit code.
  // windows gets the class of every window it created or showed.
  DWORD runWatched(const std::string& arguments, std::vector<std::string>& windows);
  const std::string& setup() const { return setup_; }

  // Waits for the next message box of the program, reads it and answers it.
  MessageBoxInfo answerBox();
  // Waits for the program to end; its exit code.
  DWORD finish();

  // Folders and the registry as remember() found them.
  const Folder& before(int browser) const { return before_[browser]; }
  bool registryUnchanged() const;

private:
  void writeSetup(const std::vector<zipkit::Entry>& payload, const std::string& comment);

  machine::Installed installed_;
  std::vector<BrowserSpec> browsers_;
  std::string setup_;
  Process process_;
  HWND window_ = nullptr;
  std::string navigatorPlugins_;
  std::vector<Folder> before_;
  std::set<HWND> answered_;
  std::string machineRegistry_, userRegistry_;
  bool ok_ = false;
};

// Checks a plug-in directory after the run against what it held before.
void expectOutcome(const Session& session, int browser, Outcome outcome);
// Each browser whose program ran when the installer started (browsers[r] in
// running[r]) was asked to quit exactly when its plug-in directory changed:
// taken in order, a ping answered with no quit before it proves none came.
// The programs are ended afterwards.
void expectQuitWhereChanged(const Session& session, std::vector<Process>& running,
                            const std::vector<int>& browsers, const std::vector<Outcome>& outcomes);

// Waits for the program's message box and checks what an error before the
// window shows: an "Install Error" box with the error icon and no owner, the
// program's only box, and no installer window. The box, null when none came;
// info gets what it shows.
HWND waitForLoneErrorBox(const Process& installer, MessageBoxInfo& info);

} // namespace e2e
