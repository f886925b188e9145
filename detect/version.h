#pragma once
// Version texts: how the numbers of a version resource are written, and which
// of a file's two file versions (the numeric one or the string) counts on
// which platform family. Portable rules of TVersionInfo (detect/verinfo.h).
#include <cstdint>
#include <string>
#include <string_view>

// Platform identifiers as GetVersionExA reports them.
constexpr uint32_t platformWin32Windows = 1; // Windows 95, 98, ME
constexpr uint32_t platformWin32NT = 2;      // Windows NT, 2000, XP and later

// "a.b.c.d" from the four unsigned 16-bit halves of the two words, most
// significant first.
std::string formatVersion(uint32_t mostSignificant, uint32_t leastSignificant);

// The text with every "," replaced by "."; blanks are kept.
std::string commasToDots(std::string_view text);

// The file version TVersionInfo reports: numeric is formatVersion of the fixed
// block (empty when there is no resource), text the "FileVersion" string. The
// numeric version wins, except when it is 0.0.0.0 and, on the 9x family, when
// the string has exactly two separators ("." or ",").
std::string chooseFileVersion(const std::string& numeric, const std::string& text,
                              uint32_t platformId);

// The 8 upper-case hex digits naming a string table: language, then code page,
// from a translation entry (language in the low 16 bits).
std::string translationText(uint32_t entry);
