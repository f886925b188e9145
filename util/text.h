#pragma once
// Text routines shared by the installer flow, browser detection and
// extraction. Texts are byte strings in the system's ANSI code page; positions
// are 1-based and 0 means "not found". A trail byte of a double-byte character
// is never taken for a separator.
#include <cstdint>
#include <string>
#include <string_view>

// Lower-cases by the system's ANSI rules (Windows-1252 rules on the host).
std::string lowerCase(std::string_view text);
// Upper-cases by the system's ANSI rules (Windows-1252 rules on the host).
std::string upperCase(std::string_view text);

// The text without its leading and trailing characters of code 32 or less.
std::string trim(std::string_view text);

// The text without its control characters (codes below 32): a line break
// in a name read from a file or the registry would split a one-line record.
std::string withoutControls(std::string_view text);

// 1-based position of the first occurrence of sub in text, byte for byte;
// 0 when sub does not occur and also when sub is empty.
int pos(std::string_view sub, std::string_view text);

// The characters from position up to the next separator (or the end); moves
// position past that separator. A position of 0 is taken as 1. Callers loop
// while position <= text length, so a final separator gives no extra token.
std::string nextToken(std::string_view text, int& position, char separator);

// As nextToken, but " and ' open a quoted stretch that the same quote closes
// (both dropped); separators inside quotes are ordinary characters. An empty
// separator set means a blank.
std::string nextQuotedToken(std::string_view text, int& position, std::string_view separators);

// The next token, trimmed, cut to 12 characters and read as a 32-bit integer:
// [+|-]decimal or $hex. A token that is a number through to its end gives its
// value (negated after "-"); otherwise the unsigned value of the digits read
// before the first one that does not fit, 0 when there are none.
int32_t tokenInt(std::string_view text, int& position, char separator);

// The low `count` hexadecimal digits of value (count at most 8), most
// significant first, in upper or lower case. Made without the C library's
// formatted printing, which would bring its whole engine into the program.
std::string hexDigits(uint32_t value, int count, bool upper);

// The path up to and including its last "\" or ":"; empty when it has neither.
std::string extractFilePath(std::string_view path);

// The path without one final "\" or "/".
std::string excludeTrailingDelimiter(std::string_view path);
