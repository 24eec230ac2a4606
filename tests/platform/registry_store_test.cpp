#include "platform/registry_store/registry_store.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/registry_store/registry_tree.h"
#include "tests/support/temp_dir.h"

using namespace qav;

namespace {

constexpr RegistryRoot kHkcu = RegistryRoot::kCurrentUser;

class RegistryStoreTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  RegistryStore store{dir.path() + "/registry"};
  std::string FileText(const char* root = "HKEY_CURRENT_USER") {
    return test::ReadFileBytes(dir.path() + "/registry/" + root + ".reg");
  }
};

TEST_F(RegistryStoreTest, KeepsEveryKindOfValueWithItsSizeAndTheNamesAsWritten) {
  ASSERT_EQ(store.CreateKey(kHkcu, u"Software\\Zarvelin\\QAV\\Settings"), kRegOk);
  const std::u16string key = u"software\\ZARVELIN\\qav\\settings";  // any case finds it
  ASSERT_EQ(store.SetValue(kHkcu, key, u"Language", MakeRegistryString(u"EN")), kRegOk);
  ASSERT_EQ(store.SetValue(kHkcu, key, u"Empty", MakeRegistryString(u"")), kRegOk);
  ASSERT_EQ(store.SetValue(kHkcu, key, u"Path", MakeRegistryString(u"%HOME%\\x", kRegExpandSz)), kRegOk);
  ASSERT_EQ(store.SetValue(kHkcu, key, u"UIMainPanelLeft", MakeRegistryDword(0xFFFFFFFFu)), kRegOk);
  ASSERT_EQ(store.SetValue(kHkcu, key, u"Blob", MakeRegistryBinary(std::string("\x00\x0a\xff", 3))), kRegOk);
  ASSERT_EQ(store.SetValue(kHkcu, key, u"Odd", RegistryValue{7, "abc"}), kRegOk);
  ASSERT_EQ(store.SetValue(kHkcu, key, u"LANGUAGE", MakeRegistryString(u"DE")), kRegOk);  // replaces

  RegistryValue v;
  ASSERT_EQ(store.QueryValue(kHkcu, key, u"language", &v), kRegOk);
  EXPECT_EQ(RegistryStringOf(v), u"DE");
  ASSERT_EQ(store.QueryValue(kHkcu, key, u"Empty", &v), kRegOk);
  EXPECT_EQ(v.type, kRegSz);
  EXPECT_EQ(v.data.size(), 2u);
  ASSERT_EQ(store.QueryValue(kHkcu, key, u"Path", &v), kRegOk);
  EXPECT_EQ(v.type, kRegExpandSz);
  EXPECT_EQ(RegistryStringOf(v), u"%HOME%\\x");  // not expanded
  ASSERT_EQ(store.QueryValue(kHkcu, key, u"UIMainPanelLeft", &v), kRegOk);
  EXPECT_EQ(v.type, kRegDword);
  EXPECT_EQ(RegistryDwordOf(v), 0xFFFFFFFFu);
  EXPECT_EQ(RegistryStringOf(v), std::nullopt);
  ASSERT_EQ(store.QueryValue(kHkcu, key, u"Blob", &v), kRegOk);
  EXPECT_EQ(v, MakeRegistryBinary(std::string("\x00\x0a\xff", 3)));
  ASSERT_EQ(store.QueryValue(kHkcu, key, u"Odd", &v), kRegOk);
  EXPECT_EQ(v, (RegistryValue{7, "abc"}));
  EXPECT_EQ(store.QueryValue(kHkcu, key, u"Missing", &v), kRegNotFound);
  EXPECT_EQ(store.QueryValue(kHkcu, u"Software\\Nothing", u"Language", nullptr), kRegNotFound);

  std::vector<std::u16string> names;
  ASSERT_EQ(store.GetValueNames(kHkcu, key, &names), kRegOk);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Language", u"Empty", u"Path", u"UIMainPanelLeft", u"Blob", u"Odd"}));

  EXPECT_EQ(FileText(),
            "QAV registry store 1\n"
            "\n[Software]\n"
            "\n[Software\\Zarvelin]\n"
            "\n[Software\\Zarvelin\\QAV]\n"
            "\n[Software\\Zarvelin\\QAV\\Settings]\n"
            "\"Language\"=sz:\"DE\"\n"
            "\"Empty\"=sz:\"\"\n"
            "\"Path\"=expand_sz:\"%HOME%\\\\x\"\n"
            "\"UIMainPanelLeft\"=dword:ffffffff\n"
            "\"Blob\"=binary:000aff\n"
            "\"Odd\"=hex(7):616263\n");
  EXPECT_EQ(RegistryStore(dir.path() + "/registry").KeyExists(RegistryRoot::kLocalMachine, u"Software"), kRegNotFound);
}

TEST_F(RegistryStoreTest, TextSurvivesEveryCharacterTheFormatEscapes) {
  const std::u16string texts[] = {
      u"quote \" backslash \\ tab \t cr \r lf \n",
      std::u16string(u"zero\0inside", 11),
      u"\x01\x1f\x7f control",
      u"Skype\u2122 \U0001F600 \u00e9",
      std::u16string(u"lone ") + char16_t(0xD800) + u" high",
      u"]=[",
  };
  ASSERT_EQ(store.CreateKey(kHkcu, u"K"), kRegOk);
  for (const auto& text : texts) {
    // The text is both the name (where a name may hold it) and the data.
    const std::u16string name = text.find(u'\0') == std::u16string::npos ? text : u"zero";
    ASSERT_EQ(store.SetValue(kHkcu, u"K", name, MakeRegistryString(text)), kRegOk);
    RegistryValue v;
    ASSERT_EQ(store.QueryValue(kHkcu, u"K", name, &v), kRegOk);
    EXPECT_EQ(v, MakeRegistryString(text));
  }
  // A string without its terminating zero is kept byte for byte too.
  const RegistryValue unterminated{kRegSz, std::string("a\0b", 3)};
  ASSERT_EQ(store.SetValue(kHkcu, u"K", u"raw", unterminated), kRegOk);
  RegistryValue v;
  ASSERT_EQ(store.QueryValue(kHkcu, u"K", u"raw", &v), kRegOk);
  EXPECT_EQ(v, unterminated);
  EXPECT_EQ(RegistryStringOf(v), u"a");
}

TEST_F(RegistryStoreTest, KeepsLinesItCannotReadAndRefusesFilesItMustNotRewrite) {
  ASSERT_EQ(store.CreateKey(kHkcu, u"A"), kRegOk);
  const std::string path = dir.path() + "/registry/HKEY_CURRENT_USER.reg";
  ASSERT_TRUE(test::WriteFileBytes(path,
                                   "QAV registry store 1\r\n"
                                   "; a note by hand\r\n"
                                   "[A]\r\n"
                                   "\"bad\"=sz:\"no end\r\n"
                                   "\"x\"=qword:01\r\n"
                                   "\"ok\"=dword:2a\r\n"
                                   "[A\\\\B\\]\r\n"));
  RegistryValue v;
  ASSERT_EQ(store.QueryValue(kHkcu, u"A", u"ok", &v), kRegOk);
  EXPECT_EQ(RegistryDwordOf(v), 42u);
  EXPECT_EQ(store.KeyExists(kHkcu, u"a\\b"), kRegOk);
  ASSERT_EQ(store.SetValue(kHkcu, u"A", u"new", MakeRegistryDword(1)), kRegOk);
  EXPECT_EQ(FileText(),
            "QAV registry store 1\n"
            "; a note by hand\n"
            "\n[A]\n"
            "\"ok\"=dword:0000002a\n"
            "\"new\"=dword:00000001\n"
            "\"bad\"=sz:\"no end\n"
            "\"x\"=qword:01\n"
            "\n[A\\B]\n");

  // A stale temporary file from a writer that died changes nothing.
  ASSERT_TRUE(test::WriteFileBytes(path + ".tmp", "garbage"));
  EXPECT_EQ(store.QueryValue(kHkcu, u"A", u"new", nullptr), kRegOk);

  // A file past the size limit is refused for reading and is never overwritten.
  const std::string huge = "QAV registry store 1\n" + std::string(kRegistryMaxFileBytes, ';');
  ASSERT_TRUE(test::WriteFileBytes(path, huge));
  EXPECT_EQ(store.QueryValue(kHkcu, u"A", u"new", nullptr), kRegBadStore);
  EXPECT_EQ(store.SetValue(kHkcu, u"A", u"new", MakeRegistryDword(2)), kRegBadStore);
  EXPECT_EQ(test::ReadFileBytes(path).size(), huge.size());
}

TEST_F(RegistryStoreTest, RefusesWhatThePlatformRefuses) {
  ASSERT_EQ(store.CreateKey(kHkcu, u"Parent\\Child"), kRegOk);
  EXPECT_EQ(store.DeleteKey(kHkcu, u"Parent"), kRegAccessDenied);  // has a sub-key
  EXPECT_EQ(store.KeyExists(kHkcu, u"Parent\\Child"), kRegOk);
  EXPECT_EQ(store.DeleteKey(kHkcu, u"Parent\\Missing"), kRegNotFound);
  EXPECT_EQ(store.DeleteKey(kHkcu, u""), kRegAccessDenied);  // the root itself
  EXPECT_EQ(store.DeleteKey(kHkcu, u"parent\\CHILD"), kRegOk);
  EXPECT_EQ(store.DeleteKey(kHkcu, u"Parent"), kRegOk);
  EXPECT_EQ(store.KeyExists(kHkcu, u"Parent"), kRegNotFound);

  EXPECT_EQ(store.SetValue(kHkcu, u"NoSuchKey", u"v", MakeRegistryDword(1)), kRegNotFound);
  EXPECT_EQ(store.KeyExists(kHkcu, u"NoSuchKey"), kRegNotFound);  // nothing was created
  EXPECT_EQ(store.DeleteValue(kHkcu, u"", u"missing"), kRegNotFound);
  EXPECT_EQ(store.KeyExists(static_cast<RegistryRoot>(0x80000004u), u""), kRegInvalidRoot);
  EXPECT_EQ(store.CreateKey(static_cast<RegistryRoot>(7), u"A"), kRegInvalidRoot);
  EXPECT_EQ(store.CreateKey(kHkcu, u"bad\nname"), kRegInvalidParameter);
  EXPECT_EQ(store.CreateKey(kHkcu, std::u16string(256, u'k')), kRegInvalidParameter);
  EXPECT_EQ(store.SetValue(kHkcu, u"", std::u16string(u"a\0b", 3), MakeRegistryDword(1)), kRegInvalidParameter);
  EXPECT_EQ(store.SetValue(kHkcu, u"", u"big", MakeRegistryBinary(std::string(kRegistryMaxData + 1, 'x'))),
            kRegInvalidParameter);
  EXPECT_EQ(store.SetValue(kHkcu, u"", u"atRoot", MakeRegistryDword(3)), kRegOk);
}

// Two real processes changing the same root at once: every write of both must survive.
TEST_F(RegistryStoreTest, TwoProcessesWritingAtOnceLoseNothing) {
  ASSERT_EQ(store.CreateKey(kHkcu, u"Shared"), kRegOk);
  constexpr int kWrites = 60;
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      char go;
      close(ready[1]);
      if (read(ready[0], &go, 1) != 0) _exit(3);  // both start when the parent closes the pipe
      RegistryStore own(dir.path() + "/registry");
      int failures = 0;
      for (int i = 0; i < kWrites; ++i) {
        const std::u16string name = (c == 0 ? u"a" : u"b") + RegistryUtf8ToUtf16(std::to_string(i));
        if (own.SetValue(kHkcu, u"Shared", name, MakeRegistryDword(static_cast<uint32_t>(i))) != kRegOk) ++failures;
        if (i % 10 == 0 && own.CreateKey(kHkcu, u"Shared\\" + name) != kRegOk) ++failures;
      }
      _exit(failures == 0 ? 0 : 1);
    }
  }
  close(ready[0]);
  close(ready[1]);
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  RegistryKeyInfo info;
  ASSERT_EQ(store.GetKeyInfo(kHkcu, u"Shared", &info), kRegOk);
  EXPECT_EQ(info.valueCount, 2u * kWrites);
  EXPECT_EQ(info.subKeyCount, 2u * (kWrites / 10));
}

}  // namespace
