#pragma once
// Windows tests only: shell associations under HKEY_CLASSES_ROOT set for the
// duration of a test. Wine's prefix has associations of its own (its "http"
// and "htmlfile" open winebrowser); a ScopedAssociations takes the names it
// is given away, in both places HKEY_CLASSES_ROOT shows (the machine's and
// the user's classes), lets the test set them, and when it goes removes what
// the test set and puts back exactly what was there: keys, values, their
// types and data bytes. It takes the user's choice of class for a protocol
// (Wine's prefix names "http" for "http") away and back the same way.
#include "tests/detect/testregistry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace testregistry {

class ScopedAssociations {
public:
  explicit ScopedAssociations(std::vector<std::string> names) : names_(std::move(names)) {
    for (const std::string& name : names_) {
      for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        std::string path = classesPath(name);
        saved_.push_back({root, path, saveTree(root, path)});
        if (saved_.back().tree) {
          EXPECT_TRUE(deleteTree(root, path)) << "could not clear " << path;
        }
      }
    }
  }
  ~ScopedAssociations() {
    for (const Saved& s : saved_) {
      if (keyExists(s.root, s.path)) deleteTree(s.root, s.path);
      if (s.tree) {
        EXPECT_TRUE(restoreTree(s.root, s.path, *s.tree)) << "could not restore " << s.path;
      }
    }
  }
  ScopedAssociations(const ScopedAssociations&) = delete;
  ScopedAssociations& operator=(const ScopedAssociations&) = delete;

  // Sets the default value of HKEY_CLASSES_ROOT\path (in the machine's
  // classes); path must lie below one of the names taken.
  bool setDefault(const std::string& path, const std::string& text) {
    if (!owns(path)) {
      ADD_FAILURE() << path << " lies below no association this test took";
      return false;
    }
    return setText(HKEY_LOCAL_MACHINE, classesPath(path), "", text);
  }
  // Takes the user's choice of class for the protocol away, so that only a
  // choice the test sets with setUserChoice counts.
  void takeUserChoice(const std::string& protocol) {
    std::string path = userChoicePath(protocol);
    saved_.push_back({HKEY_CURRENT_USER, path, saveTree(HKEY_CURRENT_USER, path)});
    if (saved_.back().tree) {
      EXPECT_TRUE(deleteTree(HKEY_CURRENT_USER, path)) << "could not clear " << path;
    }
    choices_.push_back(protocol);
  }
  // Records progId as the user's choice for a protocol taken before.
  bool setUserChoice(const std::string& protocol, const std::string& progId) {
    if (std::find(choices_.begin(), choices_.end(), protocol) == choices_.end()) {
      ADD_FAILURE() << "the choice for " << protocol << " was not taken";
      return false;
    }
    return setText(HKEY_CURRENT_USER, userChoicePath(protocol), "ProgId", progId);
  }
  // Where Windows keeps the class the user chose for a protocol.
  static std::string userChoicePath(const std::string& protocol) {
    return "Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\" + protocol +
           "\\UserChoice";
  }

  // name\shell names verb as the default verb.
  bool setDefaultVerb(const std::string& name, const std::string& verb) {
    return setDefault(name + "\\shell", verb);
  }
  // The command of name's verb: name\shell\verb\command.
  bool setVerbCommand(const std::string& name, const std::string& verb, const std::string& cmd) {
    return setDefault(name + "\\shell\\" + verb + "\\command", cmd);
  }

private:
  struct Saved {
    HKEY root;
    std::string path;
    std::optional<SavedKey> tree;
  };

  static std::string classesPath(const std::string& path) { return "Software\\Classes\\" + path; }
  bool owns(const std::string& path) const {
    for (const std::string& name : names_)
      if (lstrcmpiA(path.substr(0, name.size()).c_str(), name.c_str()) == 0 &&
          (path.size() == name.size() || path[name.size()] == '\\'))
        return true;
    return false;
  }

  std::vector<std::string> names_;
  std::vector<std::string> choices_;
  std::vector<Saved> saved_;
};

} // namespace testregistry
