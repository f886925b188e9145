#pragma once
// sys_verinfo: the version rules and the version reader. The rules build
// everywhere (detect/verinfo.cpp): how the numbers of a version resource are
// written, and which of a file's two file versions (the numeric one or the
// string) counts on which platform family. TVersionInfo (Windows only,
// detect/verinfo_win.cpp) reads the version resource of an executable or
// library and yields its file and product versions as text; a file without a
// readable resource is not an error: its texts are empty.
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

#ifdef _WIN32
#include "detect/osversion.h"

#include <windows.h>

#include <memory>

// The two 32-bit words of a version number, most significant first.
struct tVersionNumbers {
  uint32_t mostSignificant = 0;
  uint32_t leastSignificant = 0;
};

class TVersionInfo {
public:
  // Reads the resource at once; Valid() tells whether that worked.
  explicit TVersionInfo(std::string fileName);
  TVersionInfo(const TVersionInfo&) = delete;
  TVersionInfo& operator=(const TVersionInfo&) = delete;

  const std::string& FileName() const { return fileName_; }
  bool Valid() const { return valid_; }
  int32_t InfoSize() const { return infoSize_; }
  uint32_t Handle() const { return handle_; }
  // Language and code page of the first translation, as 8 upper-case hex
  // digits; "040904E4" when the resource has no translation table.
  const std::string& Translation() const { return translation_; }

  // The entry of the Translation string table; empty when there is none.
  std::string GetStringValue(const std::string& name) const;
  // The numeric file version, or the "FileVersion" string where the rule of
  // chooseFileVersion prefers it for that platform family.
  std::string GetFileVersion(uint32_t platformId = systemPlatformId()) const;
  // The "ProductVersion" string, else the numeric product version.
  std::string GetProductVersion() const;
  // The fixed-information block; null without a resource or block.
  const VS_FIXEDFILEINFO* GetFixedInfo() const;
  // Zero when there is no fixed-information block.
  tVersionNumbers GetFileVersionNumbers() const;
  tVersionNumbers GetProductVersionNumbers() const;

private:
  void load();
  // VerQueryValueA at path; false without a resource or without that entry.
  bool query(const std::string& path, const void*& data, UINT& length) const;

  std::string fileName_;
  bool valid_ = false;
  int32_t infoSize_ = 0;
  std::unique_ptr<uint8_t[]> buffer_;
  uint32_t handle_ = 0;
  std::string translation_;
};
#endif
