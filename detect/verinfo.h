#pragma once
// sys_verinfo (Windows only): TVersionInfo reads the version resource of an
// executable or library and yields its file and product versions as text.
// A file without a readable resource is not an error: its texts are empty.
#include "detect/osversion.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

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
  // chooseFileVersion (detect/version.h) prefers it for that platform family.
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
