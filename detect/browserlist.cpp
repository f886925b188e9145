#include "detect/browserlist.h"

#include "detect/naming.h"
#include "util/text.h"

tBrowser browserAt(const tsList& list, int k) {
  int first = k * stringsPerBrowser;
  if (k < 0) return {};
  return {list.Get(first), list.Get(first + 1), list.Get(first + 2)};
}

std::vector<tBrowser> browserRecords(const tsList& list) {
  std::vector<tBrowser> browsers;
  for (int k = 0; k < browserCount(list); ++k)
    browsers.push_back(browserAt(list, k));
  return browsers;
}

int findBrowserByPath(const tsList& list, const std::string& lowerPath) {
  for (int i = 0; i < list.Count(); i += 3)
    if (lowerCase(list.Get(i + 1)) == lowerPath) return i;
  return -1;
}

void addOrUpdateBrowser(tsList& list, const std::string& shownName, const std::string& pluginDir,
                        const std::string& programPath) {
  // A version text of a browser's own resource may hold line breaks: one
  // browser must stay one item of the list and one name line of the file.
  std::string name = withoutControls(shownName);
  int i = findBrowserByPath(list, lowerCase(programPath));
  if (i < 0) {
    list.Add(name);
    list.Add(programPath);
    list.Add(pluginDir);
  } else {
    list.Put(i, name);
    list.Put(i + 1, programPath);
    list.Put(i + 2, pluginDir);
  }
}

bool hasPluginDir(const tsList& list, const std::string& dir) {
  for (int i = 2; i < list.Count(); i += 3)
    if (list.Get(i) == dir) return true;
  return false;
}

namespace {

// std::string compares char by char as unsigned bytes, the shorter of two
// names sharing a prefix first: the order the list promises.
std::string nameOf(const tsList& list, int entry) {
  return list.Get(entry * 3);
}

void swapEntries(tsList& list, int a, int b) {
  for (int k = 0; k < 3; ++k) {
    std::string t = list.Get(a * 3 + k);
    list.Put(a * 3 + k, list.Get(b * 3 + k));
    list.Put(b * 3 + k, std::move(t));
  }
}

} // namespace

void sortBrowsers(tsList& list, int lo, int hi) {
  // Hoare partition around the middle entry; recursion on the smaller side
  // keeps the stack shallow even for adversarial orders.
  while (lo < hi) {
    std::string pivot = nameOf(list, lo + (hi - lo) / 2);
    int i = lo;
    int j = hi;
    do {
      while (nameOf(list, i) < pivot)
        ++i;
      while (pivot < nameOf(list, j))
        --j;
      if (i <= j) swapEntries(list, i++, j--);
    } while (i <= j);
    if (j - lo < hi - i) {
      if (lo < j) sortBrowsers(list, lo, j);
      lo = i;
    } else {
      if (i < hi) sortBrowsers(list, i, hi);
      hi = j;
    }
  }
}

void addMissingBrowsers(tsList& list, const tsList& more) {
  for (int i = 0; i + 2 < more.Count(); i += 3) {
    if (findBrowserByPath(list, lowerCase(more.Get(i + 1))) >= 0) continue;
    for (int k = 0; k < 3; ++k)
      list.Add(more.Get(i + k));
  }
}

bool isAbsolutePath(std::string_view path) {
  auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
  auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (path.size() >= 3 && isLetter(path[0]) && path[1] == ':' && isSeparator(path[2])) return true;
  // "\\" alone, or followed by a third separator, names no server.
  return path.size() >= 3 && isSeparator(path[0]) && isSeparator(path[1]) && !isSeparator(path[2]);
}

void dropUnplacedBrowsers(tsList& list) {
  tsList kept;
  for (int i = 0; i + 2 < list.Count(); i += 3) {
    if (!isAbsolutePath(list.Get(i + 1)) || !isAbsolutePath(list.Get(i + 2))) continue;
    for (int k = 0; k < 3; ++k)
      kept.Add(list.Get(i + k));
  }
  list.Clear();
  for (int i = 0; i < kept.Count(); ++i)
    list.Add(kept.Get(i));
}

namespace {

// Keeps the entries for which keep is true, in their order.
void keepBrowsers(tsList& list, const std::function<bool(const tBrowser&)>& keep) {
  tsList kept;
  for (int k = 0; k < browserCount(list); ++k) {
    if (!keep(browserAt(list, k))) continue;
    for (int i = 0; i < stringsPerBrowser; ++i)
      kept.Add(list.Get(k * stringsPerBrowser + i));
  }
  list.Clear();
  for (int i = 0; i < kept.Count(); ++i)
    list.Add(kept.Get(i));
}

} // namespace

void dropPluginlessBrowsers(tsList& list) {
  keepBrowsers(list, [](const tBrowser& b) { return !loadsNoPlugins(b.name); });
}

void keepLoadableBrowsers(tsList& list, uint32_t pluginMachine, const MachineReader& machineOf) {
  // Without the plug-in's own type no program needs to be read.
  if (pluginMachine == 0) return;
  keepBrowsers(list, [&](const tBrowser& b) {
    return canLoadPluginOf(b.name, machineOf(b.program), pluginMachine);
  });
}
