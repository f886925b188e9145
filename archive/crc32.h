#pragma once
// CRC-32 of ZIP archives (ISO 3309, reflected polynomial 0xEDB88320).
//
// The caller keeps the running register: it starts at 0xFFFFFFFF, each updateCrc call feeds a run
// of bytes, and the final value is complemented to give the CRC stored in the archive.
// The lookup tables are built once at start-up by buildCrcTable(); updateCrc builds them itself on
// first use if that call was forgotten, so no caller can ever see an empty table.

#include <cstddef>
#include <cstdint>

// Builds the lookup tables and picks the fastest routine this processor supports.
void buildCrcTable();

// Adds n bytes at data to the register crc and returns the new register.
uint32_t updateCrc(uint32_t crc, const uint8_t* data, size_t n);

// The portable table-driven routine, which updateCrc uses on processors without carry-less
// multiply. Exposed so that tests can compare both routines on the same machine.
uint32_t updateCrcPortable(uint32_t crc, const uint8_t* data, size_t n);

// True when updateCrc folds with the processor's carry-less multiply instruction.
bool crcUsesCarrylessMultiply();
