// Reading language files: the format's rules as a table of small files, and the refusals.
#include "foundation/lang_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "platform/text.h"
#include "tests/support/log_capture.h"

namespace {

// A language file's bytes: byte-order mark and UTF-16LE of the UTF-8 text.
std::string LangBytes(const std::string& utf8) { return "\xFF\xFE" + qav::TextToUtf16LeBytes(qav::U16(utf8)); }

// Parses the bytes through a memory stream, as LoadDefaultLangLib reads its resource.
int Parse(std::string bytes, CLangTable& table) {
  std::FILE* file = fmemopen(bytes.data(), bytes.size(), "rb");
  if (file == nullptr) {  // fmemopen refuses an empty buffer; an empty file stands in for it
    file = std::tmpfile();
  }
  const int result = LoadLangLibFromFile(file, u"test.lang", table);
  std::fclose(file);
  return result;
}

const std::string kHeader = "# QAV Localization File\r\n";

using Entries = std::map<std::u16string, std::u16string>;

TEST(LangFile, LinesAndValues) {
  const struct {
    const char* name;
    std::string body;  // after the header line
    Entries expected;
  } cases[] = {
      {"quoted value", "IDS_A \"x\"\r\n", {{u"IDS_A", u"x"}}},
      {"backslash n is LF", "IDS_A \"a\\nb\"\r\n", {{u"IDS_A", u"a\nb"}}},
      {"backslash r and t", "IDS_A \"a\\rb\\tc\"\r\n", {{u"IDS_A", u"a\rb\tc"}}},
      {"slash n is CR LF", "IDS_A \"a/nb\"\r\n", {{u"IDS_A", u"a\r\nb"}}},
      {"escapes replaced in order", "IDS_A \"\\\\n\"\r\n", {{u"IDS_A", u"\\\n"}}},
      {"no quotes: first and last still go", "IDS_A value\r\n", {{u"IDS_A", u"alu"}}},
      {"one-character value is empty", "IDS_A x\r\n", {{u"IDS_A", u""}}},
      {"two quotes are empty", "IDS_A \"\"\r\n", {{u"IDS_A", u""}}},
      {"inner blanks kept, outer trimmed", "   IDS_A    \" a b \"  \t\r\n", {{u"IDS_A", u" a b "}}},
      {"key without IDS_ skipped", "ID_A \"x\"\r\nids_b \"y\"\r\nIDS_C \"z\"\r\n", {{u"IDS_C", u"z"}}},
      {"line without a space skipped", "IDS_A\r\nIDS_B\t\"x\"\r\n", {}},
      {"comments and empty lines skipped", "# IDS_A \"x\"\r\n\r\n   \r\n#IDS_B \"y\"\r\n", {}},
      {"later line wins", "IDS_A \"one\"\r\nIDS_A \"two\"\r\n", {{u"IDS_A", u"two"}}},
      {"bare LF line ends", "IDS_A \"x\"\nIDS_B \"y\"", {{u"IDS_A", u"x"}, {u"IDS_B", u"y"}}},
      {"text outside ASCII", "IDS_A \"Skype\xE2\x84\xA2 \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D\"\r\n",
       {{u"IDS_A", u"Skype\u2122 \u05E9\u05DC\u05D5\u05DD"}}},
  };
  for (const auto& c : cases) {
    CLangTable table;
    ASSERT_EQ(Parse(LangBytes(kHeader + c.body), table), 1) << c.name;
    EXPECT_EQ(Entries(table.begin(), table.end()), c.expected) << c.name;
  }
}

TEST(LangFile, HeaderMayFollowEmptyLines) {
  CLangTable table;
  EXPECT_EQ(Parse(LangBytes("\r\n\r\n" + kHeader + "IDS_A \"x\"\r\n"), table), 1);
  EXPECT_EQ(table.at(u"IDS_A"), u"x");
}

TEST(LangFile, RefusedFilesLogWhyAndAddNothing) {
  const struct {
    const char* name;
    std::string bytes;
    std::u16string log;
  } cases[] = {
      {"empty", "", u"LoadLangLib Failed - Bad file size ( test.lang )"},
      {"one byte", "\xFF", u"LoadLangLib Failed - Bad file size ( test.lang )"},
      {"over 2,097,153 bytes", "\xFF\xFE" + std::string(0x200000, 'a'), u"LoadLangLib Failed - Bad file size ( test.lang )"},
      {"no byte-order mark", "# QAV Localization File\r\n",
       u"LoadLangLib Failed - File not compatible - Zero length or Non UNICODE ( 0X2023 )"},
      {"big-endian mark", "\xFE\xFF", u"LoadLangLib Failed - File not compatible - Zero length or Non UNICODE ( 0XFFFE )"},
      {"mark alone", "\xFF\xFE", u"LoadLangLib Failed - Bad header file (  )"},
      {"trailing blank on the header", LangBytes("# QAV Localization File \r\nIDS_A \"x\"\r\n"),
       u"LoadLangLib Failed - Bad header file ( # QAV Localization File  )"},
      {"entry before the header", LangBytes("IDS_A \"x\"\r\n" + kHeader), u"LoadLangLib Failed - Bad header file ( IDS_A \"x\" )"},
  };
  for (const auto& c : cases) {
    qav::test::LogCapture log;
    CLangTable table{{u"IDS_KEEP", u"kept"}};
    EXPECT_EQ(Parse(c.bytes, table), 0) << c.name;
    EXPECT_EQ(table.size(), 1u) << c.name;
    EXPECT_TRUE(log.Has(LOG_WARNING, c.log)) << c.name;
  }
}

TEST(LangFile, LargestFileIsRead) {
  // 2,097,153 bytes: one long value, then an odd last byte that reads as a line of its own.
  const std::string prefix = LangBytes(kHeader + "IDS_A \"");
  const std::string suffix = qav::TextToUtf16LeBytes(u"\"\r\n") + "!";
  const size_t valueChars = (0x200001 - prefix.size() - suffix.size()) / 2;
  const std::string bytes = prefix + qav::TextToUtf16LeBytes(std::u16string(valueChars, u'x')) + suffix;
  ASSERT_EQ(bytes.size(), 0x200001u);
  CLangTable table;
  EXPECT_EQ(Parse(bytes, table), 1);
  EXPECT_EQ(table.at(u"IDS_A"), std::u16string(valueChars, u'x'));
}

}  // namespace
