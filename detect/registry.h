#pragma once
// The registry reader (Windows only). Opens keys read-only, in the view that
// suits the system, lists their value and subkey names and reads any value as
// text. It never fails toward the caller: a key that does not open is an
// empty tRegKey, and every read from an empty key yields the empty or the
// default result. The program never creates, writes or deletes a key.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

// KEY_WOW64_64KEY from Vista on, else 0; or-ed into every open. Set by
// registryStartup from osMajorVersion.
extern uint32_t registryViewFlag;
// Runs after osVersionStartup.
void registryStartup();

// An open registry key; owns the handle and closes it when destroyed. Empty
// (false) when the key did not open.
class tRegKey {
public:
  tRegKey() = default;
  explicit tRegKey(HKEY handle) : handle_(handle) {}
  ~tRegKey() { close(); }
  tRegKey(tRegKey&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  tRegKey& operator=(tRegKey&& other) noexcept;
  tRegKey(const tRegKey&) = delete;
  tRegKey& operator=(const tRegKey&) = delete;

  HKEY get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void close();

private:
  HKEY handle_ = nullptr;
};

// Opens root\path for reading (KEY_READ | registryViewFlag); one leading "\"
// of the path is dropped. Empty on any error.
tRegKey regOpenKey(HKEY root, std::string_view path);
// Closes the key now; an empty key is left alone.
void regCloseKey(tRegKey& key);

// The names of the key's values, joined by LF, in enumeration order. The
// enumeration stops at the first name that does not fit 1024 bytes.
std::string regValueNames(const tRegKey& key);
// The names of the key's subkeys, joined by LF, in enumeration order.
std::string regSubkeyNames(const tRegKey& key);

// The value as text (rules in detect/regtext.h); defaultText when the key is
// empty or has no such value. An empty name reads the key's default value.
std::string regReadText(const tRegKey& key, const std::string& name,
                        const std::string& defaultText);
