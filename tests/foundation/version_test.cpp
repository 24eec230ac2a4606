#include "foundation/version.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>

#include "platform/text.h"
#include "tests/support/temp_dir.h"

TEST(Version, ParseTable) {
  const struct {
    std::u16string text;
    int32_t packed;
  } cases[] = {
      {u"3. 0 .0.0", 0x03000000},  // blanks removed
      {u"3.0.0.1", 0x03000001},
      {u"1.2.3.4.5", 0x01020304},  // parts after the fourth are ignored
      {u"2.x.1.0", 0x02000100},    // a part that is no number reads as 0
      {u"300.1.1.1", 0x2C010101},  // packing keeps the low 8 bits
      {u"", -1},
      {u"   ", -1},
      {u"3.0", -1},
      {u"3.0.0", -1},
      {u"-1.0.0.0", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(CVersion::ParseVersion(c.text), c.packed) << qav::U8(c.text);

  const struct {
    std::u16string text;
    int code;
  } thrown[] = {{u"", 10}, {u"3", 11}, {u"3.0", 12}, {u"3.0.0", 13}, {u"3.-2.0.0", 14}};
  for (const auto& c : thrown) {
    int code = 0;
    try {
      (void)ParseVersionString(c.text);
    } catch (const VersionTextError& e) {
      code = e.code();
    }
    EXPECT_EQ(code, c.code) << qav::U8(c.text);
  }
  EXPECT_EQ(ParseVersionString(u"300.65536.0.4294967295").part[1], 65536u);
}

TEST(Version, CompareTable) {
  const struct {
    std::u16string newer, older;
    int returned, result;
  } cases[] = {
      {u"3.0.0.1", u"3.0.0.0", 1, 1},
      {u"3.0.0.0", u"3.0.0.0", 1, 0},
      {u"2.9.9.9", u"3.0.0.0", 1, 0},
      {u"4.0.0.0", u"3.9.9.9", 1, 1},
      {u"3.0.256.0", u"3.0.255.0", 1, 1},  // the low 8 bits alone would say 0 against 255
      {u"3.0.0.300", u"3.0.0.45", 1, 1},   // and here 44 against 45
      {u"255.255.255.255", u"1.0.0.0", 1, 1},  // packs like "unknown", compares as a version
      {u"", u"3.0.0.0", 0, 0},
      {u"3.0.0.0", u"3.0", 0, 0},
      {u"-1.0.0.0", u"3.0.0.0", 0, 0},
  };
  for (const auto& c : cases) {
    int result = 7;
    EXPECT_EQ(CVersion::CompareSWVersions(c.newer, c.older, result), c.returned) << qav::U8(c.newer);
    EXPECT_EQ(result, c.result) << qav::U8(c.newer) << " vs " << qav::U8(c.older);
  }
}

TEST(Version, PackedComparisonKnowsUnknown) {
  EXPECT_EQ(CVersion::ComparePackedVersions(0x03000001, 0x03000000), 1);
  EXPECT_EQ(CVersion::ComparePackedVersions(0x02000000, 0x03000000), -1);
  EXPECT_EQ(CVersion::ComparePackedVersions(0x03000000, 0x03000000), 0);
  // 0x80000000 and above are versions 128 and up, not negative numbers.
  EXPECT_EQ(CVersion::ComparePackedVersions(static_cast<int32_t>(0x80000000u), 0x03000000), 1);
  EXPECT_EQ(CVersion::ComparePackedVersions(-1, 0x03000000), std::nullopt);
  EXPECT_EQ(CVersion::ComparePackedVersions(0x03000000, -1), std::nullopt);
}

TEST(Version, OwnBinariesCarryTheirVersion) {
  EXPECT_EQ(CVersion::GetAppVersion(), qav::U16(QAV_VERSION_STRING));
  EXPECT_EQ(CVersion::GetAppVersionNumber(), CVersion::ParseVersion(qav::U16(QAV_VERSION_STRING)));
  EXPECT_NE(CVersion::GetAppVersionNumber(), -1);

  // This test binary links the version code, so its file carries the stamp; so does a copy.
  char self[PATH_MAX] = {};
  ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
  EXPECT_EQ(CVersion::GetAppFileVersion(qav::U16(self)), qav::U16(QAV_VERSION_STRING));
  EXPECT_EQ(CVersion::GetAppFileHeaderInfo(qav::U16(self), u"ProductVersion"), qav::U16(QAV_VERSION_STRING));
  EXPECT_EQ(CVersion::GetAppFileHeaderInfo(qav::U16(self), u"CompanyName"), u"");

  qav::test::TempDir dir;
  const std::string copy = dir.File("QAV copy");
  ASSERT_TRUE(qav::test::WriteFileBytes(copy, qav::test::ReadFileBytes(self)));
  EXPECT_EQ(CVersion::GetAppFileVersion(qav::U16(copy)), qav::U16(QAV_VERSION_STRING));

  // Files without the stamp: another program, a text file, a missing file, a cut-off binary.
  ASSERT_TRUE(qav::test::WriteFileBytes(dir.File("text"), "not a program"));
  ASSERT_TRUE(qav::test::WriteFileBytes(dir.File("cut"), qav::test::ReadFileBytes(self).substr(0, 200)));
  for (const std::string& path : {std::string("/bin/sh"), dir.File("text"), dir.File("missing"), dir.File("cut")}) {
    EXPECT_EQ(CVersion::GetAppFileVersion(qav::U16(path)), u"") << path;
    EXPECT_EQ(CVersion::ParseVersion(CVersion::GetAppFileVersion(qav::U16(path))), -1) << path;
  }
}
