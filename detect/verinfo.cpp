#include "detect/verinfo.h"

#include <algorithm>

#include "util/text.h"

// Formatted by hand: the C library's printf family would bring its whole
// formatting engine (floating point included) into the program for this.
std::string formatVersion(uint32_t mostSignificant, uint32_t leastSignificant) {
  return std::to_string(mostSignificant >> 16) + '.' + std::to_string(mostSignificant & 0xFFFF) +
         '.' + std::to_string(leastSignificant >> 16) + '.' +
         std::to_string(leastSignificant & 0xFFFF);
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
  // Language first, then code page: four upper-case hex digits each.
  return hexDigits((entry & 0xFFFF) << 16 | entry >> 16, 8, true);
}
