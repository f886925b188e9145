#include "detect/registry.h"

#include "util/littleendian.h"
#include "util/text.h"

#include <algorithm>
#include <cstring>

uint32_t registryViewFor(int32_t osMajor) {
  return osMajor > 5 ? registryView64 : 0;
}

uint32_t secondRegistryView(uint32_t usualView) {
  return usualView == registryView64 ? registryView32 : 0;
}

namespace {

std::string signedDecimal(std::string_view data) {
  // Missing high bytes read as zero.
  char bytes[4] = {};
  std::memcpy(bytes, data.data(), std::min<size_t>(data.size(), sizeof bytes));
  return std::to_string(static_cast<int32_t>(readLe32(bytes)));
}

std::string hexBytes(std::string_view data) {
  std::string text = "0x";
  for (char c : data)
    text += hexDigits(static_cast<uint8_t>(c), 2, false);
  return text;
}

} // namespace

std::string renderRegistryValue(uint32_t type, std::string_view data) {
  switch (type) {
  case regTypeSz:
  case regTypeExpandSz:
    return data.empty() ? std::string() : std::string(data.substr(0, data.size() - 1));
  case regTypeDword:
    return signedDecimal(data);
  case regTypeBinary:
    return data.size() == 4 ? signedDecimal(data) : hexBytes(data);
  default:
    return {};
  }
}

std::string_view withoutLeadingBackslash(std::string_view path) {
  if (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  return path;
}
