#pragma once
// A Windows program held in memory and read through its headers: its data
// directories, its sections, its COFF symbols and its resources, and the
// image checksum. The build's post-link step (tools/loadconfig.cpp) changes
// programs through it and the tests read the built programs back with it.
// Every offset taken from the file is checked against its bytes: a damaged
// file gives "not found" answers, never a read outside them.
#include <cstdint>
#include <string>
#include <string_view>

class PeImage {
public:
  struct Directory {
    uint32_t address = 0; // relative virtual address (the security directory: a file offset)
    uint32_t size = 0;
  };

  explicit PeImage(std::string bytes);

  bool valid() const { return optional_ != 0; } // a PE program with a 32- or 64-bit header
  bool wide() const { return wide_; }           // the 64-bit layout
  uint32_t machine() const;
  const std::string& bytes() const { return bytes_; }

  Directory directory(uint32_t index) const; // empty when the header has no such entry
  bool setDirectory(uint32_t index, Directory value);

  // The file offset of the n bytes at a relative virtual address, when they
  // lie in one section's bytes in the file; -1 when not.
  int64_t offsetOf(uint32_t address, uint32_t n) const;

  // The relative virtual address of an external symbol of the COFF symbol
  // table defined in a section; 0 when there is none of that name.
  uint32_t symbolAddress(std::string_view name) const;
  // Takes out the COFF symbol table and its strings, which the linker puts
  // at the end of the file, and marks the program stripped. False (and
  // nothing changed) when there is no table or something follows it.
  bool stripSymbols();

  // The data of the first language of the resource of this numeric type and
  // numeric name; empty when there is none.
  std::string_view resource(uint32_t type, uint32_t name) const;

  // The file version of the version resource's fixed block (most significant
  // word first); false when there is no such resource or block.
  bool fileVersion(uint32_t& mostSignificant, uint32_t& leastSignificant) const;

  uint32_t storedChecksum() const;
  uint32_t checksum() const; // what the checksum field should hold for these bytes
  void updateChecksum();

private:
  uint32_t get16(int64_t at) const; // 0 past the end
  uint32_t get32(int64_t at) const;
  void set32(int64_t at, uint32_t value);
  int64_t directoryEntry(uint32_t index) const; // file offset of the entry; 0 when none
  // The resource directory entry of this numeric id under the directory at
  // offset (from the start of the resource section); -1 when none.
  int64_t resourceEntry(int64_t base, int64_t directory, uint32_t id, bool any) const;

  std::string bytes_;
  int64_t peHeader_ = 0;
  int64_t optional_ = 0; // file offset of the optional header; 0: not a PE program
  uint32_t optionalSize_ = 0;
  bool wide_ = false;
};

// The machine type in the headers of the program or library at path, read
// from its first 64 KiB (where the linkers put the headers); 0 when the file
// cannot be read or is no PE file.
uint32_t fileMachine(const std::string& path);
