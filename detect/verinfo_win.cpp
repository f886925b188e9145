#include "detect/verinfo.h"

#include "util/systemlibrary.h"

#include <cstring>
#include <new>

namespace {

// The version library, loaded from the system folder on first use and kept
// to the end: it is not one the system always loads from there by itself.
struct VersionApi {
  OwnedLibrary library{loadSystemLibrary("version.dll")};
  decltype(&GetFileVersionInfoSizeA) infoSize =
      systemFunction<decltype(&GetFileVersionInfoSizeA)>(library.get(), "GetFileVersionInfoSizeA");
  decltype(&GetFileVersionInfoA) info =
      systemFunction<decltype(&GetFileVersionInfoA)>(library.get(), "GetFileVersionInfoA");
  decltype(&VerQueryValueA) queryValue =
      systemFunction<decltype(&VerQueryValueA)>(library.get(), "VerQueryValueA");
};

const VersionApi& versionApi() {
  static const VersionApi api;
  return api;
}

} // namespace

TVersionInfo::TVersionInfo(std::string fileName) : fileName_(std::move(fileName)) {
  load();
}

void TVersionInfo::load() {
  const VersionApi& api = versionApi();
  // Without the library no file has a version.
  if (!api.infoSize || !api.info || !api.queryValue) return;
  DWORD handle = 0;
  DWORD size = api.infoSize(fileName_.c_str(), &handle);
  infoSize_ = size > INT32_MAX ? 0 : static_cast<int32_t>(size);
  handle_ = handle;
  if (infoSize_ <= 0) return;
  // Out of memory is no error of ours to report: the file then simply has
  // no version.
  buffer_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(infoSize_)]);
  if (!buffer_) return;
  valid_ = api.info(fileName_.c_str(), handle_, size, buffer_.get()) != 0;
  if (!valid_) return;

  const void* data = nullptr;
  UINT length = 0;
  uint32_t entry = 0x04E40409; // language 0x0409 (US English), code page 1252
  if (query("\\VarFileInfo\\Translation", data, length) && length >= sizeof entry)
    std::memcpy(&entry, data, sizeof entry);
  translation_ = translationText(entry);
}

bool TVersionInfo::query(const std::string& path, const void*& data, UINT& length) const {
  if (!valid_) return false;
  void* found = nullptr;
  length = 0;
  if (!versionApi().queryValue(buffer_.get(), path.c_str(), &found, &length) || !found)
    return false;
  data = found;
  return true;
}

std::string TVersionInfo::GetStringValue(const std::string& name) const {
  const void* data = nullptr;
  UINT length = 0;
  if (!query("\\StringFileInfo\\" + translation_ + "\\" + name, data, length)) return {};
  // The text ends at its zero, and never beyond the resource.
  const char* text = static_cast<const char*>(data);
  const char* begin = reinterpret_cast<const char*>(buffer_.get());
  if (text < begin || text >= begin + infoSize_) return {};
  return std::string(text, strnlen(text, static_cast<size_t>(begin + infoSize_ - text)));
}

const VS_FIXEDFILEINFO* TVersionInfo::GetFixedInfo() const {
  const void* data = nullptr;
  UINT length = 0;
  if (!query("\\", data, length) || length < sizeof(VS_FIXEDFILEINFO)) return nullptr;
  return static_cast<const VS_FIXEDFILEINFO*>(data);
}

tVersionNumbers TVersionInfo::GetFileVersionNumbers() const {
  const VS_FIXEDFILEINFO* fixed = GetFixedInfo();
  if (!fixed) return {};
  return {fixed->dwFileVersionMS, fixed->dwFileVersionLS};
}

tVersionNumbers TVersionInfo::GetProductVersionNumbers() const {
  const VS_FIXEDFILEINFO* fixed = GetFixedInfo();
  if (!fixed) return {};
  return {fixed->dwProductVersionMS, fixed->dwProductVersionLS};
}

std::string TVersionInfo::GetFileVersion(uint32_t platformId) const {
  std::string numeric;
  if (valid_) {
    tVersionNumbers n = GetFileVersionNumbers();
    numeric = formatVersion(n.mostSignificant, n.leastSignificant);
  }
  return chooseFileVersion(numeric, GetStringValue("FileVersion"), platformId);
}

std::string TVersionInfo::GetProductVersion() const {
  std::string text = GetStringValue("ProductVersion");
  if (text.empty() && valid_) {
    tVersionNumbers n = GetProductVersionNumbers();
    text = formatVersion(n.mostSignificant, n.leastSignificant);
  }
  return text;
}
