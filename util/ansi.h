#pragma once
// The system's ANSI code page as the text routines need it: lower- and
// upper-casing and double-byte lead bytes. On Windows these ask the system; on the host they
// follow Windows-1252, which has no double-byte characters.
#include <cstdint>
#include <string>

// Lower-cases the bytes in place by the system's rules.
void lowerCaseInPlace(std::string& text);
// Upper-cases the bytes in place by the system's rules.
void upperCaseInPlace(std::string& text);

// True when the byte starts a double-byte character in the system's code page.
bool isLeadByte(uint8_t byte);

// Windows-1252 lower-casing of one byte; the host's rule, kept on every
// target so that a Windows test can hold it against the system's own.
uint8_t lowerCase1252(uint8_t byte);
// Windows-1252 upper-casing of one byte, the reverse of lowerCase1252: the
// micro sign and the sharp s have no capital in the code page and stay.
uint8_t upperCase1252(uint8_t byte);
