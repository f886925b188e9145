#include "detect/registry.h"

#include "detect/osversion.h"

#include <algorithm>
#include <cstring>
#include <vector>

uint32_t registryViewFlag = 0;

void registryStartup() {
  registryViewFlag = registryViewFor(osMajorVersion);
}

tRegKey regOpenKey(HKEY root, std::string_view path, uint32_t view) {
  std::string subkey(withoutLeadingBackslash(path));
  HKEY handle = nullptr;
  if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ | view, &handle) != ERROR_SUCCESS) return {};
  return tRegKey(handle);
}

namespace {

// Offered to the enumerations: 1024 bytes for a name and its terminating zero,
// with one spare byte.
constexpr DWORD nameSize = 1024;

// Collects the names that next(index, buffer) yields until it does not
// return ERROR_SUCCESS. Only the default value has an empty name; it is read
// by that empty name, never looked up in a list.
template <typename Next> std::vector<std::string> enumerateNames(Next next) {
  std::vector<std::string> names;
  char buffer[nameSize + 1];
  for (DWORD index = 0;; ++index) {
    DWORD length = nameSize;
    if (next(index, buffer, length) != ERROR_SUCCESS) return names;
    if (length > 0) names.emplace_back(buffer, std::min<DWORD>(length, nameSize));
  }
}

} // namespace

std::vector<std::string> regValueNames(const tRegKey& key) {
  if (!key) return {};
  return enumerateNames([&](DWORD index, char* buffer, DWORD& length) {
    return RegEnumValueA(key.get(), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
  });
}

std::vector<std::string> regSubkeyNames(const tRegKey& key) {
  if (!key) return {};
  return enumerateNames([&](DWORD index, char* buffer, DWORD& length) {
    buffer[nameSize] = '\0';
    LONG result = RegEnumKeyA(key.get(), index, buffer, nameSize);
    length = static_cast<DWORD>(std::strlen(buffer));
    return result;
  });
}

std::string regReadText(const tRegKey& key, const std::string& name,
                        const std::string& defaultText) {
  if (!key) return defaultText;
  DWORD type = 0;
  DWORD size = 0;
  LONG result = RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size);
  if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) return defaultText;
  // The value may change between the two calls: what counts is what the
  // second one read, and a failed read is as good as a missing value.
  std::vector<BYTE> data(size > 0 ? size : 1);
  if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, data.data(), &size) !=
      ERROR_SUCCESS)
    return defaultText;
  return renderRegistryValue(type,
                             std::string_view(reinterpret_cast<const char*>(data.data()), size));
}
