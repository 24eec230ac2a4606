#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <ctime>
#include <string>

#include "net/zlib_zip.h"
#include "platform/text.h"
#include "tests/support/command_output.h"
#include "tests/support/small_tmpfs.h"
#include "tests/support/temp_dir.h"

using qav::test::CommandOutput;
using qav::test::TempDir;
using qav::test::WriteFileBytes;

namespace {

void SetModified(const std::string& path, int year, int month, int day, int hour, int minute, int second) {
  tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  utimbuf times{mktime(&local), mktime(&local)};
  ASSERT_EQ(utime(path.c_str(), &times), 0);
}

TEST(ZipWriter, EntriesReadBackWithTheirNamesDatesAndContents) {
  TempDir dir;
  mkdir(dir.File("global").c_str(), 0700);
  mkdir(dir.File("user").c_str(), 0700);
  ASSERT_TRUE(WriteFileBytes(dir.File("global/QAV.ini"), "[Settings]\nGlobal=1\n"));
  ASSERT_TRUE(WriteFileBytes(dir.File("user/qav.ini"), "[Settings]\nUser=1\n"));
  ASSERT_TRUE(WriteFileBytes(dir.File("empty.txt"), ""));
  ASSERT_TRUE(WriteFileBytes(dir.File("Grüße.txt"), std::string(100000, 'x')));
  SetModified(dir.File("empty.txt"), 2024, 3, 9, 14, 25, 36);

  const std::string zip = dir.File("report.zip");
  CZLib writer;
  ASSERT_EQ(writer.OpenZip(qav::U16(zip), 0), 1);
  EXPECT_EQ(writer.AddFile(qav::U16(dir.File("global/QAV.ini"))), 1);
  EXPECT_EQ(writer.AddFile(qav::U16(dir.File("user/qav.ini"))), 1);
  EXPECT_EQ(writer.LastEntryName(), "qav (2).ini");  // one name from two folders stays two names
  EXPECT_EQ(writer.AddFile(qav::U16(dir.File("empty.txt"))), 1);
  EXPECT_EQ(writer.AddFile(qav::U16(dir.File("Grüße.txt"))), 1);
  EXPECT_EQ(writer.AddFile(qav::U16(dir.File("missing.txt"))), 0);  // nothing added, archive still good
  EXPECT_EQ(writer.CloseZip(), 1);
  EXPECT_EQ(writer.CloseZip(), 0);  // nothing open any more

  int status = -1;
  const std::string test = CommandOutput("LC_ALL=C.UTF-8 unzip -t '" + zip + "'", &status);
  EXPECT_EQ(status, 0) << test;
  EXPECT_NE(test.find("No errors detected"), std::string::npos) << test;

  const std::string listing = CommandOutput("LC_ALL=C.UTF-8 zipinfo -l '" + zip + "'");
  EXPECT_NE(listing.find("4 files"), std::string::npos) << listing;
  EXPECT_NE(listing.find(" QAV.ini"), std::string::npos) << listing;
  EXPECT_NE(listing.find(" qav (2).ini"), std::string::npos) << listing;
  EXPECT_NE(listing.find("Grüße.txt"), std::string::npos) << listing;  // UTF-8 name, read as UTF-8
  // The empty file: length 0, deflated, with its own local date and time (two-second steps).
  const std::string empty = CommandOutput("LC_ALL=C.UTF-8 zipinfo -T '" + zip + "' empty.txt");
  EXPECT_NE(empty.find(" 0 "), std::string::npos) << empty;
  EXPECT_NE(empty.find("20240309.142536"), std::string::npos) << empty;
  const std::string verbose = CommandOutput("LC_ALL=C.UTF-8 zipinfo -v '" + zip + "' Grüße.txt");
  EXPECT_NE(verbose.find("compression method:                             deflated"), std::string::npos) << verbose;
  EXPECT_NE(verbose.find("(deflation):               maximum"), std::string::npos) << verbose;
  EXPECT_EQ(CommandOutput("LC_ALL=C.UTF-8 unzip -p '" + zip + "' 'qav (2).ini'"), "[Settings]\nUser=1\n");
}

TEST(ZipWriter, AnArchiveWithNoEntriesIsStillAnArchive) {
  TempDir dir;
  const std::string zip = dir.File("empty.zip");
  CZLib writer;
  ASSERT_EQ(writer.OpenZip(qav::U16(zip), 0), 1);
  EXPECT_EQ(writer.CloseZip(), 1);
  EXPECT_NE(CommandOutput("LC_ALL=C.UTF-8 zipinfo '" + zip + "'").find("Empty zipfile"), std::string::npos);
  EXPECT_EQ(writer.OpenZip(qav::U16(dir.File("no/such/folder/x.zip")), 0), 0);
}

// A file that does not fit on the medium: the archive reports failure instead of a truncated
// archive taken for a good one. Runs in a child's own mount namespace, on a 64 KiB tmpfs.
TEST(ZipWriter, AFullMediumFailsTheArchive) {
  TempDir dir;
  ASSERT_TRUE(WriteFileBytes(dir.File("noise.bin"), qav::test::NoiseBytes(512 * 1024, 7)));
  const std::string point = dir.File("small");
  mkdir(point.c_str(), 0700);
  const auto result = qav::test::RunOnSmallTmpfs(point, "64k", [&] {
    CZLib writer;
    if (writer.OpenZip(qav::U16(point + "/report.zip"), 0) != 1) return 2;
    const int added = writer.AddFile(qav::U16(dir.File("noise.bin")));
    const int closed = writer.CloseZip();
    return added == 0 && closed == 0 ? 0 : 3;
  });
  if (!result) GTEST_SKIP() << "cannot mount a tmpfs here (needs root or a mount namespace)";
  EXPECT_EQ(*result, 0);
}

}  // namespace
