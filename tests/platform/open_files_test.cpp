// The files the process holds open for writing below a folder: what the folder move takes for a
// recording in progress.
#include "platform/open_files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(OpenFiles, OnlyFilesOpenForWritingBelowTheFolderCount) {
  qav::test::TempDir dir;
  const std::string folder = dir.path() + "/rec";
  std::filesystem::create_directories(folder + "/alice");
  std::filesystem::create_directories(dir.path() + "/recordings");  // shares the folder's name as a prefix
  for (const char* name : {"/rec/alice/read.wav", "/rec/alice/written.wav", "/rec/alice/both.wav", "/recordings/x.wav"}) {
    std::ofstream(dir.path() + name) << "RIFF";
  }
  const int reader = ::open((folder + "/alice/read.wav").c_str(), O_RDONLY | O_CLOEXEC);
  const int writer = ::open((folder + "/alice/written.wav").c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  const int both = ::open((folder + "/alice/both.wav").c_str(), O_RDWR | O_CLOEXEC);
  const int beside = ::open((dir.path() + "/recordings/x.wav").c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  ASSERT_GE(writer, 0);
  ASSERT_GE(both, 0);
  ASSERT_GE(beside, 0);

  const std::vector<std::u16string> expected = {qav::Utf8ToUtf16(folder + "/alice/both.wav"),
                                                qav::Utf8ToUtf16(folder + "/alice/written.wav")};
  EXPECT_EQ(qav::FilesOpenForWriting(qav::Utf8ToUtf16(folder)), expected);
  EXPECT_EQ(qav::FilesOpenForWriting(qav::Utf8ToUtf16(folder + "/")), expected) << "a trailing slash";
  EXPECT_EQ(qav::FilesOpenForWriting(qav::Utf8ToUtf16(folder + "/alice/written.wav")),
            std::vector<std::u16string>{expected[1]})
      << "the file itself";
  for (int fd : {reader, writer, both, beside}) ::close(fd);
  EXPECT_TRUE(qav::FilesOpenForWriting(qav::Utf8ToUtf16(folder)).empty()) << "closed: nothing is being written";
}

}  // namespace
