// The video driver over the built webcam control library and the webcam stand-in.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "audio/video_driver.h"
#include "platform/registry_store/registry_store.h"
#include "platform/text.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/vidralux_desk.h"

namespace qav::test {
namespace {

using Strings = std::vector<std::string>;

constexpr int32_t kSkypeAtStart = 0x3000000;

class VideoDriverTest : public ::testing::Test {
 protected:
  CVideoDriverSetup Setup(std::string library = QAV_VXRELAY_LIBRARY) {
    CVideoDriverSetup setup;
    setup.libraryPath = std::move(library);
    setup.readSkypeVersion = [this] { return skypeVersion_; };
    setup.storeSkypeVersion = [this](int32_t version) { skypeVersion_ = version; };
    return setup;
  }

  void SetSkypeRegistryVersion(std::optional<uint32_t> version) {
    RegistryStore store;
    const std::u16string key = u"Software\\Skype\\Phone\\UI";
    ASSERT_EQ(store.CreateKey(RegistryRoot::kCurrentUser, key), kRegOk);
    if (version) {
      ASSERT_EQ(store.SetValue(RegistryRoot::kCurrentUser, key, u"Version", MakeRegistryDword(*version)), kRegOk);
    }
  }

  std::string Video(const std::string& name) {
    const std::string path = desk_.folder() + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteFileBytes(path, "RIFF");
    return path;
  }

  VidraluxDesk desk_;
  LogCapture log_;
  int32_t skypeVersion_ = kSkypeAtStart;
};

TEST_F(VideoDriverTest, SkypeVersionGate) {
  struct Case {
    int32_t known;
    std::optional<uint32_t> registry;
    bool supported;
    int32_t knownAfter;
  } cases[] = {
      {kSkypeAtStart, std::nullopt, true, kSkypeAtStart},  // the registry is not read
      {0x2000045, 0x1000000, true, 0x2000045},
      {0, 0x2000045, true, 0x2000045},                      // stored as the known version
      {0x1000000, 0x1000001, false, 0x1000000},             // above the known version, below video
      {0x2000000, 0x2000044, false, 0x2000000},
      {0x2000000, std::nullopt, false, 0x2000000},
      {-1, 0x3000000, true, 0x3000000},                     // unknown: the registry decides
      {0, 0xFFFFFFFF, false, 0},                             // an unknown registry version is not enough
  };
  desk_.Install();
  ASSERT_GT(desk_.StartStandIn(), 0);
  for (const auto& c : cases) {
    SetSkypeRegistryVersion(c.registry);
    skypeVersion_ = c.known;
    log_.Clear();
    if (c.supported) {
      CVideoDriver driver(Setup());
      EXPECT_EQ(driver.CheckSkypeVersion(), 1);
    } else {
      EXPECT_THROW(CVideoDriver driver(Setup()), std::runtime_error);
      EXPECT_TRUE(log_.Has(LOG_WARNING, u"CVideoDriver() Skype Version does not support video"));
    }
    EXPECT_EQ(skypeVersion_, c.knownAfter) << std::hex << c.known;
    RegistryStore().DeleteValue(RegistryRoot::kCurrentUser, u"Software\\Skype\\Phone\\UI", u"Version");
  }
}

TEST_F(VideoDriverTest, ConstructionFailures) {
  struct Case {
    const char* what;
    std::string library;
    bool installed;
    std::u16string warning;
  } cases[] = {
      {"no library", desk_.folder() + "/libvxrelay.so", true, u"Fail to load Vidralux control DLL."},
      {"an export missing", QAV_VXRELAY_INCOMPLETE_LIBRARY, true,
       u"CVideoDriverVidralux() Missing function Vidralux_Pause in the Vidralux control DLL."},
      {"not installed", QAV_VXRELAY_LIBRARY, false, u"CVideoDriver() Error retrieving Vidralux version"},
  };
  for (const auto& c : cases) {
    VidraluxDesk desk;
    if (c.installed) desk.Install();
    log_.Clear();
    EXPECT_THROW(CVideoDriver driver(Setup(c.library)), std::runtime_error) << c.what;
    EXPECT_TRUE(log_.Has(LOG_WARNING, c.warning)) << c.what;
    EXPECT_TRUE(desk.Record().empty()) << c.what;
  }
  log_.Clear();
  desk_.Install();
  std::filesystem::remove(desk_.installFolder() + "/Vidralux.exe");
  EXPECT_THROW(CVideoDriver driver(Setup()), std::runtime_error) << "cannot be started";
  EXPECT_TRUE(log_.Has(LOG_WARNING, u"CVideoDriver() Failed to start Vidralux"));
}

TEST_F(VideoDriverTest, StartsTheApplicationMinimizedAndClosesWhatItStarted) {
  desk_.Install(RegistryRoot::kLocalMachine, u"3.12");
  {
    CVideoDriver driver(Setup());
    EXPECT_TRUE(driver.StartedApplication());
    EXPECT_TRUE(log_.Has(LOG_INFO, u"CVideoDriver() Vidralun version: 3.12"));
    EXPECT_TRUE(log_.Has(LOG_INFO, u"CVideoDriver() Vidralux successfully started"));
    EXPECT_TRUE(log_.Has(LOG_INFO, u"CVideoDriver() Init successfully."));
    ASSERT_EQ(desk_.ReadyStandIns().size(), 1u);
    EXPECT_EQ(desk_.Record()[0], (sim::VidraluxRecordLine{"start", desk_.Record()[0][1],
                                                          std::filesystem::canonical(desk_.installFolder()).string(), "/min"}));
  }
  EXPECT_EQ(desk_.Requests(), Strings{"command 6 1"});
  EXPECT_TRUE(WaitForProcessEnd(desk_.ReadyStandIns()[0], 10000));
}

TEST_F(VideoDriverTest, LeavesARunningApplicationAlone) {
  desk_.Install();
  ASSERT_GT(desk_.StartStandIn(), 0);
  {
    CVideoDriver driver(Setup());
    EXPECT_FALSE(driver.StartedApplication());
  }
  EXPECT_EQ(desk_.ReadyStandIns().size(), 1u);
  EXPECT_TRUE(desk_.Requests().empty()) << "not closed";
}

TEST_F(VideoDriverTest, PlayPauseStop) {
  desk_.Install();
  ASSERT_GT(desk_.StartStandIn(), 0);
  CVideoDriver driver(Setup());
  const std::string video = Video("greetings/my greeting.avi");
  EXPECT_EQ(driver.PlayVideoFileStart(qav::U16(video)), 1);
  EXPECT_EQ(driver.PlayVideoFilePause(), 1);
  EXPECT_EQ(driver.PlayVideoFileStop(), 1);
  EXPECT_EQ(desk_.Requests(), (Strings{"settext " + video + " 1", "command 1 1", "command 3 1", "command 5 1",
                                       "command 4 1"}));
}

TEST_F(VideoDriverTest, PlayRefusesMissingAndOverlongPathsWithoutSending) {
  desk_.Install();
  ASSERT_GT(desk_.StartStandIn(), 0);
  CVideoDriver driver(Setup());
  const std::string missing = desk_.folder() + "/none.avi";
  EXPECT_EQ(driver.PlayVideoFileStart(qav::U16(missing)), 0);
  EXPECT_TRUE(log_.Has(LOG_WARNING, u"CVideoDriver::PlayVideoFileStart() Failed to find file " + qav::U16(missing)));
  EXPECT_EQ(driver.PlayVideoFileStart(qav::U16(desk_.folder())), 0) << "a folder is no video";
  EXPECT_EQ(driver.PlayVideoFileStart(qav::U16(Video("a.avi")) + u'\0' + u"x"), 0) << "a zero inside the path";

  std::string deep = "deep";
  while ((desk_.folder() + "/" + deep + "/v.avi").size() <= kMaxVideoPathBytes) deep += "/0123456789";
  const std::string overlong = Video(deep + "/v.avi");
  ASSERT_GT(overlong.size(), kMaxVideoPathBytes);
  EXPECT_EQ(driver.PlayVideoFileStart(qav::U16(overlong)), 0) << "refused, not cut";
  EXPECT_TRUE(desk_.Requests().empty());
}

TEST_F(VideoDriverTest, PlayStartsTheApplicationAgainWhenItWasClosed) {
  desk_.Install();
  const pid_t first = desk_.StartStandIn();
  ASSERT_GT(first, 0);
  CVideoDriver driver(Setup());
  ASSERT_FALSE(driver.StartedApplication());
  ASSERT_EQ(driver.PlayVideoFileStop(), 1);
  kill(first, SIGTERM);
  ASSERT_TRUE(WaitForProcessEnd(first, 10000));

  EXPECT_EQ(driver.PlayVideoFileStart(qav::U16(Video("b.avi"))), 1);
  EXPECT_TRUE(driver.StartedApplication());
  EXPECT_EQ(desk_.ReadyStandIns().size(), 2u);
}

}  // namespace
}  // namespace qav::test
