#pragma once
// Windows tests only: a computer's browsers as detection sees them, made in
// the throwaway prefix. A layout lists registry values and files; files are
// fake browser programs from tests/fixtures or texts. Paths use %ROOT% for the
// layout's own temporary directory and %root% for its lower-cased form (Opera
// entries are lower-cased by detection).
#include "tests/detect/testregistry.h"
#include "tests/driver/process.h"
#include "tests/driver/uidriver.h"
#include "util/text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace machine {

struct RegEntry {
  HKEY root;
  std::string key;
  std::optional<std::string> name; // none: the key alone
  std::string text;                // a REG_SZ
};

// Where browsers register: the Gecko products (a product's name follows),
// Netscape Navigator and Opera; the first two also as a 32-bit program sees
// them on 64-bit Windows.
inline const std::string moz = "Software\\Mozilla\\";
inline const std::string moz32 = "Software\\Wow6432Node\\Mozilla\\";
inline const std::string nav = "Software\\Netscape\\Netscape Navigator";
inline const std::string nav32 = "Software\\Wow6432Node\\Netscape\\Netscape Navigator";
inline const std::string opera = "Software\\Opera Software";

// A value, or a key without values, under HKLM or HKCU.
inline RegEntry lm(std::string key, std::string name, std::string text) {
  return {HKEY_LOCAL_MACHINE, std::move(key), std::move(name), std::move(text)};
}
inline RegEntry lmKey(std::string key) {
  return {HKEY_LOCAL_MACHINE, std::move(key), std::nullopt, {}};
}
inline RegEntry cu(std::string key, std::string name, std::string text) {
  return {HKEY_CURRENT_USER, std::move(key), std::move(name), std::move(text)};
}

// A Gecko product's version branch: key\CurrentVersion names the version,
// key\<version>\Main\PathToExe its program.
inline std::vector<RegEntry> geckoVersion(const std::string& key, const std::string& version,
                                          const std::string& exe) {
  return {lm(key, "CurrentVersion", version),
          lm(key + "\\" + version + "\\Main", "PathToExe", exe)};
}
// The branch Firefox's installers write beside it under "<product> <number>":
// bin\PathToExe and extensions\Plugins.
inline std::vector<RegEntry> geckoExtensions(const std::string& key, const std::string& exe,
                                             const std::string& plugins) {
  return {lm(key + "\\bin", "PathToExe", exe), lm(key + "\\extensions", "Plugins", plugins)};
}

// A layout's registry: single entries and whole branches in one list, in order.
struct RegEntries : std::vector<RegEntry> {
  struct Part {
    Part(RegEntry entry) : entries{std::move(entry)} {}
    Part(std::vector<RegEntry> branch) : entries(std::move(branch)) {}
    std::vector<RegEntry> entries;
  };
  RegEntries() = default;
  RegEntries(std::initializer_list<Part> parts) {
    for (const Part& part : parts)
      insert(end(), part.entries.begin(), part.entries.end());
  }
};

struct FileEntry {
  std::string path;    // below %ROOT%
  std::string fixture; // fx-<fixture>.exe is copied; empty: text is written
  std::string text;
};
inline FileEntry program(std::string path, std::string fixture) {
  return {std::move(path), std::move(fixture), {}};
}
inline FileEntry textFile(std::string path, std::string text) {
  return {std::move(path), {}, std::move(text)};
}

struct Layout {
  RegEntries registry;
  std::vector<FileEntry> files;
};

// The keys detection reads; a layout may create them, and only them.
inline const std::vector<std::pair<HKEY, std::string>>& browserKeys() {
  static const std::vector<std::pair<HKEY, std::string>> keys = {
      {HKEY_LOCAL_MACHINE, "Software\\Mozilla"},
      {HKEY_LOCAL_MACHINE, "Software\\Netscape"},
      // Where 32-bit browsers register on 64-bit Windows.
      {HKEY_LOCAL_MACHINE, "Software\\Wow6432Node\\Mozilla"},
      {HKEY_LOCAL_MACHINE, "Software\\Wow6432Node\\Netscape"},
      {HKEY_CURRENT_USER, "Software\\Opera Software"}};
  return keys;
}

inline std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

inline std::string fixturePath(const std::string& name) {
  return uidriver::windowsPath(std::string(FIXTURE_DIR) + "/fx-" + name + ".exe");
}

// A layout made real in the prefix for the lifetime of the object; the keys
// and files go again when it is destroyed. Check ok() before use.
class Installed {
public:
  Installed(const Layout& layout, const std::string& dirName) : dir_(dirName) {
    for (const auto& [root, key] : browserKeys()) {
      if (keys_.claim(root, key)) continue;
      ADD_FAILURE() << key << " exists already: a test never takes over a key it did not make";
      return;
    }
    ok_ = true;
    for (const RegEntry& e : layout.registry)
      ok_ &= e.name ? testregistry::setText(e.root, e.key, *e.name, expand(e.text))
                    : testregistry::createKey(e.root, e.key);
    for (const FileEntry& f : layout.files) {
      std::string to = root() + "\\" + f.path;
      testfiles::createFoldersTo(to);
      ok_ &= f.fixture.empty() ? uidriver::writeFile(to, f.text)
                               : uidriver::copyFile(fixturePath(f.fixture), to);
    }
  }
  Installed(const Installed&) = delete;
  Installed& operator=(const Installed&) = delete;

  bool ok() const { return ok_; }
  const std::string& root() const { return dir_.path(); }
  std::string expand(const std::string& text) const {
    return replaceAll(replaceAll(text, "%ROOT%", root()), "%root%", lowerCase(root()));
  }

private:
  testfiles::ScratchDir dir_;
  testregistry::ScopedKeys keys_;
  bool ok_ = false;
};

// --- A typical computer of the time, with one browser of every family ---

inline Layout typicalMachine() {
  const std::string vendorSub = "pref(\"general.useragent.vendorSub\", ";
  return {
      {
          lm(nav, "CurrentVersion", "4.79 (en)"),
          lm(nav + "\\4.79 (en)\\Main", "Install Directory", "%ROOT%\\Netscape\\Communicator"),
          lm(nav + "\\4.79 (en)\\Main", "Plugins Directory",
             "%ROOT%\\Netscape\\Communicator\\Program\\Plugins"),
          // Firefox 1.5 is the current version; 1.0.7 stays installed beside it.
          geckoVersion(moz + "Mozilla Firefox", "1.5 (en-US)",
                       "%ROOT%\\Mozilla Firefox\\firefox.exe"),
          lm(moz + "Mozilla Firefox\\1.0.7 (en-US)\\Main", "PathToExe",
             "%ROOT%\\Firefox 1.0\\firefox.exe"),
          geckoExtensions(moz + "Mozilla Firefox 1.0.7", "%ROOT%\\Firefox 1.0\\firefox.exe",
                          "%ROOT%\\Firefox 1.0\\plugins"),
          geckoExtensions(moz + "Mozilla Firefox 1.5", "%ROOT%\\Mozilla Firefox\\FIREFOX.EXE",
                          "%ROOT%\\Mozilla Firefox\\plugins"),
          geckoVersion(moz + "Mozilla", "1.7.12 (en)", "%ROOT%\\mozilla.org\\Mozilla\\mozilla.exe"),
          lm(moz + "Mozilla\\Extensions", "Plugins", "%ROOT%\\mozilla.org\\Mozilla\\plugins"),
          geckoVersion(moz + "Netscape 6", "6.2 (en)", "%ROOT%\\Netscape 6\\netscp6.exe"),
          lm(moz + "K-Meleon\\Bin", "PathToExe", "%ROOT%\\K-Meleon"),
          lm(moz + "K-Meleon\\Extensions", "Plugins", "%ROOT%\\K-Meleon\\Plugins"),
          lm(moz + "Firebird\\Bin", "PathToExe", "%ROOT%\\Firebird\\MozillaFirebird.exe"),
          lm(moz + "Firebird\\Extensions", "Plugins", "%ROOT%\\Firebird\\plugins"),
          cu(opera, "Last Directory", "%ROOT%\\Program Files\\Opera\\"),
          cu(opera, "Plugin Path", "%ROOT%\\Program Files\\Opera\\Program\\Plugins"),
          cu(opera, "Last CommandLine", "%ROOT%\\Program Files\\Opera\\Opera.exe"),
          cu(opera, "Last Beta Directory", "%ROOT%\\Opera Beta\\"),
      },
      {
          program("Netscape\\Communicator\\Program\\netscape.exe", "noresource"),
          program("Mozilla Firefox\\firefox.exe", "ff15"),
          program("Firefox 1.0\\firefox.exe", "ff107"),
          program("mozilla.org\\Mozilla\\mozilla.exe", "mozilla1712"),
          program("Netscape 6\\netscp6.exe", "netscape62"),
          program("K-Meleon\\k-meleon.exe", "kmeleon09"),
          program("Firebird\\MozillaFirebird.exe", "firebird07"),
          textFile("Firebird\\defaults\\pref\\all.js",
                   vendorSub + "\"0.6\");\n" + vendorSub + "\"0.7\");\n"),
          program("Program Files\\Opera\\Opera.exe", "opera850"),
          program("Opera Beta\\Opera.exe", "opera800"),
      }};
}

// What detection finds there, three strings per browser, sorted by name.
inline std::vector<std::string> typicalMachineBrowsers() {
  return {
      "Firebird 0.7",
      "%ROOT%\\Firebird\\MozillaFirebird.exe",
      "%ROOT%\\Firebird\\plugins",
      "K-Meleon 0.9",
      "%ROOT%\\K-Meleon\\k-meleon.exe",
      "%ROOT%\\K-Meleon\\Plugins",
      "Mozilla 1.7.12 (en)",
      "%ROOT%\\mozilla.org\\Mozilla\\mozilla.exe",
      "%ROOT%\\mozilla.org\\Mozilla\\Plugins",
      "Mozilla Firefox 1.0.7",
      "%ROOT%\\Firefox 1.0\\firefox.exe",
      "%ROOT%\\Firefox 1.0\\plugins",
      "Mozilla Firefox 1.5.0.1",
      "%ROOT%\\Mozilla Firefox\\FIREFOX.EXE",
      "%ROOT%\\Mozilla Firefox\\plugins",
      "Netscape 6.2 (en)",
      "%ROOT%\\Netscape 6\\netscp6.exe",
      "%ROOT%\\Netscape 6\\Plugins",
      "Netscape Navigator 4.79 (en)",
      "%ROOT%\\Netscape\\Communicator\\Program\\netscape.exe",
      "%ROOT%\\Netscape\\Communicator\\Program\\Plugins",
      "Opera 8.00 beta",
      "%root%\\opera beta\\Opera.exe",
      "%root%\\opera beta\\Program\\Plugins",
      "Opera 8.50",
      "%root%\\program files\\opera\\Opera.exe",
      "%root%\\program files\\opera\\Program\\Plugins",
  };
}

} // namespace machine
