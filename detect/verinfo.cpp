#include "detect/verinfo.h"

#include <algorithm>
#include <cstdio>

std::string formatVersion(uint32_t mostSignificant, uint32_t leastSignificant) {
  char text[32];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", mostSignificant >> 16, mostSignificant & 0xFFFF,
                leastSignificant >> 16, leastSignificant & 0xFFFF);
  return text;
}

std::string commasToDots(std::string_view text) {
  std::string result(text);
  std::replace(result.begin(), result.end(), ',', '.');
  return result;
}

std::string chooseFileVersion(const std::string& numeric, const std::string& text,
                              uint32_t platformId) {
  // Old 9x-era builds often carried a three-part string beside a four-part
  // number; there the string is the one users know.
  auto separators =
      std::count_if(text.begin(), text.end(), [](char c) { return c == '.' || c == ','; });
  bool useText = numeric == "0.0.0.0";
  if (platformId != platformWin32NT && separators == 2) useText = true;
  return useText ? text : numeric;
}

std::string translationText(uint32_t entry) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X%04X", entry & 0xFFFF, entry >> 16);
  return text;
}
