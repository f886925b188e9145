// The registry reader against keys made in the prefix: renderings of each
// value type, opening, closing, read-only access and name enumeration.
#include "detect/osversion.h"
#include "detect/registry.h"
#include "tests/detect/testregistry.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace std::string_literals;
using namespace testregistry;
using Names = std::vector<std::string>;

const std::string testKey = "Software\\InstallerTests\\Registry";

// The test's own key under HKCU and HKLM, removed with its parent afterwards.
class RegistryReader : public testing::Test {
protected:
  void SetUp() override {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
      ASSERT_TRUE(keys_.claim(root, "Software\\InstallerTests"));
  }
  ScopedKeys keys_;
};

struct ValueCase {
  std::string name;
  DWORD type;
  std::string data;
  std::string expected;
};

const std::vector<ValueCase> valueCases = {
    {"sz", REG_SZ, "Mozilla Firefox\0"s, "Mozilla Firefox"},
    {"unterminated", REG_SZ, "hello", "hell"}, // stored without zero: loses its last byte
    {"empty", REG_SZ, "", ""},
    {"zero only", REG_SZ, "\0"s, ""},
    {"expand", REG_EXPAND_SZ, "%SystemRoot%\\x\0"s, "%SystemRoot%\\x"}, // not expanded
    {"ansi", REG_SZ,
     "Gr\xF6\xDF"
     "e\0"s,
     "Gr\xF6\xDF"
     "e"}, // code page 1252
    {"dword", REG_DWORD, "\x2A\0\0\0"s, "42"},
    {"minus one", REG_DWORD, "\xFF\xFF\xFF\xFF", "-1"},
    {"lowest", REG_DWORD, "\0\0\0\x80"s, "-2147483648"},
    {"bin2", REG_BINARY, "\x01\xAB", "0x01ab"},
    {"bin4", REG_BINARY, "\x2A\0\0\0"s, "42"},
    {"bin4 minus one", REG_BINARY, "\xFF\xFF\xFF\xFF", "-1"},
    {"bin0", REG_BINARY, "", "0x"},
    {"bin5", REG_BINARY, "\x00\x10\xFF\x7F\x80"s, "0x0010ff7f80"},
    {"short dword", REG_DWORD, "\x01\x02", "513"},
    {"multi", REG_MULTI_SZ, "a\0b\0\0"s, ""},
    {"qword", REG_QWORD, "\x2A\0\0\0\0\0\0\0"s, ""},
    {"none", REG_NONE, "abc", ""},
    {"big endian", REG_DWORD_BIG_ENDIAN, "\0\0\0\x2A"s, ""},
};

TEST_F(RegistryReader, RendersEveryValueTypeUnderBothRoots) {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    for (const ValueCase& c : valueCases)
      ASSERT_TRUE(setValue(root, testKey, c.name, c.type, c.data)) << c.name;
    tRegKey key = regOpenKey(root, testKey);
    ASSERT_TRUE(key);
    for (const ValueCase& c : valueCases)
      EXPECT_EQ(regReadText(key, c.name, "default"), c.expected) << c.name;
  }
}

TEST_F(RegistryReader, LongTextsAreReadWhole) {
  std::string text(100000, 'x');
  text[0] = 'C';
  ASSERT_TRUE(setText(HKEY_CURRENT_USER, testKey, "long", text));
  tRegKey key = regOpenKey(HKEY_CURRENT_USER, testKey);
  EXPECT_EQ(regReadText(key, "long", ""), text);
}

TEST_F(RegistryReader, MissingValuesAndKeysGiveTheDefault) {
  ASSERT_TRUE(setText(HKEY_CURRENT_USER, testKey, "present", "yes"));
  tRegKey key = regOpenKey(HKEY_CURRENT_USER, testKey);
  ASSERT_TRUE(key);
  EXPECT_EQ(regReadText(key, "absent", "dflt"), "dflt");
  EXPECT_EQ(regReadText(key, "PRESENT", "dflt"), "yes"); // names ignore case
  EXPECT_EQ(regReadText(key, "", "dflt"), "dflt");       // no default value set

  tRegKey none = regOpenKey(HKEY_CURRENT_USER, testKey + "\\absent");
  EXPECT_FALSE(none);
  EXPECT_EQ(none.get(), nullptr);
  EXPECT_EQ(regReadText(none, "present", "dflt"), "dflt");
  EXPECT_EQ(regValueNames(none), Names{});
  EXPECT_EQ(regSubkeyNames(none), Names{});
}

TEST_F(RegistryReader, AnEmptyNameReadsTheDefaultValue) {
  ASSERT_TRUE(setText(HKEY_CURRENT_USER, testKey, "", "the default"));
  tRegKey key = regOpenKey(HKEY_CURRENT_USER, testKey);
  EXPECT_EQ(regReadText(key, "", "dflt"), "the default");
}

TEST_F(RegistryReader, OneLeadingBackslashIsDropped) {
  ASSERT_TRUE(setText(HKEY_LOCAL_MACHINE, testKey, "v", "same key"));
  tRegKey plain = regOpenKey(HKEY_LOCAL_MACHINE, testKey);
  tRegKey slashed = regOpenKey(HKEY_LOCAL_MACHINE, "\\" + testKey);
  ASSERT_TRUE(plain);
  ASSERT_TRUE(slashed);
  EXPECT_EQ(regReadText(slashed, "v", ""), "same key");
  // Only one: a second backslash stays and makes a path the system rejects.
  EXPECT_FALSE(regOpenKey(HKEY_LOCAL_MACHINE, "\\\\" + testKey));
}

TEST_F(RegistryReader, KeysAreClosedWhenTheirOwnerGoesOrOnRequest) {
  ASSERT_TRUE(createKey(HKEY_CURRENT_USER, testKey));
  HKEY raw = nullptr;
  {
    tRegKey key = regOpenKey(HKEY_CURRENT_USER, testKey);
    raw = key.get();
    ASSERT_NE(raw, nullptr);
  }
  // Closing a handle that is already closed fails: the destructor closed it.
  EXPECT_EQ(RegCloseKey(raw), ERROR_INVALID_HANDLE);

  tRegKey key = regOpenKey(HKEY_CURRENT_USER, testKey);
  raw = key.get();
  key.reset(); // closed at once
  EXPECT_FALSE(key);
  EXPECT_EQ(RegCloseKey(raw), ERROR_INVALID_HANDLE);
  key.reset(); // an empty key is left alone

  tRegKey moved = regOpenKey(HKEY_CURRENT_USER, testKey);
  raw = moved.get();
  tRegKey owner(std::move(moved));
  EXPECT_FALSE(moved);
  EXPECT_EQ(owner.get(), raw);
  owner = regOpenKey(HKEY_CURRENT_USER, testKey); // replacing closes the old one
  EXPECT_EQ(RegCloseKey(raw), ERROR_INVALID_HANDLE);
}

// The access rights the system granted to a handle.
ACCESS_MASK grantedAccess(HANDLE handle) {
  struct BasicInformation { // PUBLIC_OBJECT_BASIC_INFORMATION
    ULONG Attributes;
    ACCESS_MASK GrantedAccess;
    ULONG HandleCount;
    ULONG PointerCount;
    ULONG Reserved[10];
  } info = {};
  using Query = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  auto query = reinterpret_cast<Query>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
  if (!query || query(handle, 0 /* ObjectBasicInformation */, &info, sizeof info, nullptr) != 0)
    return 0;
  return info.GrantedAccess;
}

TEST_F(RegistryReader, KeysAreOpenedForReadingOnly) {
  ASSERT_TRUE(setText(HKEY_CURRENT_USER, testKey, "v", "kept"));
  tRegKey key = regOpenKey(HKEY_CURRENT_USER, testKey);
  ASSERT_TRUE(key);
  EXPECT_EQ(grantedAccess(key.get()), static_cast<ACCESS_MASK>(KEY_READ));
  const BYTE data[] = "changed";
  EXPECT_EQ(RegSetValueExA(key.get(), "v", 0, REG_SZ, data, sizeof data), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValueA(key.get(), "v"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(regReadText(key, "v", ""), "kept");
}

TEST_F(RegistryReader, ValueNamesInEnumerationOrderUpTo1023Bytes) {
  // Wine enumerates in name order; the names are chosen to keep that order.
  // A line feed inside a name is part of it.
  std::string fits(1023, 'm');
  std::string tooLong(1024, 'n');
  for (const std::string& name : {"a"s, "b c"s, "line\nfeed"s, fits, tooLong, "z"s})
    ASSERT_TRUE(setText(HKEY_CURRENT_USER, testKey, name, "x"));
  tRegKey key = regOpenKey(HKEY_CURRENT_USER, testKey);
  // The enumeration ends at the first name too long for the buffer.
  EXPECT_EQ(regValueNames(key), (Names{"a", "b c", "line\nfeed", fits}));
}

TEST_F(RegistryReader, ValueNamesOfAKeyWithoutValuesIsEmpty) {
  ASSERT_TRUE(createKey(HKEY_CURRENT_USER, testKey + "\\child"));
  tRegKey key = regOpenKey(HKEY_CURRENT_USER, testKey);
  EXPECT_EQ(regValueNames(key), Names{});
  EXPECT_EQ(regSubkeyNames(key), Names{"child"});
}

TEST_F(RegistryReader, TheDefaultValueHasNoNameInTheList) {
  ASSERT_TRUE(setText(HKEY_CURRENT_USER, testKey, "", "default"));
  ASSERT_TRUE(setText(HKEY_CURRENT_USER, testKey, "a", "x"));
  ASSERT_TRUE(setText(HKEY_CURRENT_USER, testKey, "b", "x"));
  tRegKey key = regOpenKey(HKEY_CURRENT_USER, testKey);
  EXPECT_EQ(regValueNames(key), (Names{"a", "b"}));
}

TEST_F(RegistryReader, SubkeyNamesInEnumerationOrder) {
  std::string longest(255, 'k'); // the longest name a key may have
  for (const std::string& name : {"Alpha"s, longest, "Mozilla Firefox 1.5"s, "\xC4pfel"s})
    ASSERT_TRUE(createSubkey(HKEY_LOCAL_MACHINE, testKey, name)) << name;
  ASSERT_TRUE(setText(HKEY_LOCAL_MACHINE, testKey, "value", "not a key"));
  tRegKey key = regOpenKey(HKEY_LOCAL_MACHINE, testKey);
  EXPECT_EQ(regSubkeyNames(key), (Names{"Alpha", longest, "Mozilla Firefox 1.5", "\xC4pfel"}));
}

TEST(RegistryStartup, TheViewFollowsTheSystemsMajorVersion) {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(GetVersionExA(&info));
  osVersionStartup();
  registryStartup();
  EXPECT_EQ(osMajorVersion, static_cast<int32_t>(info.dwMajorVersion));
  EXPECT_GT(osMajorVersion, 0);
  EXPECT_EQ(registryViewFlag, info.dwMajorVersion > 5 ? 0x0100u : 0u);
  EXPECT_EQ(systemPlatformId(), info.dwPlatformId);
  EXPECT_EQ(systemPlatformId(), static_cast<uint32_t>(VER_PLATFORM_WIN32_NT)); // Wine: NT
}

} // namespace
