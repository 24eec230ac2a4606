#include "audio/id3_tag.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "audio/audio_file_io.h"
#include "audio/fd_io.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

using namespace qav;
using namespace qav::test;

namespace {

std::string Be32(uint32_t v) {
  return std::string{char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)};
}
std::string TextFrame(const std::string& id, const std::string& text) {
  return id + Be32(uint32_t(text.size() + 1)) + std::string(3, '\0') + text;
}
std::string Build(const CID3Tag& tag, int capacity = 5000, int* result = nullptr) {
  std::string buffer(size_t(capacity), '\x55');
  const int n = tag.BuildV2(reinterpret_cast<uint8_t*>(buffer.data()), capacity);
  if (result) *result = n;
  return n > 0 ? buffer.substr(0, size_t(n)) : std::string();
}

}  // namespace

TEST(Id3Tag, TheProgramsTagIsPaddedTo512Bytes) {
  CID3Tag tag(true);
  tag.SetTitle("Saved Voice Message Recording");
  tag.SetArtist("QAV - Answering Machine for Skype");
  tag.SetYear(u"2024");
  std::string expected = std::string("ID3\x03\x00\x00", 6) + std::string("\x00\x00\x03\x76", 4) +  // 502, syncsafe
                         TextFrame("TIT2", "Saved Voice Message Recording") +
                         TextFrame("TPE1", "QAV - Answering Machine for Skype") + TextFrame("TYER", "2024");
  expected.resize(512, '\0');
  EXPECT_EQ(Build(tag), expected);
}

TEST(Id3Tag, SizesLargeTagsExactlyAndRefusesSmallBuffers) {
  CID3Tag tag(true);
  tag.SetTitle(std::string(600, 'a'));
  tag.SetArtist("QAV - Answering Machine for Skype");
  tag.SetYear(u"2024");
  int n = 0;
  const std::string bytes = Build(tag, 5000, &n);
  EXPECT_EQ(n, 10 + 611 + 44 + 15);
  EXPECT_EQ(bytes.substr(6, 4), std::string("\x00\x00\x05\x1E", 4));  // 670 = 5 x 128 + 30
  Build(tag, n - 1, &n);
  EXPECT_EQ(n, -1);

  CID3Tag unpadded(false);
  unpadded.SetArtist("QAV - Answering Machine for Skype");
  EXPECT_EQ(Build(unpadded).size(), size_t(10 + 44));

  CID3Tag shortTexts(true);  // every text fits a 30-character field: no tag
  shortTexts.SetTitle("Greeting");
  shortTexts.SetArtist("QAV");
  Build(shortTexts, 5000, &n);
  EXPECT_EQ(n, 0);
}

TEST(Id3Tag, YearFromText) {
  struct Case {
    const char16_t* text;
    int year;
  } cases[] = {{u"2024", 2024}, {u"", 1999}, {u"12345", 9999}, {u"0", 1999}, {u"-5", 1999}, {u"abc", 1999}};
  for (const Case& c : cases) {
    CID3Tag tag(true);
    tag.SetYear(u"1999");
    tag.SetYear(c.text);
    EXPECT_EQ(tag.GetYear(), c.year) << U8(c.text);
  }
}

TEST(Id3Tag, ANewRecordingGetsOneTagAndAnExistingOneNone) {
  TempDir dir;
  const std::u16string path = U16(dir.File("greeting.mp3"));
  setenv("TZ", "UTC", 1);
  tzset();
  VirtualClock clock(0, {1700000000, 0});  // 14 November 2023
  SetCurrentClock(&clock);
  int fd = -1;
  ASSERT_EQ(PrepareAudioFileForWritingMPEG(path, kGreetingRecordingTitle, &fd), 1);
  EXPECT_EQ(CurrentOffset(fd), 512);
  ASSERT_TRUE(WriteFully(fd, "\xFF\xFB\x90\x64", 4));
  ::close(fd);
  ASSERT_EQ(PrepareAudioFileForWritingMPEG(path, kGreetingRecordingTitle, &fd), 1);
  EXPECT_EQ(CurrentOffset(fd), 516);  // appended after the content, no second tag
  ::close(fd);
  SetCurrentClock(nullptr);

  const std::string bytes = ReadFileBytes(U8(path));
  ASSERT_EQ(bytes.size(), 516u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("ID3\x03", 4));
  EXPECT_NE(bytes.find(TextFrame("TIT2", "Personal Audio Greeting Message")), std::string::npos);
  EXPECT_NE(bytes.find(TextFrame("TPE1", "QAV - Answering Machine for Skype")), std::string::npos);
  EXPECT_NE(bytes.find(TextFrame("TYER", "2023")), std::string::npos);
  EXPECT_EQ(bytes.find("ID3", 3), std::string::npos);

  EXPECT_EQ(PrepareAudioFileForWritingMPEG(U16(dir.File("greeting.wav")), kGreetingRecordingTitle, &fd), 0);
  EXPECT_EQ(PrepareAudioFileForWritingMPEG(U16(dir.File("no/such/folder.mp3")), kGreetingRecordingTitle, &fd), 0);
  EXPECT_EQ(fd, -1);
}
