#include "util/ansi.h"

uint8_t lowerCase1252(uint8_t c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  switch (c) {
  case 0x8A: // S with caron
  case 0x8C: // OE ligature
  case 0x8E: // Z with caron
    return c + 0x10;
  case 0x9F: // Y with diaeresis
    return 0xFF;
  default:
    return c;
  }
}

uint8_t upperCase1252(uint8_t c) {
  if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  switch (c) {
  case 0x9A: // s with caron
  case 0x9C: // oe ligature
  case 0x9E: // z with caron
    return c - 0x10;
  case 0xFF: // y with diaeresis
    return 0x9F;
  default:
    return c;
  }
}
