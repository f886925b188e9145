#include "detect/browserlist.h"
#include "util/tslist.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

void addBrowser(tsList& list, const std::string& name, const std::string& path) {
  addOrUpdateBrowser(list, name, "plug-" + name, path);
}

std::vector<std::string> itemsOf(const tsList& list) {
  std::vector<std::string> items;
  for (int i = 0; i < list.Count(); ++i)
    items.push_back(list.Get(i));
  return items;
}

TEST(BrowserList, AddOrUpdateIsUniqueByProgramPathIgnoringCase) {
  tsList list;
  addBrowser(list, "First", "C:\\A\\x.exe");
  addOrUpdateBrowser(list, "Other", "C:\\B", "C:\\B\\y.exe");
  // A name's line breaks and other control characters go: one browser, one item.
  addOrUpdateBrowser(list, "Sec\r\nond\t\x1f", "C:\\Second", "c:\\a\\X.EXE");
  EXPECT_EQ(itemsOf(list), (std::vector<std::string>{"Second", "c:\\a\\X.EXE", "C:\\Second",
                                                     "Other", "C:\\B\\y.exe", "C:\\B"}));
  EXPECT_EQ(findBrowserByPath(list, "c:\\b\\y.exe"), 3);
  EXPECT_EQ(findBrowserByPath(list, "C:\\B\\y.exe"), -1); // the argument is already lower-cased
  EXPECT_EQ(findBrowserByPath(list, "c:\\none.exe"), -1);
}

TEST(BrowserList, HasPluginDirComparesBytewise) {
  tsList list;
  addOrUpdateBrowser(list, "Opera 8.50", "c:\\opera\\Program\\Plugins", "c:\\opera\\Opera.exe");
  EXPECT_TRUE(hasPluginDir(list, "c:\\opera\\Program\\Plugins"));
  EXPECT_FALSE(hasPluginDir(list, "c:\\opera\\program\\plugins"));
  EXPECT_FALSE(hasPluginDir(list, "Opera 8.50")); // names and paths are not directories
  EXPECT_FALSE(hasPluginDir(list, "c:\\opera\\Opera.exe"));
}

std::vector<std::string> namesOf(const tsList& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); i += 3)
    names.push_back(list.Get(i));
  return names;
}

TEST(BrowserList, SortOrdersEntriesBytewiseKeepingTheirItemsTogether) {
  using V = std::vector<std::string>;
  struct Case {
    V names;
    V sorted;
  };
  for (const Case& c :
       std::vector<Case>{{{"mozilla 1.7", "Opera 8.50", "Mozilla Firefox 1.0.7"},
                          {"Mozilla Firefox 1.0.7", "Opera 8.50", "mozilla 1.7"}},
                         {{"Opera 8", "Opera 8.50", "Opera"}, {"Opera", "Opera 8", "Opera 8.50"}},
                         {{"b", "a", "c", "a", "b"}, {"a", "a", "b", "b", "c"}},
                         {{"\xE9t\xE9", "zeta", "Zeta"}, {"Zeta", "zeta", "\xE9t\xE9"}},
                         {{"only"}, {"only"}},
                         {{}, {}}}) {
    tsList list;
    for (size_t k = 0; k < c.names.size(); ++k)
      addBrowser(list, c.names[k], "C:\\" + std::to_string(k) + ".exe");
    sortBrowsers(list, 0, list.Count() / 3 - 1);
    EXPECT_EQ(namesOf(list), c.sorted);
    for (int i = 0; i < list.Count(); i += 3)
      EXPECT_EQ(list.Get(i + 2), "plug-" + list.Get(i));
  }
}

TEST(BrowserList, SortHandlesManyEntriesInAnyOrder) {
  tsList list;
  for (int k = 0; k < 300; ++k) {
    int key = (k * 7919) % 300;
    addBrowser(list, "B" + std::to_string(1000 + key % 150), "C:\\" + std::to_string(k) + ".exe");
  }
  sortBrowsers(list, 0, list.Count() / 3 - 1);
  std::vector<std::string> names = namesOf(list);
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  EXPECT_EQ(names.size(), 300u);
}

TEST(BrowserList, SortOfAnEmptyRangeChangesNothing) {
  tsList list;
  sortBrowsers(list, 0, -1);
  EXPECT_EQ(list.Count(), 0);
  addBrowser(list, "z", "C:\\z.exe");
  addBrowser(list, "a", "C:\\a.exe");
  sortBrowsers(list, 1, 1);
  EXPECT_EQ(namesOf(list), (std::vector<std::string>{"z", "a"}));
}

TEST(BrowserList, AddMissingKeepsWhatIsListedAndAppendsTheRest) {
  tsList list;
  addOrUpdateBrowser(list, "Firefox 64", "C:\\Program Files\\Firefox\\plugins",
                     "C:\\Program Files\\Firefox\\firefox.exe");
  tsList more;
  addOrUpdateBrowser(more, "Firefox 32", "C:\\Other", "c:\\program files\\FIREFOX\\firefox.exe");
  addOrUpdateBrowser(more, "SeaMonkey", "C:\\SM\\Plugins", "C:\\SM\\seamonkey.exe");
  addOrUpdateBrowser(more, "Navigator", "C:\\NS\\Plugins", "C:\\NS\\netscape.exe");
  addMissingBrowsers(list, more);
  EXPECT_EQ(itemsOf(list),
            (std::vector<std::string>{"Firefox 64", "C:\\Program Files\\Firefox\\firefox.exe",
                                      "C:\\Program Files\\Firefox\\plugins", "SeaMonkey",
                                      "C:\\SM\\seamonkey.exe", "C:\\SM\\Plugins", "Navigator",
                                      "C:\\NS\\netscape.exe", "C:\\NS\\Plugins"}));
  tsList none;
  addMissingBrowsers(list, none);
  EXPECT_EQ(list.Count(), 9);
}

TEST(BrowserList, AbsolutePathsNameADriveAndFolderOrAServer) {
  for (const char* path : {"C:\\", "c:\\Program Files\\x.exe", "Z:/apps/x.exe",
                           "\\\\server\\share\\x.exe", "//server/share", "\\\\?\\C:\\x.exe"})
    EXPECT_TRUE(isAbsolutePath(path)) << path;
  for (const char* path :
       {"", "\\Plugins", "\\netscape.exe", "Plugins", "firefox.exe", "C:", "C:Plugins", "C:x\\y",
        "1:\\x", "\\\\", "\\\\\\server", ":\\x", "\xC4:\\x"})
    EXPECT_FALSE(isAbsolutePath(path)) << path;
}

TEST(BrowserList, EntriesWithoutAbsolutePathsAreDropped) {
  tsList list;
  addOrUpdateBrowser(list, "Galeon 1.3", "\\Plugins", "");
  addOrUpdateBrowser(list, "Navigator", "", "\\netscape.exe");
  addOrUpdateBrowser(list, "Kept", "C:\\K\\Plugins", "C:\\K\\k.exe");
  addOrUpdateBrowser(list, "Relative plug-ins", "plugins", "C:\\R\\r.exe");
  addOrUpdateBrowser(list, "Relative program", "D:\\P\\Plugins", "P\\p.exe");
  addOrUpdateBrowser(list, "On a server", "\\\\srv\\apps\\S\\Plugins", "\\\\srv\\apps\\S\\s.exe");
  dropUnplacedBrowsers(list);
  EXPECT_EQ(itemsOf(list),
            (std::vector<std::string>{"Kept", "C:\\K\\k.exe", "C:\\K\\Plugins", "On a server",
                                      "\\\\srv\\apps\\S\\s.exe", "\\\\srv\\apps\\S\\Plugins"}));
}

TEST(BrowserList, BrowsersThatLoadNoPluginsAreDropped) {
  tsList list;
  addOrUpdateBrowser(list, "Mozilla Firefox 52.9.0", "C:\\F52\\browser\\plugins", "C:\\F52\\f.exe");
  addOrUpdateBrowser(list, "Mozilla Firefox 128.0", "C:\\F128\\Plugins", "C:\\F128\\f.exe");
  addOrUpdateBrowser(list, "Opera 100.0.4815.76", "c:\\o\\Program\\Plugins", "c:\\o\\Opera.exe");
  addOrUpdateBrowser(list, "Opera 12.18", "c:\\o12\\Program\\Plugins", "c:\\o12\\Opera.exe");
  dropPluginlessBrowsers(list);
  EXPECT_EQ(itemsOf(list),
            (std::vector<std::string>{"Mozilla Firefox 52.9.0", "C:\\F52\\f.exe",
                                      "C:\\F52\\browser\\plugins", "Opera 12.18",
                                      "c:\\o12\\Opera.exe", "c:\\o12\\Program\\Plugins"}));
}

TEST(BrowserList, KeepsTheBrowsersWhoseProgramsCanLoadThePlugin) {
  constexpr uint32_t i386 = 0x14C, amd64 = 0x8664;
  tsList list;
  addOrUpdateBrowser(list, "Pale Moon", "C:\\PM\\browser\\plugins", "C:\\PM\\pm.exe");
  addOrUpdateBrowser(list, "Firefox", "C:\\FF\\browser\\plugins", "C:\\FF\\ff.exe");
  addOrUpdateBrowser(list, "Opera 12.18", "c:\\o\\Program\\Plugins", "c:\\o\\Opera.exe");
  addOrUpdateBrowser(list, "Unreadable", "C:\\U\\Plugins", "C:\\U\\u.exe");
  std::vector<std::string> read;
  auto machineOf = [&](const std::string& path) -> uint32_t {
    read.push_back(path);
    return path == "C:\\PM\\pm.exe" ? amd64 : path == "C:\\U\\u.exe" ? 0 : i386;
  };
  tsList kept = list;
  keepLoadableBrowsers(kept, amd64, machineOf);
  EXPECT_EQ(itemsOf(kept),
            (std::vector<std::string>{"Pale Moon", "C:\\PM\\pm.exe", "C:\\PM\\browser\\plugins",
                                      "Opera 12.18", "c:\\o\\Opera.exe", "c:\\o\\Program\\Plugins",
                                      "Unreadable", "C:\\U\\u.exe", "C:\\U\\Plugins"}));
  // A plug-in of unknown type keeps every browser, and reads no program.
  read.clear();
  kept = list;
  keepLoadableBrowsers(kept, 0, machineOf);
  EXPECT_EQ(itemsOf(kept), itemsOf(list));
  EXPECT_TRUE(read.empty());
}

TEST(BrowserList, BrowserKIsItsThreeStringsAndTheRecordsFollowTheListsOrder) {
  tsList list;
  addOrUpdateBrowser(list, "Firefox 1.5", "C:\\FF\\plugins", "C:\\FF\\firefox.exe");
  addOrUpdateBrowser(list, "Opera 8.50", "C:\\Opera\\Plugins", "C:\\Opera\\Opera.exe");
  EXPECT_EQ(browserCount(list), 2);
  tBrowser opera = browserAt(list, 1);
  EXPECT_EQ(opera.name, "Opera 8.50");
  EXPECT_EQ(opera.program, "C:\\Opera\\Opera.exe");
  EXPECT_EQ(opera.pluginDir, "C:\\Opera\\Plugins");
  for (int k : {-1, 2}) {
    tBrowser none = browserAt(list, k);
    EXPECT_EQ(none.name + none.program + none.pluginDir, "") << k;
  }
  std::vector<tBrowser> records = browserRecords(list);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].name, "Firefox 1.5");
  EXPECT_EQ(records[0].program, "C:\\FF\\firefox.exe");
  EXPECT_EQ(records[1].pluginDir, "C:\\Opera\\Plugins");
}

} // namespace
