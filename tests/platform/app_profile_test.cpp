#include "platform/app_profile.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

using namespace qav;

namespace {

TEST(AppProfile, KeepsTheProgramsValuesUnderItsKeyInTheStore) {
  test::TempDir dir;
  RegistryStore store(dir.path());
  AppProfile profile(u"Zarvelin", u"QAV", store);
  EXPECT_EQ(profile.SectionKey(u"Settings"), u"Software\\Zarvelin\\QAV\\Settings");

  EXPECT_EQ(profile.GetProfileInt(u"Settings", u"UIMainPanelLeft", -1), -1);
  EXPECT_EQ(store.KeyExists(RegistryRoot::kCurrentUser, u"Software"), kRegNotFound);  // reads create nothing
  ASSERT_TRUE(profile.WriteProfileInt(u"Settings", u"UIMainPanelLeft", -1));
  ASSERT_TRUE(profile.WriteProfileInt(u"Settings", u"UIMainPanelTop", 120));
  ASSERT_TRUE(profile.WriteProfileString(u"Settings", u"Language", u"EN"));

  RegistryValue raw;
  ASSERT_EQ(store.QueryValue(RegistryRoot::kCurrentUser, u"Software\\Zarvelin\\QAV\\Settings", u"UIMainPanelLeft", &raw),
            kRegOk);
  EXPECT_EQ(raw, MakeRegistryDword(0xFFFFFFFFu));
  EXPECT_EQ(profile.GetProfileInt(u"settings", u"uimainpaneltop", -1), 120);
  EXPECT_EQ(profile.GetProfileString(u"Settings", u"Language", u"XX"), u"EN");
  // A value of another type reads as the default.
  EXPECT_EQ(profile.GetProfileInt(u"Settings", u"Language", 7), 7);
  EXPECT_EQ(profile.GetProfileString(u"Settings", u"UIMainPanelTop", u"dflt"), u"dflt");

  EXPECT_TRUE(profile.ProfileValueExists(u"Settings", u"Language"));
  EXPECT_TRUE(profile.DeleteProfileValue(u"Settings", u"Language"));
  EXPECT_FALSE(profile.ProfileValueExists(u"Settings", u"Language"));
  EXPECT_TRUE(profile.DeleteProfileValue(u"Settings", u"Language"));
  EXPECT_EQ(profile.GetProfileString(u"Settings", u"Language", u"EN"), u"EN");
}

}  // namespace
