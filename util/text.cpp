#include "util/text.h"

#include "util/ansi.h"

namespace {

// Length of the character that starts at index i: 2 for a lead byte that has
// a byte after it, else 1. Scanning by characters keeps trail bytes out of
// every separator test.
size_t charLength(std::string_view text, size_t i) {
  return isLeadByte(static_cast<uint8_t>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

// Index of the last single-byte character of text that is one of delims, or
// npos. Must scan forwards: a trail byte is only known from its lead byte.
size_t lastDelimiter(std::string_view text, std::string_view delims) {
  size_t found = std::string_view::npos;
  for (size_t i = 0; i < text.size(); i += charLength(text, i)) {
    if (charLength(text, i) == 1 && delims.find(text[i]) != std::string_view::npos) found = i;
  }
  return found;
}

int digitValue(char c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (!hex) return -1;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

} // namespace

std::string lowerCase(std::string_view text) {
  std::string result(text);
  lowerCaseInPlace(result);
  return result;
}

std::string upperCase(std::string_view text) {
  std::string result(text);
  upperCaseInPlace(result);
  return result;
}

std::string withoutControls(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  for (char c : text)
    if (static_cast<uint8_t>(c) >= 32) kept += c;
  return kept;
}

std::string trim(std::string_view text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && static_cast<uint8_t>(text[first]) <= 32)
    ++first;
  while (last > first && static_cast<uint8_t>(text[last - 1]) <= 32)
    --last;
  return std::string(text.substr(first, last - first));
}

int pos(std::string_view sub, std::string_view text) {
  if (sub.empty()) return 0;
  size_t at = text.find(sub);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

std::string nextToken(std::string_view text, int& position, char separator) {
  if (position < 1) position = 1;
  size_t start = static_cast<size_t>(position) - 1;
  if (start >= text.size()) return {};
  size_t i = start;
  while (i < text.size()) {
    size_t len = charLength(text, i);
    if (len == 1 && text[i] == separator) {
      position = static_cast<int>(i) + 2;
      return std::string(text.substr(start, i - start));
    }
    i += len;
  }
  position = static_cast<int>(text.size()) + 1;
  return std::string(text.substr(start));
}

std::string nextQuotedToken(std::string_view text, int& position, std::string_view separators) {
  if (separators.empty()) separators = " ";
  if (position < 1) position = 1;
  std::string token;
  char quote = 0;
  size_t i = static_cast<size_t>(position) - 1;
  while (i < text.size()) {
    size_t len = charLength(text, i);
    char c = text[i];
    if (len == 2) {
      token.append(text.substr(i, 2));
    } else if (quote == 0 && (c == '"' || c == '\'')) {
      quote = c;
    } else if (quote != 0 && c == quote) {
      quote = 0;
    } else if (quote == 0 && separators.find(c) != std::string_view::npos) {
      i += 1;
      break;
    } else {
      token += c;
    }
    i += len;
  }
  position = static_cast<int>(i) + 1;
  return token;
}

int32_t tokenInt(std::string_view text, int& position, char separator) {
  std::string token = trim(nextToken(text, position, separator)).substr(0, 12);
  size_t i = 0;
  bool negative = false;
  bool hex = false;
  if (i < token.size() && token[i] == '$') {
    hex = true;
    ++i;
  } else if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
    negative = token[i] == '-';
    ++i;
  }
  // Twelve characters can exceed 32 bits; the value wraps like a 32-bit register.
  uint32_t value = 0;
  size_t digits = 0;
  for (; i < token.size(); ++i, ++digits) {
    int d = digitValue(token[i], hex);
    if (d < 0) break;
    value = value * (hex ? 16u : 10u) + static_cast<uint32_t>(d);
  }
  bool whole = digits > 0 && i == token.size();
  if (whole && negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

std::string hexDigits(uint32_t value, int count, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string text(static_cast<size_t>(count), '0');
  for (int i = count - 1; i >= 0; --i, value >>= 4)
    text[static_cast<size_t>(i)] = digits[value & 0xF];
  return text;
}

std::string extractFilePath(std::string_view path) {
  size_t at = lastDelimiter(path, "\\:");
  return at == std::string_view::npos ? std::string() : std::string(path.substr(0, at + 1));
}

std::string excludeTrailingDelimiter(std::string_view path) {
  if (!path.empty() && lastDelimiter(path, "\\/") == path.size() - 1) path.remove_suffix(1);
  return std::string(path);
}
