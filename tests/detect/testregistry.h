#pragma once
// Windows tests only: writing the registry of the throwaway Wine prefix, which
// the program itself only ever reads. Keys a test makes are removed again by
// a guard, so the prefix is left as the test found it.
#include "detect/registry.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace testregistry {

// root\path opened with this access; empty when it cannot be.
inline tRegKey openKey(HKEY root, const std::string& path, REGSAM access = KEY_READ) {
  HKEY key = nullptr;
  return tRegKey(RegOpenKeyExA(root, path.c_str(), 0, access, &key) == ERROR_SUCCESS ? key
                                                                                     : nullptr);
}

// root\path opened with full access, made as needed; empty when it cannot be.
inline tRegKey makeKey(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  return tRegKey(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                 nullptr) == ERROR_SUCCESS
                     ? key
                     : nullptr);
}

inline bool keyExists(HKEY root, const std::string& path) {
  return static_cast<bool>(openKey(root, path));
}

inline bool createKey(HKEY root, const std::string& path) {
  return static_cast<bool>(makeKey(root, path));
}

// Creates the subkey name below root\parent. Wine takes at most 255
// characters of path per call, so long names are made one level at a time.
inline bool createSubkey(HKEY root, const std::string& parent, const std::string& name) {
  tRegKey key = makeKey(root, parent);
  return key && makeKey(key.get(), name);
}

// Sets one value with exactly these data bytes, creating the key as needed.
// The system adds a terminating zero to a string whose count leaves it out
// when one follows in memory: a non-zero byte after the data keeps the count.
inline bool setValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                     const std::string& data) {
  std::string guarded = data + 'X';
  tRegKey key = makeKey(root, path);
  return key && RegSetValueExA(key.get(), name.c_str(), 0, type,
                               reinterpret_cast<const BYTE*>(guarded.data()),
                               static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

// A REG_SZ with its terminating zero, as programs normally store one.
inline bool setText(HKEY root, const std::string& path, const std::string& name,
                    const std::string& text) {
  return setValue(root, path, name, REG_SZ, std::string(text.data(), text.size() + 1));
}

// Deletes the key with everything below it.
inline bool deleteTree(HKEY root, const std::string& path) {
  {
    tRegKey key = openKey(root, path, KEY_ALL_ACCESS);
    if (!key) return false;
    std::vector<std::string> children;
    char name[1024];
    for (DWORD i = 0; RegEnumKeyA(key.get(), i, name, sizeof name) == ERROR_SUCCESS; ++i)
      children.emplace_back(name);
    // Children by handle: their full paths may be too long for one call.
    for (const std::string& child : children)
      deleteTree(key.get(), child);
  }
  return RegDeleteKeyA(root, path.c_str()) == ERROR_SUCCESS;
}

// A key as it was: its values (name, type, exact data bytes) in enumeration
// order and its subkeys, to be put back after a test changed it.
struct SavedKey {
  struct Value {
    std::string name;
    DWORD type;
    std::string data;
  };
  std::vector<Value> values;
  std::vector<std::pair<std::string, SavedKey>> children;
};

// The open key's values, in enumeration order.
inline std::vector<SavedKey::Value> keyValues(HKEY key) {
  std::vector<SavedKey::Value> values;
  DWORD maxName = 0, maxData = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName,
                   &maxData, nullptr, nullptr);
  std::string name(maxName + 1, '\0');
  std::string data(maxData + 1, '\0');
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = static_cast<DWORD>(name.size()), dataSize = static_cast<DWORD>(data.size());
    DWORD type = 0;
    if (RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type,
                      reinterpret_cast<BYTE*>(data.data()), &dataSize) != ERROR_SUCCESS)
      return values;
    values.push_back({name.substr(0, nameSize), type, data.substr(0, dataSize)});
  }
}

// Everything below the open key.
inline SavedKey saveKey(HKEY key) {
  SavedKey saved;
  saved.values = keyValues(key);
  char child[1024];
  for (DWORD i = 0; RegEnumKeyA(key, i, child, sizeof child) == ERROR_SUCCESS; ++i) {
    if (tRegKey sub = openKey(key, child)) saved.children.emplace_back(child, saveKey(sub.get()));
  }
  return saved;
}

// root\path as it is now; none when the key does not exist.
inline std::optional<SavedKey> saveTree(HKEY root, const std::string& path) {
  tRegKey key = openKey(root, path);
  if (!key) return std::nullopt;
  return saveKey(key.get());
}

// Makes root\path (below an existing parent) hold what was saved, byte for
// byte; the key should not exist before.
inline bool restoreTree(HKEY root, const std::string& path, const SavedKey& saved) {
  tRegKey key = makeKey(root, path);
  if (!key) return false;
  bool ok = true;
  for (const SavedKey::Value& v : saved.values) {
    std::string guarded = v.data + 'X'; // keeps an unterminated string as it was (see setValue)
    ok &= RegSetValueExA(key.get(), v.name.c_str(), 0, v.type,
                         reinterpret_cast<const BYTE*>(guarded.data()),
                         static_cast<DWORD>(v.data.size())) == ERROR_SUCCESS;
  }
  for (const auto& [name, child] : saved.children)
    ok &= restoreTree(key.get(), name, child);
  return ok;
}

// Keys that Wine maintains itself and may rewrite while any program runs, on
// its own schedule: its settings and per-session caches, and the network-card
// list it refreshes from the host (in both registry views). The installer
// never reads them; a snapshot compared around a run leaves them out, so that
// only what a program did can show up.
inline const std::vector<std::string>& wineBookkeeping() {
  static const std::vector<std::string> keys = {
      "Software\\Wine",
      "Software\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards",
      "Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards",
  };
  return keys;
}

namespace detail {

inline bool isBookkeeping(const std::string& path) {
  for (const std::string& key : wineBookkeeping())
    if (lstrcmpiA(path.c_str(), key.c_str()) == 0) return true;
  return false;
}

inline void snapshotValues(HKEY key, std::string& out) {
  for (const SavedKey::Value& v : keyValues(key))
    out += "  " + v.name + " = " + std::to_string(v.type) + ":" + v.data + "\n";
}

inline void snapshotKey(HKEY key, const std::string& path, std::string& out) {
  if (isBookkeeping(path)) return;
  out += "[" + path + "]\n";
  snapshotValues(key, out);
  char name[1024];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      return;
    if (tRegKey child = openKey(key, name))
      snapshotKey(child.get(), path + "\\" + name, out);
    else
      out += "[" + path + "\\" + name + "] (unreadable)\n";
  }
}

} // namespace detail

// Every key below root\path with its values (name, type, data) as text, to
// compare the registry before and after a run; Wine's own bookkeeping keys
// (wineBookkeeping, as paths below root) are left out.
inline std::string snapshot(HKEY root, const std::string& path) {
  std::string out;
  tRegKey key = openKey(root, path);
  if (!key) return "(absent)";
  detail::snapshotKey(key.get(), path, out);
  return out;
}

// Owns keys a test creates: each must be absent at the start (a test never
// takes over a key it did not make) and is deleted with its subtree at the end.
class ScopedKeys {
public:
  ScopedKeys() = default;
  ScopedKeys(const ScopedKeys&) = delete;
  ScopedKeys& operator=(const ScopedKeys&) = delete;
  ~ScopedKeys() {
    for (auto it = keys_.rbegin(); it != keys_.rend(); ++it) {
      if (keyExists(it->first, it->second)) deleteTree(it->first, it->second);
      EXPECT_FALSE(keyExists(it->first, it->second)) << "could not remove " << it->second;
    }
  }
  // False (and nothing is owned) when the key exists already.
  bool claim(HKEY root, const std::string& path) {
    if (keyExists(root, path)) return false;
    keys_.emplace_back(root, path);
    return true;
  }

private:
  std::vector<std::pair<HKEY, std::string>> keys_;
};

} // namespace testregistry
