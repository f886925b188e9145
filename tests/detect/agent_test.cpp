// Classifying user-agent texts: the key each text yields and the browser
// entry that key picks from a list.
#include "detect/agent.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

TEST(AgentKey, FromTheTokensOfTypicalAgentTexts) {
  struct Case {
    std::string agent;
    std::string key;
    std::string family;
    bool atStart = false;
  };
  for (const Case& c : std::vector<Case>{
           // Opera, as it announces itself inside an Internet Explorer text.
           {"mozilla/4.0 (compatible; msie 6.0; windows nt 5.1; en) opera 8.50", "opera 8.50", ""},
           {"mozilla/4.0 (compatible; msie 6.0; windows nt 5.1; en) opera 8.00", "opera 8.00 beta",
            ""},
           {"opera 7.0 (windows) opera 8.50", "opera 8.50", ""}, // the last one decides
           // Product tokens: a blank for the slash.
           {"mozilla/5.0 (windows; u; windows nt 5.1; en-us; rv:1.8.0.1) gecko/2006 "
            "firefox/1.5.0.1",
            "firefox 1.5.0.1", ""},
           {"mozilla/5.0 (windows; u; windows nt 5.1; en-us; rv:1.5) gecko/20031007 firebird/0.7",
            "firebird 0.7", ""},
           {"mozilla/5.0 (windows; u; windows nt 5.1; en-us; rv:1.5) gecko/20031016 k-meleon/0.8.2",
            "k-meleon 0.8.2", ""},
           {"firefox/1.5)", "firefox 1.5", ""},    // one ")" goes
           {"firefox/1.5/x", "firefox 1.5/x", ""}, // only the first "/"
           {"firefox/", "firefox ", ""},
           {"firefox/1.0 opera 8.50", "opera 8.50", ""},
           {"opera 8.50 firefox/1.5", "firefox 1.5", ""},
           // Today's Gecko browsers: their own product token, last in the text,
           // names the start of the display name.
           {"mozilla/5.0 (windows nt 10.0; win64; x64; rv:102.0) gecko/20100101 goanna/6.5 "
            "firefox/102.0 palemoon/33.0.0",
            "pale moon", "", true},
           {"mozilla/5.0 (windows nt 10.0; win64; x64; rv:68.0) gecko/20100101 goanna/4.8 "
            "firefox/68.0 basilisk/20210712",
            "basilisk", "", true},
           {"mozilla/5.0 (windows nt 10.0; win64; x64; rv:91.0) gecko/20100101 firefox/91.0 "
            "seamonkey/2.53.18",
            "seamonkey", "", true},
           {"rv:1.8.1.6) gecko/20070802 seamonkey/1.1.4", "seamonkey", "", true},
           {"palemoon/33.0.0 firefox/102.0", "firefox 102.0", ""}, // the last one decides
           {"firefox/102.0 palemoon", "firefox 102.0", ""},        // a token needs its "/"
           {"opera 12.18 seamonkey/2.53", "seamonkey", "", true},
           {"seamonkey/2.53 opera 12.18", "opera 12.18", ""},
           // A product token after opera is first taken as its version, then read
           // as a product, which replaces that key.
           {"opera firefox/1.5", "firefox 1.5", ""},
           // Gecko: "mozilla " + the rv: version when a gecko/ token is present.
           {"mozilla/5.0 (windows; u; windows nt 5.1; en-us; rv:1.7.12) gecko/20050915",
            "mozilla 1.7.12", ""},
           {"mozilla/5.0 (windows; u; rv:0.9.4) gecko/20011128 netscape6/6.2.1", "mozilla 0.9.4",
            ""},
           {"gecko/2005 rv:1.7.12)", "mozilla 1.7.12", ""}, // order does not matter
           {"opera rv:1.7 gecko/1", "opera rv:1.7", ""},    // after opera it is a version
           // Otherwise: the first token after its "/", with family netscape.
           {"mozilla/4.79 [en] (windows nt 5.0; u)", "4.79", "netscape"},
           {"mozilla/5.0 (windows; rv:1.7)", "5.0", "netscape"}, // rv: without gecko/
           {"mozilla/5.0 gecko/2005", "5.0", "netscape"},        // gecko/ without rv:
           {"opera/8.50 (windows nt 5.1; u; en)", "8.50", "netscape"},
           {"netscape 4.79", "netscape", "netscape"}, // no "/": from its start
           {"averyveryverylongtoken rest", "averyveryver", "netscape"},
           {"mozilla/4.79123456789012 x", "4.7912345678", "netscape"},
           {"mozilla/4.79)", "4.79)", "netscape"}, // first keeps its ")"
           {"", "", "netscape"},
           // Several blanks give empty tokens: first is the first non-empty one,
           // and an empty token after opera is its version.
           {"  mozilla/4.79", "4.79", "netscape"},
           {"opera  8.50", "opera ", ""},
       }) {
    tAgentKey k = agentKey(c.agent);
    EXPECT_EQ(k.key, c.key) << c.agent;
    EXPECT_EQ(k.family, c.family) << c.agent;
    EXPECT_EQ(k.atStart, c.atStart) << c.agent;
  }
}

TEST(AgentKey, RvKeepsAtMost99Characters) {
  std::string version(120, '7');
  EXPECT_EQ(agentKey("rv:" + version + ") gecko/1").key, "mozilla " + version.substr(0, 99));
}

// A browser list as detection leaves it (sorted by name).
std::vector<tBrowser> browsers(const std::vector<std::string>& names) {
  std::vector<tBrowser> list;
  for (const std::string& name : names)
    list.push_back({name, "C:\\" + name + "\\program.exe", "C:\\" + name + "\\Plugins"});
  return list;
}

const std::vector<std::string> machine = {"Basilisk",
                                          "Firebird 0.7",
                                          "K-Meleon 0.9",
                                          "Mozilla 1.7.12 (en)",
                                          "Mozilla Firefox 1.0.7 (en-US)",
                                          "Mozilla Firefox 1.5.0.1",
                                          "Netscape 6.2 (en)",
                                          "Netscape Navigator 4.79 (en)",
                                          "Opera 8.00 beta",
                                          "Opera 8.50",
                                          "Pale Moon 33.0.0",
                                          "SeaMonkey 2.53.18 (en-US)"};

TEST(FindBrowserForAgent, PicksTheEntryWhoseNameHoldsTheKey) {
  auto list = browsers(machine);
  struct Case {
    std::string agent;
    std::string expected; // display name; empty: no match
  };
  for (const Case& c : std::vector<Case>{
           {"mozilla/5.0 (windows; u; windows nt 5.1; en-us; rv:1.8.0.1) gecko/2006 "
            "firefox/1.5.0.1",
            "Mozilla Firefox 1.5.0.1"},
           {"mozilla/5.0 (windows; u; windows nt 5.1; en-us; rv:1.7.12) gecko/20050915 "
            "firefox/1.0.7",
            "Mozilla Firefox 1.0.7 (en-US)"},
           {"mozilla/5.0 (windows; u; windows nt 5.1; en-us; rv:1.7.12) gecko/20050915",
            "Mozilla 1.7.12 (en)"},
           {"mozilla/5.0 (windows; u; windows nt 5.1; en-us; rv:1.5) gecko/20031007 firebird/0.7",
            "Firebird 0.7"},
           {"mozilla/5.0 (windows; u; rv:1.7.5) gecko/20041108 k-meleon/0.9", "K-Meleon 0.9"},
           {"mozilla/4.0 (compatible; msie 6.0; windows nt 5.1; en) opera 8.50", "Opera 8.50"},
           {"mozilla/4.0 (compatible; msie 6.0; windows nt 5.1; en) opera 8.00", "Opera 8.00 beta"},
           {"mozilla/4.79 [en] (windows nt 5.0; u)", "Netscape Navigator 4.79 (en)"},
           {"mozilla/5.0 (windows; u; rv:0.9.4) gecko/20011128 netscape6/6.2", ""},
           {"mozilla/4.0 (compatible; msie 6.0; windows nt 5.1)", ""},
           {"mozilla/5.0 (windows; u; windows nt 5.1; en-us; rv:1.8.0.1) gecko/2006 firefox/2.0",
            ""},
           {"", ""},
           {"mozilla/5.0 (windows nt 10.0; win64; x64; rv:102.0) gecko/20100101 goanna/6.5 "
            "firefox/102.0 palemoon/32.5.2",
            "Pale Moon 33.0.0"},
           {"mozilla/5.0 (windows nt 10.0; rv:68.0) gecko/20100101 goanna/4.8 firefox/68.0 "
            "basilisk/20210712",
            "Basilisk"},
           {"mozilla/5.0 (windows nt 10.0; rv:91.0) gecko/20100101 firefox/91.0 seamonkey/2.53.18",
            "SeaMonkey 2.53.18 (en-US)"},
           {"mozilla/5.0 (windows; u; windows nt 5.1; en-us; rv:1.8.1.6) gecko/20070802 "
            "seamonkey/1.1.4",
            "SeaMonkey 2.53.18 (en-US)"},
       }) {
    std::optional<size_t> i = findBrowserForAgent(list, c.agent);
    if (c.expected.empty()) {
      EXPECT_EQ(i, std::nullopt) << c.agent;
    } else {
      ASSERT_TRUE(i) << c.agent;
      EXPECT_EQ(list[*i].name, c.expected) << c.agent;
    }
  }
}

TEST(FindBrowserForAgent, TheFamilyWordKeepsOtherBrowsersOut) {
  // Opera 4.79 comes first and holds the key, but not "netscape".
  auto list = browsers({"Opera 4.79", "Netscape Navigator 4.79 (en)"});
  EXPECT_EQ(findBrowserForAgent(list, "mozilla/4.79 [en] (windows nt 5.0; u)"), 1u);
  auto onlyOpera = browsers({"Opera 4.79"});
  EXPECT_EQ(findBrowserForAgent(onlyOpera, "mozilla/4.79 [en] (windows nt 5.0; u)"), std::nullopt);
}

TEST(FindBrowserForAgent, TheFirstOfSeveralMatchesWins) {
  auto list = browsers({"Mozilla Firefox 1.5", "Mozilla Firefox 1.5.0.1"});
  EXPECT_EQ(findBrowserForAgent(list, "gecko/1 firefox/1.5"), 0u);
  EXPECT_EQ(findBrowserForAgent(list, "gecko/1 firefox/1.5.0"), 1u);
}

TEST(FindBrowserForAgent, TodaysProductsMatchTheStartOfTheName) {
  auto list = browsers({"My Pale Moon 33", "Pale Moon", "Pale Moon 33.0.0", "SeaMonkey"});
  EXPECT_EQ(findBrowserForAgent(list, "gecko/1 palemoon/33.0.0"), 1u);
  EXPECT_EQ(findBrowserForAgent(list, "gecko/1 seamonkey/2.53"), 3u);
  EXPECT_EQ(findBrowserForAgent(browsers({"My Pale Moon 33"}), "gecko/1 palemoon/33.0.0"),
            std::nullopt);
  EXPECT_EQ(findBrowserForAgent(browsers({"Mozilla Firefox 102.0"}), "firefox/102.0 basilisk/1"),
            std::nullopt);
}

TEST(FindBrowserForAgent, ComparesLowerCasedNames) {
  auto list = browsers({"OPERA 8.50", "K-MELEON 0.9"});
  EXPECT_EQ(findBrowserForAgent(list, "x opera 8.50"), 0u);
  EXPECT_EQ(findBrowserForAgent(list, "x k-meleon/0.9"), 1u);
  // The agent is not lower-cased here: callers pass it lower-cased.
  EXPECT_EQ(findBrowserForAgent(list, "x Opera 8.50"), std::nullopt);
}

TEST(FindBrowserForAgent, EmptyListOrEmptyKeyMatchesNothing) {
  std::vector<tBrowser> empty;
  EXPECT_EQ(findBrowserForAgent(empty, "x opera 8.50"), std::nullopt);
  auto list = browsers({"Netscape Navigator 4.79"});
  EXPECT_EQ(findBrowserForAgent(list, ""), std::nullopt);
  EXPECT_EQ(findBrowserForAgent(list, "   "), std::nullopt);
  EXPECT_EQ(findBrowserForAgent(list, "mozilla/"), std::nullopt); // key empty, family netscape
}

TEST(FindBrowserForAgent, ReadsOnlyTheName) {
  // A browser without its path and directory still has a name.
  std::vector<tBrowser> list = {{"Opera 8.50", "", ""}};
  EXPECT_EQ(findBrowserForAgent(list, "x opera 8.50"), 0u);
}

} // namespace
