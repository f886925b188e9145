#pragma once
// Expands a deflated block held in memory with the archive's own decoder. The
// program keeps its largest resource, the side panel's bitmap, deflated (a
// quarter of its size) and expands it once at start-up.
#include <cstddef>
#include <string>
#include <string_view>

// The bytes of the raw deflate stream (RFC 1951, no zlib or gzip wrapper)
// deflated. Empty when the stream is damaged, ends early, or would expand to
// more than limit bytes.
std::string inflateBytes(std::string_view deflated, size_t limit);
