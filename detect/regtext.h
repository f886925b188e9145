#pragma once
// The registry reader's rules that need no registry: how a value's bytes are
// written as text, how enumerated names are joined, which registry view a
// system gets. The reader itself is detect/registry.h.
#include <cstdint>
#include <string>
#include <string_view>

// Value types as the registry stores them.
constexpr uint32_t regTypeSz = 1;
constexpr uint32_t regTypeExpandSz = 2;
constexpr uint32_t regTypeBinary = 3;
constexpr uint32_t regTypeDword = 4;

// KEY_WOW64_64KEY: the 64-bit view of the registry.
constexpr uint32_t registryView64 = 0x0100;

// The view flag for a system's major version: the 64-bit view from Vista (6) on.
uint32_t registryViewFor(int32_t osMajor);

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

// Appends name to a list of names joined by LF.
void appendName(std::string& names, std::string_view name);
