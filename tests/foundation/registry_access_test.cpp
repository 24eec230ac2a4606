#include "foundation/registry_access.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

class RegistryAccessTest : public ::testing::Test {
 protected:
  qav::test::TempDir dir;
  qav::RegistryStore store{dir.path()};
  CRegistryAccess reg{store};
};

TEST_F(RegistryAccessTest, StartsOnTheCurrentUserAndRefusesOtherRoots) {
  EXPECT_EQ(reg.GetRootKey(), HKEY_CURRENT_USER);
  EXPECT_TRUE(reg.GetKeyPath().empty());
  EXPECT_TRUE(reg.IsLazy());
  EXPECT_EQ(reg.GetLastError(), 0);
  for (uint32_t bad : {0u, 1u, 0x80000004u, 0x80000005u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(reg.SetRootKey(static_cast<HKEY>(bad))) << bad;
    EXPECT_EQ(reg.GetRootKey(), HKEY_CURRENT_USER);
  }
  for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_USER}) {
    EXPECT_TRUE(reg.SetRootKey(root));
    EXPECT_EQ(reg.GetRootKey(), root);
  }
}

TEST_F(RegistryAccessTest, ReadsFallBackToTheDefaultAndCreateNothing) {
  EXPECT_EQ(reg.ReadInt(u"Version", 7), 7);
  EXPECT_FALSE(reg.SetKey(u"Software\\Skype\\Phone\\UI", false));
  EXPECT_EQ(reg.GetLastError(), qav::kRegNotFound);
  EXPECT_TRUE(reg.GetKeyPath().empty());
  EXPECT_EQ(reg.ReadInt(u"Version", 7), 7);
  EXPECT_EQ(store.KeyExists(qav::RegistryRoot::kCurrentUser, u"Software"), qav::kRegNotFound);

  ASSERT_TRUE(reg.SetKey(u"Software\\Skype\\Phone\\UI", true));
  EXPECT_EQ(reg.GetLastError(), 0);
  const std::u16string key = u"Software\\Skype\\Phone\\UI";
  auto put = [&](const char16_t* name, qav::RegistryValue v) {
    ASSERT_EQ(store.SetValue(qav::RegistryRoot::kCurrentUser, key, name, v), qav::kRegOk);
  };
  put(u"Version", qav::MakeRegistryDword(0x03000000u));
  put(u"Bin4", qav::MakeRegistryBinary(std::string("\x01\x00\x00\x80", 4)));
  put(u"Bin2", qav::MakeRegistryBinary("\x01\x02"));
  put(u"Bin8", qav::MakeRegistryBinary(std::string(8, '\x01')));
  put(u"Expand", qav::MakeRegistryString(u"%HOME%/x", qav::kRegExpandSz));
  struct IntCase {
    const char16_t* name;
    int32_t expected;
  } ints[] = {{u"Version", 0x03000000}, {u"Bin4", static_cast<int32_t>(0x80000001u)}, {u"Bin2", -5},
              {u"Bin8", -5}, {u"Missing", -5}};
  for (const auto& c : ints) EXPECT_EQ(reg.ReadInt(c.name, -5), c.expected);

  EXPECT_EQ(reg.ReadString(u"Version", u"dflt"), u"dflt");  // a DWORD is not a string
  EXPECT_EQ(reg.ReadString(u"Missing", u"dflt"), u"dflt");
  EXPECT_EQ(reg.GetLastError(), qav::kRegNotFound);
  EXPECT_EQ(reg.ReadString(u"Expand", u"dflt"), u"%HOME%/x");
  EXPECT_EQ(reg.GetLastError(), 0);
  EXPECT_TRUE(reg.ValueExists(u"version"));
  EXPECT_FALSE(reg.ValueExists(u"Missing"));
}

TEST_F(RegistryAccessTest, WritesStringsAndListsNamesInOrder) {
  EXPECT_FALSE(reg.SetKey(u"Software\\Run", false));
  ASSERT_TRUE(reg.SetKey(u"Software\\Run", true));
  ASSERT_TRUE(reg.WriteString(u"ZarvelinQAV", u"/opt/qav/qav /winstartup"));
  ASSERT_TRUE(reg.WriteString(u"Empty", u""));
  ASSERT_TRUE(reg.WriteString(u"b", u"1"));
  ASSERT_TRUE(reg.WriteString(u"B2", u"1"));
  qav::RegistryValue raw;
  ASSERT_EQ(store.QueryValue(qav::RegistryRoot::kCurrentUser, u"Software\\Run", u"Empty", &raw), qav::kRegOk);
  EXPECT_EQ(raw.type, qav::kRegSz);
  EXPECT_EQ(raw.data.size(), 2u);
  EXPECT_EQ(reg.ReadString(u"ZarvelinQAV", u""), u"/opt/qav/qav /winstartup");

  std::vector<std::u16string> names{u"Aardvark"};
  reg.GetValueNames(names);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Aardvark", u"B2", u"Empty", u"ZarvelinQAV", u"b"}));

  EXPECT_TRUE(reg.DeleteValue(u"b"));
  EXPECT_FALSE(reg.DeleteValue(u"b"));
  EXPECT_FALSE(reg.ValueExists(u"b"));

  CRegistryAccess missing(store);
  ASSERT_TRUE(missing.SetKey(u"", false));
  EXPECT_TRUE(missing.WriteString(u"AtRoot", u"x"));  // the root itself
  missing.SetKey(u"Software\\Gone", true);
  store.DeleteKey(qav::RegistryRoot::kCurrentUser, u"Software\\Gone");
  EXPECT_FALSE(missing.WriteString(u"v", u"x"));  // a key that vanished is not recreated
  EXPECT_EQ(store.KeyExists(qav::RegistryRoot::kCurrentUser, u"Software\\Gone"), qav::kRegNotFound);
}

TEST_F(RegistryAccessTest, DeleteKeyRefusesKeysWithSubKeys) {
  ASSERT_TRUE(reg.SetKey(u"SYSTEM\\Services\\QavVirtualCable\\Enum", true));
  ASSERT_TRUE(reg.WriteString(u"v", u"1"));
  EXPECT_FALSE(reg.DeleteKey(u"SYSTEM\\Services\\QavVirtualCable"));
  EXPECT_EQ(store.KeyExists(qav::RegistryRoot::kCurrentUser, u"SYSTEM\\Services\\QavVirtualCable\\Enum"), qav::kRegOk);
  EXPECT_TRUE(reg.DeleteKey(u"SYSTEM\\Services\\QavVirtualCable\\Enum"));
  EXPECT_EQ(reg.GetKeyPath(), u"SYSTEM\\Services\\QavVirtualCable\\Enum");
  EXPECT_EQ(store.KeyExists(qav::RegistryRoot::kCurrentUser, u"SYSTEM\\Services\\QavVirtualCable\\Enum"),
            qav::kRegNotFound);
  EXPECT_TRUE(reg.DeleteKey(u"SYSTEM\\Services\\QavVirtualCable"));
  EXPECT_TRUE(reg.DeleteKey(u"SYSTEM\\Never\\There"));
  EXPECT_EQ(store.KeyExists(qav::RegistryRoot::kCurrentUser, u"SYSTEM\\Never"), qav::kRegNotFound);
}

}  // namespace
