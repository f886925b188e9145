#include "detect/registry.h"

uint32_t registryViewFor(int32_t osMajor) {
  return osMajor > 5 ? registryView64 : 0;
}

uint32_t secondRegistryView(uint32_t usualView) {
  return usualView == registryView64 ? registryView32 : 0;
}

namespace {

std::string signedDecimal(std::string_view data) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4 && i < data.size(); ++i)
    value |= static_cast<uint32_t>(static_cast<uint8_t>(data[i])) << (8 * i);
  return std::to_string(static_cast<int32_t>(value));
}

std::string hexBytes(std::string_view data) {
  static const char digits[] = "0123456789abcdef";
  std::string text = "0x";
  for (char c : data) {
    auto byte = static_cast<uint8_t>(c);
    text += digits[byte >> 4];
    text += digits[byte & 15];
  }
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

void appendName(std::string& names, std::string_view name) {
  if (!names.empty()) names += '\n';
  names += name;
}
