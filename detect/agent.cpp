#include "detect/agent.h"

#include "util/text.h"

namespace {

// The display name's beginning for the browsers of today whose own product
// token ends their agent texts; empty for other products.
std::string productName(const std::string& product) {
  if (product == "palemoon") return "pale moon";
  if (product == "basilisk" || product == "seamonkey") return product;
  return {};
}

struct AgentScan {
  std::string first;
  std::string key;
  bool keyAtStart = false;
  std::string rv;
  bool afterOpera = false;
  bool sawGecko = false;

  void take(std::string tok);
  void takeProduct(std::string& tok);
};

void AgentScan::take(std::string tok) {
  if (first.empty()) first = tok;
  if (!tok.empty() && tok.back() == ')') tok.pop_back();
  if (tok == "opera") {
    afterOpera = true;
  } else if (afterOpera) {
    afterOpera = false;
    keyAtStart = false;
    key = "opera " + tok;
    if (tok == "8.00") key += " beta"; // Opera 8 betas said 8.00 in their agent text
  } else if (tok.compare(0, 3, "rv:") == 0) {
    rv = tok.substr(3, 99);
  }
  takeProduct(tok);
}

// A product/version token: gecko/ only tells that rv: is a Gecko version; the
// browsers named by their own product token give the key.
void AgentScan::takeProduct(std::string& tok) {
  int p = pos("/", tok);
  if (p == 0) return;
  std::string product = tok.substr(0, static_cast<size_t>(p - 1));
  tok[static_cast<size_t>(p - 1)] = ' ';
  if (product == "gecko") {
    sawGecko = true;
  } else if (product == "k-meleon" || product == "firefox" || product == "firebird") {
    key = tok;
    keyAtStart = false;
  } else if (std::string name = productName(product); !name.empty()) {
    key = name;
    keyAtStart = true;
  }
}

} // namespace

tAgentKey agentKey(std::string_view agent) {
  AgentScan scan;
  int position = 1;
  while (position <= static_cast<int>(agent.size()))
    scan.take(nextToken(agent, position, ' '));
  if (scan.key.empty() && !scan.rv.empty() && scan.sawGecko) scan.key = "mozilla " + scan.rv;
  if (!scan.key.empty()) return {scan.key, {}, scan.keyAtStart};
  // Netscape Navigator names itself only by the first token: mozilla/4.79.
  size_t from = static_cast<size_t>(pos("/", scan.first));
  return {scan.first.substr(from, 12), "netscape", false};
}

std::optional<size_t> findBrowserForAgent(const std::vector<tBrowser>& browsers,
                                          std::string_view agent) {
  tAgentKey k = agentKey(agent);
  for (size_t i = 0; i < browsers.size(); ++i) {
    std::string name = lowerCase(browsers[i].name);
    int at = pos(k.key, name);
    if ((k.atStart ? at == 1 : at > 0) && (k.family.empty() || pos(k.family, name) > 0)) return i;
  }
  return std::nullopt;
}
