#pragma once
// Matching a web browser's user-agent text to a detected browser: the agent
// text is reduced to a key (and sometimes a family word) that the matching
// browser's lower-cased display name contains.
#include "detect/browserlist.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct tAgentKey {
  std::string key;      // text the display name must contain; empty matches nothing
  std::string family;   // text it must contain as well, when not empty
  bool atStart = false; // the display name must begin with key
};

// The key of a lower-cased agent text: the last "opera" version, or the last
// firefox/, firebird/ or k-meleon/ product token (with a blank for its "/"),
// or palemoon/, basilisk/ or seamonkey/ (the product's name, "pale moon",
// "basilisk" or "seamonkey", at the start of the display name, whatever
// the version: an entry of the Extensions branch carries none), else
// "mozilla " + the rv: version when a gecko/ token is present, else up to 12
// characters of the first token after its "/" with family "netscape".
tAgentKey agentKey(std::string_view agent);

// The position of the first browser whose lower-cased display name contains
// the agent's key and family; none when no browser's does.
std::optional<size_t> findBrowserForAgent(const std::vector<tBrowser>& browsers,
                                          std::string_view agent);
