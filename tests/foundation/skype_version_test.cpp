#include <gtest/gtest.h>

#include "foundation/registry_access.h"
#include "foundation/version.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

// The installed call client's version, from what the client recorded in the registry.
TEST(SkypeVersion, ComesFromTheValuesTheCallClientRecords) {
  struct Case {
    const char* name;
    const char16_t* skypePath;     // "" : not recorded
    const char16_t* fileVersion;   // nullptr: not recorded
    int uiVersion;                 // -1: not recorded
    const char16_t* argument;
    int32_t expected;
  } cases[] = {
      {"nothing recorded", u"", nullptr, -1, u"", 0},
      {"interface version only", u"", nullptr, 0x02000045, u"", 0x02000045},
      {"recorded program", u"/opt/sim/callclient", u"3.8.0.115", 0x02000045, u"", 0x03080073},
      {"recorded program without a version", u"/opt/sim/callclient", nullptr, 0x02000045, u"", -1},
      {"the user's own path to the recorded program", u"/opt/sim/callclient", u"3. 0 .0.0", -1,
       u"/opt/sim/callclient", 0x03000000},
      {"another program carries no version", u"/opt/sim/callclient", u"3.8.0.115", -1, u"/bin/sh", -1},
  };
  for (const auto& c : cases) {
    qav::test::TempDir dir;
    qav::test::ScopedEnv registry("QAV_REGISTRY_DIR", dir.path());
    CRegistryAccess reg;
    if (*c.skypePath || c.fileVersion) {
      ASSERT_TRUE(reg.SetKey(u"Software\\Skype\\Phone", true));
      if (*c.skypePath) {
        ASSERT_TRUE(reg.WriteString(u"SkypePath", c.skypePath));
      }
      if (c.fileVersion) {
        ASSERT_TRUE(reg.WriteString(u"SkypeFileVersion", c.fileVersion));
      }
    }
    if (c.uiVersion != -1) {
      qav::RegistryStore store;
      ASSERT_EQ(store.CreateKey(qav::RegistryRoot::kCurrentUser, u"Software\\Skype\\Phone\\UI"), qav::kRegOk);
      ASSERT_EQ(store.SetValue(qav::RegistryRoot::kCurrentUser, u"Software\\Skype\\Phone\\UI", u"Version",
                               qav::MakeRegistryDword(static_cast<uint32_t>(c.uiVersion))),
                qav::kRegOk);
    }
    EXPECT_EQ(CVersion::GetSkypeVersion(c.argument), c.expected) << c.name;
  }
}

}  // namespace
