// The platform layer's new files: made in one step under a name nothing had.
#include "tests/util/files.h"
#include "util/platform.h"

#include <gtest/gtest.h>

namespace {

TEST(CreateNewNamed, MakesAnOpenFileUnderANameNothingHad) {
  testfiles::ScratchDir dir;
  std::string prefix = dir.path() + "\\T62";
  std::string first, second;
  platform::File a = platform::createNewNamed(prefix, first);
  platform::File b = platform::createNewNamed(prefix, second);
  ASSERT_TRUE(a.isOpen());
  ASSERT_TRUE(b.isOpen());
  EXPECT_NE(first, second);
  EXPECT_TRUE(first.starts_with(prefix) && first.ends_with(".tmp")) << first;
  EXPECT_EQ(first.size(), prefix.size() + 8 + 4) << first;
  ASSERT_TRUE(a.write("copy", 4));
  a.close();
  EXPECT_EQ(testfiles::readFile(first), "copy");
  EXPECT_EQ(testfiles::readFile(second), "");
  // Nothing is made where the folder is missing; the name says so.
  std::string none;
  EXPECT_FALSE(platform::createNewNamed(dir.path() + "\\missing\\T62", none).isOpen());
  EXPECT_EQ(none, "");
}

} // namespace
