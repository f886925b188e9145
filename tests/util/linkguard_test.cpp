// When folder work may go through links: the owners of the links a path
// passes decide, and the root of a path is never one of its components.
#include "util/linkguard.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using linkguard::Component;
using linkguard::Owner;

TEST(LinkGuard, FollowsOnlyLinksThatTheSystemOrTheAdministratorsOwn) {
  const Component plain{false, Owner::other};
  struct Case {
    const char* what;
    std::vector<Component> components;
    bool follows;
  };
  for (const Case& c : std::vector<Case>{
           {"no component", {}, true},
           {"plain folders of anyone", {plain, plain}, true},
           {"a system junction", {{true, Owner::system}, plain}, true},
           {"the servicing account's link", {plain, {true, Owner::trustedInstaller}}, true},
           {"an administrators' link", {{true, Owner::administrators}}, true},
           {"a user's junction", {plain, {true, Owner::other}}, false},
           {"an owner the system would not tell", {{true, Owner::unknown}}, false},
           {"a user's link below a system one",
            {{true, Owner::system}, plain, {true, Owner::other}},
            false}}) {
    EXPECT_EQ(linkguard::mayFollow(c.components), c.follows) << c.what;
  }
}

TEST(LinkGuard, NamesEveryComponentBelowTheRoot) {
  using Paths = std::vector<std::string>;
  struct Case {
    const char* path;
    Paths expected;
  };
  for (const Case& c : std::vector<Case>{
           {"C:\\Program Files\\Opera\\Program\\Plugins",
            {"C:\\Program Files", "C:\\Program Files\\Opera", "C:\\Program Files\\Opera\\Program",
             "C:\\Program Files\\Opera\\Program\\Plugins"}},
           {"c:/a/b/", {"c:\\a", "c:\\a\\b"}},
           {"C:\\a\\\\b", {"C:\\a", "C:\\a\\\\b"}},
           {"C:\\", {}},
           {"\\\\server\\share\\a\\b", {"\\\\server\\share\\a", "\\\\server\\share\\a\\b"}},
           {"\\\\server\\share", {}},
           {"\\a", {"\\a"}},
           {"", {}}}) {
    EXPECT_EQ(linkguard::componentPaths(c.path), c.expected) << c.path;
  }
}

} // namespace
