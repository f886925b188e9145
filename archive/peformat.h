#pragma once
// The layout of a Windows program's headers (PE/COFF) as far as this project
// reads or writes them: where the PE header is, the file header and optional
// header fields, the data directories, the section table, the COFF symbol
// table, the resource tree and the load configuration. Offsets are in bytes;
// the fields are little-endian (readLe16 and readLe32 of util/littleendian.h read them).
#include <cstdint>

namespace pe {

constexpr int64_t headerPointer = 0x3C; // in the DOS header: where the PE header starts
constexpr uint32_t signature = 0x4550;  // "PE\0\0"

// The file header, from the PE header (after the signature).
constexpr int64_t machineField = 4;
constexpr int64_t sectionCountField = 6;
constexpr int64_t symbolTableField = 12; // file offset of the COFF symbol table, 0: none
constexpr int64_t symbolCountField = 16;
constexpr int64_t optionalSizeField = 20; // the optional header's size
constexpr int64_t characteristicsField = 22;
constexpr int64_t optionalHeader = 24; // signature and file header

constexpr uint32_t machineI386 = 0x14C;
constexpr uint32_t machineAmd64 = 0x8664;
// Characteristics that say the symbols and line numbers were taken out.
constexpr uint32_t lineNumbersStripped = 0x4;
constexpr uint32_t localSymbolsStripped = 0x8;
constexpr uint32_t debugStripped = 0x200;

// The optional header, by its magic.
constexpr uint32_t magic32 = 0x10B;
constexpr uint32_t magic64 = 0x20B;
constexpr int64_t checksumField = 64; // the same place in both
constexpr int64_t directoryCount32 = 92;
constexpr int64_t directoryCount64 = 108;
constexpr int64_t directories32 = 96;
constexpr int64_t directories64 = 112;

// Data directories: a relative virtual address and a size each (the security
// directory holds a file offset instead of an address).
constexpr int64_t directorySize = 8;
constexpr uint32_t resourceDirectory = 2;
constexpr uint32_t securityDirectory = 4;
constexpr uint32_t loadConfigDirectory = 10;

constexpr uint32_t certificateHeader = 8; // each certificate: length, revision, type

// A section table entry.
namespace section {
constexpr int64_t virtualSize = 8;
constexpr int64_t virtualAddress = 12;
constexpr int64_t rawSize = 16;
constexpr int64_t rawPointer = 20;
constexpr int64_t size = 40;
} // namespace section

// A COFF symbol record; the string table follows the last one, opening with
// its own length.
namespace symbol {
constexpr int64_t value = 8;          // from the start of its section
constexpr int64_t sectionNumber = 12; // 1-based; 0 and below: no section
constexpr int64_t storageClass = 16;
constexpr int64_t auxCount = 17;
constexpr int64_t size = 18;
constexpr uint32_t external = 2;
} // namespace symbol

// Resource tree: a directory of named then numbered entries, each leading to
// a subdirectory (high bit set) or a data entry (address and size).
namespace resource {
constexpr int64_t namedCount = 12;
constexpr int64_t idCount = 14;
constexpr int64_t entries = 16;
constexpr int64_t entrySize = 8;
constexpr uint32_t subdirectory = 0x80000000;
constexpr uint32_t manifestType = 24;
constexpr uint32_t versionType = 16;
constexpr uint32_t versionName = 1; // VS_VERSION_INFO
} // namespace resource

// The version resource: its length, value length and type words, the key
// "VS_VERSION_INFO" in UTF-16 with its terminator, padding to 4 bytes, then
// the fixed block.
namespace version {
constexpr int64_t valueLength = 2;
constexpr int64_t fixedBlock = 40;
constexpr uint32_t fixedSize = 52;
constexpr uint32_t fixedSignature = 0xFEEF04BD;
constexpr int64_t fileVersionMs = 8; // in the fixed block
constexpr int64_t fileVersionLs = 12;
} // namespace version

// The load configuration: its own size first; the flags with which the
// loader resolves the program's static imports (the 32-bit layout's fields
// are 4 bytes wide where the 64-bit one's are 8, so they sit apart).
namespace loadConfig {
constexpr int64_t dependentLoadFlags32 = 0x36;
constexpr int64_t dependentLoadFlags64 = 0x4E;
constexpr uint32_t searchSystem32 = 0x800; // LOAD_LIBRARY_SEARCH_SYSTEM32
} // namespace loadConfig

} // namespace pe
