#include "util/ansi.h"

void lowerCaseInPlace(std::string& text) {
  for (char& c : text)
    c = static_cast<char>(lowerCase1252(static_cast<uint8_t>(c)));
}

void upperCaseInPlace(std::string& text) {
  for (char& c : text)
    c = static_cast<char>(upperCase1252(static_cast<uint8_t>(c)));
}

bool isLeadByte(uint8_t) {
  return false;
}
