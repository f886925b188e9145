#pragma once
// The registry reader and its rules. The rules need no registry (how a
// value's bytes are written as text, which registry view a system gets;
// detect/registry.cpp) and build everywhere. The reader itself (Windows only,
// detect/registry_win.cpp) opens keys read-only, in the view the caller names
// (by default the one that suits the system), lists their value and subkey
// names and reads any value as text. It never fails toward the caller: a key
// that does not open is an empty tRegKey, and every read from an empty key
// yields the empty or the default result. The program never creates, writes
// or deletes a key.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Value types as the registry stores them.
constexpr uint32_t regTypeSz = 1;
constexpr uint32_t regTypeExpandSz = 2;
constexpr uint32_t regTypeBinary = 3;
constexpr uint32_t regTypeDword = 4;

// KEY_WOW64_64KEY: the 64-bit view of the registry.
constexpr uint32_t registryView64 = 0x0100;

// KEY_WOW64_32KEY: the 32-bit view of the registry.
constexpr uint32_t registryView32 = 0x0200;

// The view flag for a system's major version: the 64-bit view from Vista (6) on.
uint32_t registryViewFor(int32_t osMajor);
// The view searched once more after the usual one: the 32-bit view, where
// 32-bit browsers register, when the usual one is the 64-bit view; else 0.
uint32_t secondRegistryView(uint32_t usualView);

// A value's data as text:
// - REG_SZ, REG_EXPAND_SZ: the first size - 1 bytes (the text without its
//   terminating zero; references are not expanded); empty for size 0;
// - REG_DWORD, and REG_BINARY of exactly 4 bytes: the little-endian value as
//   signed decimal; a REG_DWORD of another size is read from the bytes it has
//   (missing high bytes are zero, extra bytes ignored);
// - other REG_BINARY: "0x" and two lower-case hex digits per byte;
// - any other type: empty.
std::string renderRegistryValue(uint32_t type, std::string_view data);

// The path without one leading "\".
std::string_view withoutLeadingBackslash(std::string_view path);

#ifdef _WIN32
#include "util/handle.h"

#include <windows.h>

// The system's usual view: KEY_WOW64_64KEY from Vista on, else 0. Set once
// by registryStartup from osMajorVersion, fixed for the run.
extern uint32_t registryViewFlag;
// Runs after osVersionStartup.
void registryStartup();

struct RegKeyTraits {
  using Handle = HKEY;
  static Handle empty() { return nullptr; }
  static void close(Handle key) { RegCloseKey(key); }
};
// An open registry key; owns the handle and closes it when destroyed, or at
// once with reset(). Empty (false) when the key did not open.
using tRegKey = UniqueHandle<RegKeyTraits>;

// Opens root\path for reading in view (KEY_READ | view); one leading "\"
// of the path is dropped. Empty on any error.
tRegKey regOpenKey(HKEY root, std::string_view path, uint32_t view = registryViewFlag);

// The names of the key's values in enumeration order, without the default
// value (the one without a name). The enumeration stops at the first name
// that does not fit 1024 bytes.
std::vector<std::string> regValueNames(const tRegKey& key);
// The names of the key's subkeys in enumeration order.
std::vector<std::string> regSubkeyNames(const tRegKey& key);

// The value as text (renderRegistryValue); defaultText when the key is
// empty or has no such value. An empty name reads the key's default value.
std::string regReadText(const tRegKey& key, const std::string& name,
                        const std::string& defaultText);
#endif
