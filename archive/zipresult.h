#pragma once
// Result codes of the decoder and of entry extraction. The numbers are part of the contract with
// the installer flow, which maps them to messages; 5 is never produced.

enum ZipResult : int {
  zipOk = 0,          // decoded and written (extraction: and the CRC-32 matches)
  zipCrcError = 1,    // a code-length repeat 16 or 17 runs past the end (extraction: CRC mismatch)
  zipWriteError = 2,  // the output cannot be made, or a write of decoded data failed or came short
  zipReadError = 3,   // the input ran out, or a stored entry could not be read in full
  zipBadData = 4,     // corrupt compressed data
  zipUnsupported = 6, // compression method other than stored or deflated
  zipEncrypted = 7,   // the entry is encrypted
  zipUnsafePath = 8,  // the name would place a file outside its folder, or where Windows would
                      // store it under another name (installEntry, the packer)
};
