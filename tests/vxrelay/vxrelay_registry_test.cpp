// The installation folder and version, read from the registry the application's installer writes.
#include <gtest/gtest.h>

#include <string>

#include "platform/registry_store/registry_store.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/vxrelay/vxrelay_library.h"

namespace qav::test {
namespace {

constexpr char16_t kKey[] = u"Software\\Quenmark\\Vidralux";

class VxrelayRegistry : public ::testing::Test {
 protected:
  void Put(RegistryRoot root, std::u16string_view name, const RegistryValue& value) {
    ASSERT_EQ(store_.CreateKey(root, kKey), kRegOk);
    ASSERT_EQ(store_.SetValue(root, kKey, name, value), kRegOk);
  }
  void PutText(RegistryRoot root, std::u16string_view name, std::string_view utf8) {
    Put(root, name, MakeRegistryString(RegistryUtf8ToUtf16(utf8)));
  }

  TempDir temp_;
  ScopedEnv registryDir_{"QAV_REGISTRY_DIR", temp_.File("registry")};
  RegistryStore store_{temp_.File("registry")};
};

TEST_F(VxrelayRegistry, VersionTextPacksMajorAndMinor) {
  struct Case {
    const char* text;
    int packed;
  } cases[] = {
      {"3", 0x30000},          {"3.12", (3 << 16) | 12}, {"3.12.7", (3 << 16) | 12}, {" 4.2 beta", 0x40002},
      {"2.65537", 0x20001},    {"", 0},                  {"beta", 0},                {".5", 5},
  };
  for (const auto& c : cases) {
    PutText(RegistryRoot::kLocalMachine, u"Version", c.text);
    EXPECT_EQ(Vxrelay().GetVersion(), c.packed) << '"' << c.text << '"';
  }
}

TEST_F(VxrelayRegistry, VersionMissingOrUnusableGivesZero) {
  EXPECT_EQ(Vxrelay().GetVersion(), 0) << "no key";
  Put(RegistryRoot::kLocalMachine, u"Directory", MakeRegistryString(u"/opt/vidralux"));
  EXPECT_EQ(Vxrelay().GetVersion(), 0) << "no value";
  Put(RegistryRoot::kLocalMachine, u"Version", MakeRegistryDword(0x30000));
  EXPECT_EQ(Vxrelay().GetVersion(), 0) << "not a text";
  PutText(RegistryRoot::kLocalMachine, u"Version", "3." + std::string(62, '1'));  // 64 bytes
  EXPECT_EQ(Vxrelay().GetVersion(), 0) << "longer than the 64-byte buffer with its zero";
  PutText(RegistryRoot::kLocalMachine, u"Version", "3." + std::string(61, '0'));  // 63 bytes
  EXPECT_EQ(Vxrelay().GetVersion(), 0x30000);
}

TEST_F(VxrelayRegistry, KeyOnlyUnderCurrentUserIsFound) {
  PutText(RegistryRoot::kCurrentUser, u"Version", "3.1");
  PutText(RegistryRoot::kCurrentUser, u"Directory", "/home/u/Vidralux");
  EXPECT_EQ(Vxrelay().GetVersion(), 0x30001);
  ASSERT_NE(Vxrelay().GetDirectory(), nullptr);
  EXPECT_STREQ(Vxrelay().GetDirectory(), "/home/u/Vidralux");

  // A machine-wide key wins, even one without the value.
  ASSERT_EQ(store_.CreateKey(RegistryRoot::kLocalMachine, kKey), kRegOk);
  EXPECT_EQ(Vxrelay().GetVersion(), 0);
  EXPECT_EQ(Vxrelay().GetDirectory(), nullptr);
}

TEST_F(VxrelayRegistry, DirectoryUpTo259BytesWholeLongerRefused) {
  const std::string fits = "/opt/" + std::string(254, 'v');          // 259 bytes
  const std::string tooLong = "/opt/" + std::string(255, 'v');       // 260 bytes
  const std::string wide = "/opt/" + std::string(252, 'v') + "\xC3\xA9";  // 259 bytes, 258 characters
  PutText(RegistryRoot::kLocalMachine, u"Directory", fits);
  ASSERT_NE(Vxrelay().GetDirectory(), nullptr);
  EXPECT_EQ(std::string(Vxrelay().GetDirectory()), fits);
  PutText(RegistryRoot::kLocalMachine, u"Directory", wide + "x");
  EXPECT_EQ(Vxrelay().GetDirectory(), nullptr) << "counted in bytes, not characters";
  PutText(RegistryRoot::kLocalMachine, u"Directory", wide);
  ASSERT_NE(Vxrelay().GetDirectory(), nullptr);
  EXPECT_EQ(std::string(Vxrelay().GetDirectory()), wide);
  PutText(RegistryRoot::kLocalMachine, u"Directory", tooLong);
  EXPECT_EQ(Vxrelay().GetDirectory(), nullptr) << "refused, not cut";
  Put(RegistryRoot::kLocalMachine, u"Directory", MakeRegistryBinary("/opt"));
  EXPECT_EQ(Vxrelay().GetDirectory(), nullptr) << "not a text";
}

TEST_F(VxrelayRegistry, DirectoryBufferIsClearedBeforeEachRead) {
  PutText(RegistryRoot::kLocalMachine, u"Directory", "/opt/a-long-folder-name");
  const char* first = Vxrelay().GetDirectory();
  ASSERT_NE(first, nullptr);
  PutText(RegistryRoot::kLocalMachine, u"Directory", "/b");
  const char* second = Vxrelay().GetDirectory();
  ASSERT_EQ(second, first) << "one buffer per thread";
  EXPECT_EQ(std::string(second, 24), std::string("/b") + std::string(22, '\0'));
}

}  // namespace
}  // namespace qav::test
