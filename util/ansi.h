#pragma once
// The system's ANSI code page as the text routines need it: lower-casing and
// double-byte lead bytes. On Windows these ask the system; on the host they
// follow Windows-1252, which has no double-byte characters.
#include <cstdint>
#include <string>

// Lower-cases the bytes in place by the system's rules.
void lowerCaseInPlace(std::string& text);

// True when the byte starts a double-byte character in the system's code page.
bool isLeadByte(uint8_t byte);

// Windows-1252 lower-casing of one byte; the host's rule, kept on every
// target so that a Windows test can hold it against the system's own.
uint8_t lowerCase1252(uint8_t byte);
