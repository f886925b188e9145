#include "util/ansi.h"

#include <windows.h>

void lowerCaseInPlace(std::string& text) {
  if (!text.empty()) CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
}

void upperCaseInPlace(std::string& text) {
  if (!text.empty()) CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
}

bool isLeadByte(uint8_t byte) {
  return IsDBCSLeadByte(byte) != 0;
}
