#include "util/tslist.h"

#include "util/platform.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::string> itemsOf(const tsList& list) {
  std::vector<std::string> items;
  for (int i = 0; i < list.Count(); ++i)
    items.push_back(list.Get(i));
  return items;
}

TEST(TsListSetText, NormalisesEveryLineBreak) {
  using V = std::vector<std::string>;
  struct Case {
    std::string text;
    V lines;
  };
  for (const Case& c : std::vector<Case>{{"a\r\nb", {"a", "b"}},
                                         {"a\n\rb", {"a", "b"}},
                                         {"a\r\rb", {"a", "", "b"}},
                                         {"a\n\nb", {"a", "", "b"}},
                                         {"a\rb", {"a", "b"}},
                                         {"a\n", {"a"}},
                                         {"\n", {""}},
                                         {"", {}},
                                         {"a\r\n\r\nb\r\n", {"a", "", "b"}},
                                         {"\r\n\n\r", {"", ""}},
                                         {std::string("x\0y\n", 4), {std::string("x\0y", 3)}},
                                         {"\xEF\xBB\xBFtext", {"\xEF\xBB\xBFtext"}}}) {
    tsList list;
    list.SetText(c.text);
    EXPECT_EQ(itemsOf(list), c.lines) << testing::PrintToString(c.text);
  }
}

TEST(TsListSetText, ReplacesTheContentAndNotifies) {
  tsList list;
  list.Add("old");
  int calls = 0;
  list.OnChange = [&](tsList& sender) {
    EXPECT_EQ(&sender, &list);
    EXPECT_EQ(sender.Count(), 2); // notified after the new items are in
    ++calls;
  };
  list.SetText("a\nb");
  EXPECT_EQ(calls, 1);
  list.Add("c");
  list.Put(0, "z");
  list.Clear();
  EXPECT_EQ(calls, 1); // only SetText notifies
}

TEST(TsListGetText, EndsEveryItemWithOneLineFeed) {
  tsList list;
  EXPECT_EQ(list.GetText(), "");
  list.Add("a");
  list.Add("");
  EXPECT_EQ(list.GetText(), "a\n\n");
  list.Add("c\r");
  EXPECT_EQ(list.GetText(), "a\n\nc\r\n");
}

TEST(TsList, OutOfRangeGetAndPutAreHarmless) {
  tsList list;
  EXPECT_EQ(list.Get(0), "");
  EXPECT_EQ(list.Get(-1), "");
  EXPECT_EQ(list.Add("a"), 0);
  EXPECT_EQ(list.Add("b"), 1);
  EXPECT_EQ(list.Get(list.Count()), "");
  EXPECT_EQ(list.Get(-1), "");
  list.Put(2, "x");
  list.Put(-1, "x");
  EXPECT_EQ(itemsOf(list), (std::vector<std::string>{"a", "b"}));
  list.Put(1, "c");
  EXPECT_EQ(list.Get(1), "c");
}

TEST(TsList, LoadFromFileSplitsTheFileIntoLines) {
  std::string path = platform::createUniqueFile(platform::tempDirectory(), "tsl");
  ASSERT_FALSE(path.empty());
  {
    platform::File file = platform::File::create(path, platform::Share::read);
    ASSERT_TRUE(file.write("one\r\ntwo\n", 9));
  }
  tsList list;
  EXPECT_TRUE(list.LoadFromFile(path));
  EXPECT_EQ(itemsOf(list), (std::vector<std::string>{"one", "two"}));
  platform::deleteFile(path);
  EXPECT_FALSE(list.LoadFromFile(path));
}

} // namespace
