#include "foundation/mem_file.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/resource_files.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace {

std::string Content(const CMemFile& file) {
  const auto data = file.GetData();
  return std::string(reinterpret_cast<const char*>(data.data()), data.size());
}

// Stand-in resource table for the copy routines: "LANG" 274 holds a few bytes, "EMPTY" 1 none.
const uint8_t kLang[] = {0xFF, 0xFE, 'A', 0};
std::optional<std::span<const uint8_t>> FakeResources(std::u16string_view type, int id) {
  if (type == u"LANG" && id == 274) return std::span<const uint8_t>(kLang);
  if (type == u"EMPTY" && id == 1) return std::span<const uint8_t>();
  return std::nullopt;
}

}  // namespace

TEST(MemFile, ReadWriteSeek) {
  CMemFile file(4);
  file.Write("hello", 5);
  EXPECT_EQ(file.GetLength(), 5u);
  EXPECT_EQ(file.GetPosition(), 5u);
  char buffer[8] = {};
  EXPECT_EQ(file.Read(buffer, 8), 0u);  // at the end
  file.SeekToBegin();
  EXPECT_EQ(file.Read(buffer, 3), 3u);
  EXPECT_EQ(std::string(buffer, 3), "hel");
  EXPECT_EQ(file.Read(buffer, 8), 2u);

  EXPECT_EQ(file.Seek(-2, CMemFile::end), 3);
  file.Write("P!", 2);
  EXPECT_EQ(Content(file), "helP!");
  EXPECT_EQ(file.Seek(-10, CMemFile::current), -1);  // before the start: refused, position kept
  EXPECT_EQ(file.GetPosition(), 5u);
  EXPECT_EQ(file.Seek(2, CMemFile::end), 7);  // past the end: the next write fills the gap
  EXPECT_EQ(file.Read(buffer, 1), 0u);
  file.Write("x", 1);
  EXPECT_EQ(Content(file), std::string("helP!\0\0x", 8));

  file.SetLength(2);
  EXPECT_EQ(Content(file), "he");
  EXPECT_EQ(file.SeekToEnd(), 2u);
  file.SetLength(4);
  EXPECT_EQ(Content(file), std::string("he\0\0", 4));
}

TEST(MemFile, ResourceCopies) {
  CMemFile file;
  file.Write("old", 3);
  EXPECT_EQ(MakeMemFileFromResource(u"LANG", 274, file, &FakeResources), 1);
  EXPECT_EQ(Content(file), std::string("old\xFF\xFE" "A\0", 7));
  EXPECT_EQ(file.GetPosition(), 0u);

  CMemFile missing;
  EXPECT_EQ(MakeMemFileFromResource(u"LANG", 999, missing, &FakeResources), 1);  // missing: 1, empty
  EXPECT_EQ(missing.GetLength(), 0u);

  qav::test::TempDir dir;
  const std::u16string path = qav::U16(dir.File("lang.bin"));
  ASSERT_TRUE(qav::test::WriteFileBytes(dir.File("lang.bin"), "a much longer old content"));
  EXPECT_EQ(SaveResourceToFile(u"LANG", 274, path, &FakeResources), 1);
  EXPECT_EQ(qav::test::ReadFileBytes(dir.File("lang.bin")), std::string("\xFF\xFE" "A\0", 4));
  EXPECT_EQ(SaveResourceToFile(u"EMPTY", 1, path, &FakeResources), 1);
  EXPECT_EQ(qav::test::ReadFileBytes(dir.File("lang.bin")), "");

  ASSERT_TRUE(qav::test::WriteFileBytes(dir.File("kept"), "kept"));
  EXPECT_EQ(SaveResourceToFile(u"LANG", 999, qav::U16(dir.File("kept")), &FakeResources), 0);
  EXPECT_EQ(qav::test::ReadFileBytes(dir.File("kept")), "kept");  // no resource: file untouched
  EXPECT_EQ(SaveResourceToFile(u"LANG", 274, qav::U16(dir.File("no/folder")), &FakeResources), 0);
}

TEST(MemFile, TheBuiltInLanguageFileComesFromTheProgramsOwnResources) {
  qav::test::TempDir dir;
  ASSERT_EQ(SaveResourceToFile(u"LANG", 274, qav::U16(dir.File("ZV_EN.lang"))), 1);
  const std::string bytes = qav::test::ReadFileBytes(dir.File("ZV_EN.lang"));
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  EXPECT_TRUE(qav::Utf16LeBytesToText(bytes.data() + 2, bytes.size() - 2).starts_with(u"# QAV Localization File\r\n"));

  CMemFile file;
  ASSERT_EQ(MakeMemFileFromResource(u"LANG", 274, file), 1);
  EXPECT_EQ(file.GetLength(), bytes.size());
}
