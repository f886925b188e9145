#include "util/platform.h"

namespace platform {

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = other.handle_;
    other.handle_ = invalid;
  }
  return *this;
}

} // namespace platform
