#include "platform/private_profile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/text.h"
#include "tests/support/temp_dir.h"

using namespace qav;

namespace {

class PrivateProfileTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::u16string path = U16(dir.File("QAV.ini"));
  void Put(const std::string& bytes) { ASSERT_TRUE(test::WriteFileBytes(dir.File("QAV.ini"), bytes)); }
  std::string Text() { return test::ReadFileBytes(dir.File("QAV.ini")); }
};

TEST_F(PrivateProfileTest, ReadsByTheProfileRules) {
  Put("; comment\r\n"
      "[Other]\r\n"
      "Key=other section\r\n"
      "  [ settings ]  \r\n"
      "  Plain =  padded value  \r\n"
      "Quoted=\"  kept inside  \"\r\n"
      "Twice=\"\"x\"\"\r\n"
      "Half=\"open\r\n"
      "Single='single'\r\n"
      "Empty=\r\n"
      "NoEquals\r\n"
      ";Commented=1\r\n"
      "plain=second match\r\n"
      "Long=" + std::string(300, 'a') + "\r\n"
      "Pair=ab\xF0\x9F\x98\x80\r\n"
      "Num=12abc\n"
      "Hex=0x1F\rNeg=-5\n"
      "Wrap=4294967295\n"
      "Over=4294967296\n"
      "Word=abc\n"
      "Plus=+7\n"
      "HexNeg=-0x10\n"
      "[Settings]\n"
      "Late=second section\n");
  struct Case {
    const char16_t* key;
    const char16_t* expected;
    size_t buffer = 256;
  } cases[] = {
      {u"plain", u"padded value"},
      {u"Quoted", u"  kept inside  "},
      {u"Twice", u"\"x\""},
      {u"Half", u"\"open"},
      {u"Single", u"'single'"},
      {u"Empty", u""},
      {u"NoEquals", u""},
      {u"Commented", u"dflt"},
      {u"Late", u"dflt"},  // only the first section of a name counts
      {u"Missing", u"dflt"},
      {u"Key", u"dflt"},
      {u"Pair", u"ab", 4},  // a surrogate pair is never split
      {u"Pair", u"ab\U0001F600", 5},
      {u"Plain", u"pad", 4},
      {u"Plain", u"", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetPrivateProfileString(u"SETTINGS", c.key, u"dflt  ", c.buffer, path), c.expected) << U8(c.key);
  }
  EXPECT_EQ(GetPrivateProfileString(u"Settings", u"Long", u"", 256, path), std::u16string(255, u'a'));
  EXPECT_EQ(GetPrivateProfileString(u"Settings", u"Long", u"", 4096, path), std::u16string(300, u'a'));
  EXPECT_EQ(GetPrivateProfileString(u"Settings", u"Missing", u"default cut", 4, path), u"def");
  EXPECT_EQ(GetPrivateProfileStringBytes(u"Settings", u"Pair", u"", 5, path), "ab");
  EXPECT_EQ(GetPrivateProfileStringBytes(u"Settings", u"Pair", u"", 7, path), "ab\xF0\x9F\x98\x80");

  struct IntCase {
    const char16_t* key;
    int32_t expected;
  } ints[] = {
      {u"Num", 12}, {u"Hex", 31}, {u"Neg", -5}, {u"Wrap", -1}, {u"Over", 0}, {u"Word", 0},
      {u"Plus", 7}, {u"HexNeg", -16}, {u"Empty", 99}, {u"Missing", 99}, {u"Late", 99},
  };
  for (const auto& c : ints) EXPECT_EQ(GetPrivateProfileInt(u"Settings", c.key, 99, path), c.expected) << U8(c.key);
  EXPECT_EQ(GetPrivateProfileUInt(u"Settings", u"Wrap", 0, path), 4294967295u);
  EXPECT_EQ(GetPrivateProfileInt(u"Settings", u"Num", 99, U16(dir.File("none.ini"))), 99);
}

TEST_F(PrivateProfileTest, ReadsUtf16FilesWithTheirMarkAndRawBytesOfOthers) {
  Put(std::string("\xFF\xFE", 2) + TextToUtf16LeBytes(u"[Settings]\r\nName=J\u00fcrgen \u2122\r\n"));
  EXPECT_EQ(GetPrivateProfileString(u"Settings", u"name", u"", 256, path), u"J\u00fcrgen \u2122");
  ASSERT_TRUE(WritePrivateProfileString(u"Settings", u"Other", u"1", path));  // rewritten as UTF-8
  EXPECT_EQ(Text(), "[Settings]\nName=J\xC3\xBCrgen \xE2\x84\xA2\nOther=1\n");
  Put("\xEF\xBB\xBF[Settings]\nName=x\n");
  EXPECT_EQ(GetPrivateProfileString(u"Settings", u"Name", u"", 256, path), u"x");
  // The 8-bit read gives an 8-bit file's bytes as they stand, text or not.
  Put("[Settings]\nRaw=\x80\xFFz\xC3\n");
  EXPECT_EQ(GetPrivateProfileStringBytes(u"Settings", u"raw", u"", 256, path), "\x80\xFFz\xC3");
  EXPECT_EQ(GetPrivateProfileString(u"Settings", u"raw", u"", 256, path), u"\uFFFD\uFFFDz\uFFFD");
}

// A mark repeated at the start of the text (a file saved twice by a tool that adds one) is still a
// mark: the section behind it is found, and a write lands in it instead of a second section that a
// later read would lose behind the first.
TEST_F(PrivateProfileTest, RepeatedByteOrderMarksHideNoSection) {
  const std::string utf16 = std::string("\xFF\xFE\xFF\xFE", 4) + TextToUtf16LeBytes(u"[Settings]\r\nA=old\r\n");
  for (const std::string& before : {std::string("\xEF\xBB\xBF\xEF\xBB\xBF[Settings]\nA=old\n"), utf16,
                                    std::string("\xEF\xBB\xBF\xEF\xBB\xBF\xEF\xBB\xBF[Settings]\nA=old\n")}) {
    Put(before);
    EXPECT_EQ(GetPrivateProfileString(u"Settings", u"A", u"", 256, path), u"old");
    EXPECT_EQ(GetPrivateProfileStringBytes(u"Settings", u"A", u"", 256, path), "old");
    ASSERT_TRUE(WritePrivateProfileString(u"Settings", u"A", u"new", path));
    EXPECT_EQ(GetPrivateProfileString(u"Settings", u"A", u"", 256, path), u"new");
    ASSERT_TRUE(WritePrivateProfileString(u"Settings", u"B", u"2", path));
    EXPECT_EQ(GetPrivateProfileString(u"Settings", u"A", u"", 256, path), u"new");
    EXPECT_EQ(GetPrivateProfileString(u"Settings", u"B", u"", 256, path), u"2");
    EXPECT_EQ(Text(), "[Settings]\nA=new\nB=2\n");
  }
}

TEST_F(PrivateProfileTest, WritesInPlaceInItsSectionOrAtTheEnd) {
  struct Case {
    const char* before;
    const char16_t* section;
    const char16_t* key;
    const char16_t* value;
    const char* after;
  } cases[] = {
      {"", u"Settings", u"A", u"1", "[Settings]\nA=1\n"},
      {"[Settings]\r\nA=1\r\nB=2\r\n", u"settings", u"a", u"3", "[Settings]\na=3\nB=2\n"},
      {"[Settings]\nA=1\n\n[Next]\nX=1\n", u"Settings", u"C", u"\"q\"", "[Settings]\nA=1\nC=\"q\"\n\n[Next]\nX=1\n"},
      {"; top\n[Next]\nX=1", u"Settings", u"A", u"", "; top\n[Next]\nX=1\n\n[Settings]\nA=\n"},
      {"[Settings]\nA=1\n[Settings]\nA=2\n", u"Settings", u"A", u"9", "[Settings]\nA=9\n[Settings]\nA=2\n"},
  };
  for (const auto& c : cases) {
    Put(c.before);
    EXPECT_TRUE(WritePrivateProfileString(c.section, c.key, c.value, path)) << c.before;
    EXPECT_EQ(Text(), c.after) << c.before;
  }

  // Refused writes leave the file as it was: nothing can break a line or name a section by accident.
  Put("[Settings]\nA=1\n");
  const struct {
    const char16_t* section;
    const char16_t* key;
    std::u16string value;
  } refused[] = {
      {u"Settings", u"A", u"line\r\n[Evil]"}, {u"Settings", u"A", u"cr\ronly"}, {u"Settings", u"A", u"lf\n"},
      {u"Settings", u"A", std::u16string(u"zero\0", 5)}, {u"Settings", u"A=B", u"1"}, {u"Settings", u"", u"1"},
      {u"Settings", u"[A", u"1"}, {u"Set]tings", u"A", u"1"}, {u"Set\ntings", u"A", u"1"}, {u"", u"A", u"1"},
  };
  for (const auto& r : refused) EXPECT_FALSE(WritePrivateProfileString(r.section, r.key, r.value, path));
  EXPECT_FALSE(WritePrivateProfileStrings(u"Settings", {{u"B", u"2"}, {u"C", u"bad\n"}}, path));  // all or nothing
  EXPECT_EQ(Text(), "[Settings]\nA=1\n");
  EXPECT_TRUE(WritePrivateProfileStrings(u"Settings", {{u"B", u"2"}, {u"a", u"3"}, {u"B", u"4"}}, path));
  EXPECT_EQ(Text(), "[Settings]\na=3\nB=4\n");
  Put("[Settings]\nA=1\n");

  // The file is created, its folder is not.
  EXPECT_FALSE(WritePrivateProfileString(u"Settings", u"A", u"1", U16(dir.File("missing/QAV.ini"))));
  struct stat st {};
  EXPECT_NE(stat(dir.File("missing").c_str(), &st), 0);
  // A new file is the user's own (it holds the mail password); an existing one keeps its mode.
  ASSERT_TRUE(WritePrivateProfileString(u"Settings", u"A", u"1", U16(dir.File("new.ini"))));
  ASSERT_EQ(stat(dir.File("new.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(chmod(dir.File("QAV.ini").c_str(), 0640), 0);
  ASSERT_TRUE(WritePrivateProfileString(u"Settings", u"A", u"2", path));
  ASSERT_EQ(stat(dir.File("QAV.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// Writers in two processes each add their own keys at once; a reader meanwhile always sees a whole
// file; and a writer killed in the middle of its saves leaves a whole file behind.
TEST_F(PrivateProfileTest, SavesAreAtomicAndConcurrentWritersLoseNothing) {
  Put("[Settings]\nBig=" + std::string(20000, 'x') + "\n");
  constexpr int kWrites = 40;
  pid_t writers[2];
  for (int c = 0; c < 2; ++c) {
    writers[c] = fork();
    ASSERT_GE(writers[c], 0);
    if (writers[c] == 0) {
      bool ok = true;
      for (int i = 0; i < kWrites; ++i) {
        ok &= WritePrivateProfileString(u"Settings", Format(u"K%d_%d", c, i), Format(u"%d", i), path);
      }
      _exit(ok ? 0 : 1);
    }
  }
  const pid_t churner = fork();
  ASSERT_GE(churner, 0);
  if (churner == 0) {
    for (int i = 0;; ++i) WritePrivateProfileString(u"Settings", u"Big", std::u16string(20000, i % 2 ? u'y' : u'x'), path);
  }
  for (int i = 0; i < 200; ++i) {
    const std::u16string big = GetPrivateProfileString(u"Settings", u"Big", u"", 30000, path);
    ASSERT_TRUE(big == std::u16string(20000, u'x') || big == std::u16string(20000, u'y')) << big.size();
  }
  for (pid_t w : writers) {
    int status = 0;
    ASSERT_EQ(waitpid(w, &status, 0), w);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  kill(churner, SIGKILL);
  waitpid(churner, nullptr, 0);
  const std::u16string big = GetPrivateProfileString(u"Settings", u"Big", u"", 30000, path);
  EXPECT_TRUE(big == std::u16string(20000, u'x') || big == std::u16string(20000, u'y'));
  for (int c = 0; c < 2; ++c) {
    for (int i = 0; i < kWrites; ++i) {
      EXPECT_EQ(GetPrivateProfileInt(u"Settings", Format(u"K%d_%d", c, i), -1, path), i);
    }
  }
}

}  // namespace
