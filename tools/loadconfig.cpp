// loadconfig: the post-link step of the installer program. It points the
// program's load-configuration directory at the structure the program
// defines as _load_config_used (Microsoft's linker does that on its own; GNU
// ld 2.40 leaves the directory empty, and Windows then never reads the
// dependent-load flags in it), optionally takes out the COFF symbol table
// that the link kept only for this lookup, and sets the image checksum.
//
//   loadconfig [--strip] PROGRAM
//
// The program is rewritten in place, and the result depends only on its
// bytes, so two builds of one commit stay identical.
#include "archive/peformat.h"
#include "archive/peimage.h"
#include "archive/zipformat.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

int fail(const std::string& message) {
  std::fprintf(stderr, "loadconfig: %s\n", message.c_str());
  return 1;
}

} // namespace

int main(int argc, char** argv) {
  bool strip = argc == 3 && std::string(argv[1]) == "--strip";
  if (argc != 2 && !strip) return fail("usage: loadconfig [--strip] PROGRAM");
  const std::string path = argv[argc - 1];
  std::ifstream in(path, std::ios::binary);
  PeImage image(std::string(std::istreambuf_iterator<char>(in), {}));
  if (!in.good() && !in.eof()) return fail("cannot read " + path);
  if (!image.valid()) return fail(path + " is not a Windows program");

  // The C name's symbol; 32-bit x86 symbols carry a leading underscore.
  const bool x86 = image.machine() == pe::machineI386;
  if (!x86 && image.machine() != pe::machineAmd64) return fail(path + ": not an x86 program");
  const uint32_t address = image.symbolAddress(x86 ? "__load_config_used" : "_load_config_used");
  if (address == 0) return fail(path + " has no _load_config_used in its symbol table");
  // The structure opens with its own size, which must reach past the flags.
  const int64_t at = image.offsetOf(address, 4);
  const uint32_t size = at < 0 ? 0 : readLe32(image.bytes().data() + at);
  const int64_t flagsEnd =
      (x86 ? pe::loadConfig::dependentLoadFlags32 : pe::loadConfig::dependentLoadFlags64) + 2;
  if (size < flagsEnd || image.offsetOf(address, size) < 0)
    return fail(path + ": _load_config_used is not a load configuration");
  if (!image.setDirectory(pe::loadConfigDirectory, {address, size}))
    return fail(path + " has no load-configuration directory entry");
  if (strip && !image.stripSymbols())
    return fail(path + ": the symbol table is not at the end of the file");
  image.updateChecksum();

  const std::string temporary = path + ".loadconfig";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(image.bytes().data(), std::streamsize(image.bytes().size()));
    if (!out.flush()) return fail("cannot write " + temporary);
  }
  std::error_code ignored; // the program keeps its permissions (executable)
  std::filesystem::permissions(temporary, std::filesystem::status(path).permissions(), ignored);
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return fail("cannot replace " + path);
  }
  return 0;
}
