#include "util/platform.h"

#include "util/text.h"

namespace platform {

File createNewNamed(const std::string& prefix, std::string& path) {
  constexpr uint32_t attempts = 64;
  uint32_t start = tickCount();
  for (uint32_t i = 0; i < attempts; ++i) {
    // Tries lie far apart: a run of names left behind costs one try, not one each.
    path = prefix + hexDigits(start + i * 0x9E3779B9u, 8, false) + ".tmp";
    File file = File::createNew(path, Share::read);
    if (file.isOpen()) return file;
  }
  path.clear();
  return {};
}

} // namespace platform
