#include "net/mail_header_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <time.h>

#include "foundation/base64.h"
#include "net/mail_address_list.h"
#include "platform/text.h"
#include "tests/support/scoped_env.h"

namespace {

using qav::net::AttachmentDisposition;
using qav::net::BuildMailHeaders;
using qav::net::EncodeHeaderText;
using qav::net::EnvelopeAddress;
using qav::net::SplitMailAddresses;

// Decodes what EncodeHeaderText wrote, the way a mail reader does: encoded words joined, folding
// dropped.
std::string DecodeHeaderText(const std::string& value) {
  if (value.rfind("=?UTF-8?B?", 0) != 0) return value;
  std::string out;
  size_t pos = 0;
  while ((pos = value.find("=?UTF-8?B?", pos)) != std::string::npos) {
    const size_t end = value.find("?=", pos + 10);
    out += qav::Base64Decode(value.substr(pos + 10, end - pos - 10)).value_or("<bad>");
    pos = end + 2;
  }
  return out;
}

TEST(MailHeaderText, SubjectsAreEncodedWhenTheyAreNotPlainAsciiAndNeverBreakTheLine) {
  struct Case {
    std::u16string subject;
    bool encoded;
    std::string decoded;
  };
  const Case cases[] = {
      {u"QAV voice message from Ann on 10/12/26, 14:32", false, "QAV voice message from Ann on 10/12/26, 14:32"},
      {u"", false, ""},
      {u"Nachricht von Zo\u00eb M\u00fcller", true, "Nachricht von Zo\u00eb M\u00fcller"},
      {u"from Eve\r\nBcc: victim@example.org", false, "from Eve  Bcc: victim@example.org"},
      {u"from \u0415\u0432\u0430\r\nBcc: x@y", true, "from \u0415\u0432\u0430  Bcc: x@y"},
      {u"=?UTF-8?B?Zm9v?= looks encoded", true, "=?UTF-8?B?Zm9v?= looks encoded"},
      {u"tab\there", false, "tab here"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(qav::U8(c.subject));
    const std::string value = EncodeHeaderText(c.subject);
    EXPECT_EQ(value.rfind("=?UTF-8?B?", 0) == 0, c.encoded) << value;
    // The only line breaks are folds (CRLF followed by a blank) between encoded words.
    for (size_t pos = value.find('\n'); pos != std::string::npos; pos = value.find('\n', pos + 1)) {
      ASSERT_GT(pos, 0u);
      EXPECT_EQ(value[pos - 1], '\r');
      ASSERT_LT(pos + 1, value.size());
      EXPECT_EQ(value[pos + 1], ' ');
    }
    EXPECT_EQ(DecodeHeaderText(value), c.decoded);
  }
}

TEST(MailHeaderText, LongTextIsSplitIntoWordsOfAtMost75CharactersOnCharacterBoundaries) {
  std::u16string subject;
  for (int i = 0; i < 40; ++i) subject += u"\u00e9\u20ac\U0001F600";  // 2-, 3- and 4-byte characters
  const std::string value = EncodeHeaderText(subject);
  size_t start = 0;
  std::string decoded;
  while (start < value.size()) {
    size_t end = value.find("\r\n ", start);
    const std::string word = value.substr(start, end == std::string::npos ? std::string::npos : end - start);
    EXPECT_LE(word.size(), 75u);
    const auto bytes = qav::Base64Decode(word.substr(10, word.size() - 12));
    ASSERT_TRUE(bytes.has_value()) << word;
    // Each word holds whole characters: it decodes to valid UTF-8 by itself.
    EXPECT_EQ(qav::U8(qav::U16(*bytes)), *bytes);
    decoded += *bytes;
    start = end == std::string::npos ? value.size() : end + 3;
  }
  EXPECT_EQ(decoded, qav::U8(subject));
}

TEST(MailHeaderText, EncodedSubjectDecodesToTheTextWithLineBreaksBlanked) {
  EXPECT_EQ(DecodeHeaderText(EncodeHeaderText(u"Zo\u00eb\r\nX")), "Zo\xc3\xab  X");
}

TEST(MailAddressList, SplitsOnCommasAndSemicolonsAndRefusesUnusableEnvelopeAddresses) {
  struct Case {
    std::u16string list;
    std::vector<std::string> entries;
    std::vector<std::string> envelope;  // EnvelopeAddress of each entry
  };
  const Case cases[] = {
      {u"ann@example.org", {"ann@example.org"}, {"ann@example.org"}},
      {u" ann@example.org, bob@example.org;carl@example.org ",
       {"ann@example.org", "bob@example.org", "carl@example.org"},
       {"ann@example.org", "bob@example.org", "carl@example.org"}},
      {u";; ,ann@example.org;", {"ann@example.org"}, {"ann@example.org"}},
      {u"Ann Lee <ann@example.org>; <bob@example.org>", {"Ann Lee <ann@example.org>", "<bob@example.org>"},
       {"ann@example.org", "bob@example.org"}},
      {u"ann@example.org\r\nBcc: eve@example.org", {"ann@example.org  Bcc: eve@example.org"}, {""}},
      {u"no-at-sign", {"no-at-sign"}, {""}},
      {u"Ann <ann@example.org", {"Ann <ann@example.org"}, {""}},
      {u"", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(qav::U8(c.list));
    const std::vector<std::string> entries = SplitMailAddresses(c.list);
    EXPECT_EQ(entries, c.entries);
    std::vector<std::string> envelope;
    for (const std::string& e : entries) envelope.push_back(EnvelopeAddress(e));
    EXPECT_EQ(envelope, c.envelope);
  }
}

TEST(MailHeaderText, HeadersComeInOrderWithTheirOwnDateAndMessageId) {
  qav::test::ScopedEnv tz("TZ", "UTC");
  tzset();
  qav::net::MailHeaderFields fields;
  fields.from = "QAV <qav@example.org>";
  fields.to = {"ann@example.org", "J\xc3\xbcrgen <j@example.org>"};
  fields.subject = u"Hi\nthere";
  fields.time = 0;
  fields.messageId = qav::net::MakeMessageId("qav@example.org");
  const std::vector<std::string> lines = BuildMailHeaders(fields);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "From: QAV <qav@example.org>");
  EXPECT_EQ(lines[1], "To: ann@example.org, =?UTF-8?B?SsO8cmdlbg==?= <j@example.org>");
  EXPECT_EQ(lines[2], "Subject: Hi there");
  EXPECT_EQ(lines[3], "Date: Thu, 01 Jan 1970 00:00:00 +0000");
  EXPECT_EQ(lines[4].rfind("Message-ID: <", 0), 0u);
  EXPECT_EQ(lines[4].substr(lines[4].size() - 13), "@example.org>");
  EXPECT_NE(qav::net::MakeMessageId("qav@example.org"), qav::net::MakeMessageId("qav@example.org"));
  EXPECT_EQ(qav::net::MakeMessageId("").find("@qav.invalid>") != std::string::npos, true);
}

// A fold goes only before a blank that ends a word: a long word with a long run of blanks before
// or after it has no place to fold, and must not make a line longer than a mail may carry.
TEST(MailHeaderText, NoHeaderLineOutgrowsTheLimitWhateverBlanksSurroundALongWord) {
  const std::string word(900, 'x');
  const std::string blanks(200, ' ');
  const struct {
    const char* name;
    std::string subject;
  } cases[] = {
      {"blanks before a long word", "Caller " + blanks + word + " end"},
      {"blanks after the last long word", "Caller " + word + blanks},
      {"tabs and blanks before a long word", "Caller" + std::string(150, '\t') + blanks + word},
      {"a long word alone", word},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    qav::net::MailHeaderFields fields;
    fields.from = "qav@example.org";
    fields.subject = qav::U16(c.subject);
    fields.messageId = qav::net::MakeMessageId(fields.from);
    for (const std::string& field : BuildMailHeaders(fields)) {
      size_t start = 0;
      while (true) {
        const size_t end = field.find("\r\n", start);
        EXPECT_LE((end == std::string::npos ? field.size() : end) - start, 998u) << field.substr(start, 60);
        if (end == std::string::npos) break;
        start = end + 2;
      }
    }
    // What the reader puts together is the subject, blanks and all (a tab is a blank to it).
    std::string subject = BuildMailHeaders(fields)[2].substr(9);
    for (size_t at; (at = subject.find("\r\n")) != std::string::npos;) subject.erase(at, 2);
    std::string expected = c.subject;
    std::replace(expected.begin(), expected.end(), '\t', ' ');
    std::string decoded = DecodeHeaderText(subject);
    std::replace(decoded.begin(), decoded.end(), '\t', ' ');
    EXPECT_EQ(decoded, expected);
  }
}

TEST(MailHeaderText, AttachmentNamesAreQuotedOrPercentEncoded) {
  EXPECT_EQ(AttachmentDisposition("msg 1.wav"), "attachment; filename=\"msg 1.wav\"");
  EXPECT_EQ(AttachmentDisposition("a\"b.wav"), "attachment; filename*=UTF-8''a%22b.wav");
  EXPECT_EQ(AttachmentDisposition("Zo\xc3\xab.mp3"), "attachment; filename*=UTF-8''Zo%C3%AB.mp3");
  EXPECT_EQ(AttachmentDisposition("a\r\nb.wav"), "attachment; filename=\"a  b.wav\"");
}

}  // namespace
