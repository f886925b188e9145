// The detection rules that read text from outside: the archive comment's
// user-agent text, registry value data and the version texts of browser
// programs. The first byte picks the rule; the rest is its input.
#include "detect/agent.h"
#include "detect/naming.h"
#include "detect/registry.h"
#include "detect/verinfo.h"
#include "util/text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

const std::vector<tBrowser>& browsers() {
  static const std::vector<tBrowser> list = [] {
    std::vector<tBrowser> l;
    for (const char* name : {"Firebird 0.7", "Mozilla Firefox 1.5.0.1", "Netscape Navigator 4.79",
                             "Opera 8.00 beta", "Opera 8.50"})
      l.push_back({name, "C:\\program.exe", "C:\\Plugins"});
    return l;
  }();
  return list;
}

// The next part of text up to a zero byte (or its end), moving position past it.
std::string part(const std::string& text, size_t& position) {
  size_t zero = std::min(text.find('\0', position), text.size());
  std::string result =
      text.substr(std::min(position, text.size()), zero - std::min(position, zero));
  position = zero + 1;
  return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 4) {
  case 0: {
    std::optional<size_t> i = findBrowserForAgent(browsers(), input);
    if (i && *i >= browsers().size()) __builtin_trap();
    break;
  }
  case 1:
    renderRegistryValue(data[0] >> 2, input);
    break;
  case 2: {
    size_t at = 0;
    std::string fileVersion = part(input, at);
    std::string productVersion = part(input, at);
    std::string name = part(input, at);
    bool beta = false;
    checkGeckoVersionText(
        lowerCase(name), [&] { return fileVersion; }, [&] { return productVersion; }, beta, name);
    firefoxShortVersion(productVersion);
    break;
  }
  case 3: {
    size_t at = 0;
    std::string first = part(input, at);
    std::string second = part(input, at);
    chooseFileVersion(first, second, data[0] >> 2);
    commasToDots(second);
    dropNetscape6Major(second);
    operaDirFromValue(operaValueKind(first), second);
    navigatorProgramPath(first, second);
    break;
  }
  }
  return 0;
}
