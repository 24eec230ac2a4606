// A test fixture for everything that runs on the call model: the GUI thread's loop on virtual
// time with the state-machine engine on it, the link doubles, a recordings double, the settings
// at their defaults in a private data folder, and an empty model. Header-only, for the test
// folders that link the calls.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "calls/call.h"
#include "calls/call_collection.h"
#include "calls/fsm.h"
#include "calls/recordings_port.h"
#include "foundation/language_tables.h"
#include "foundation/settings.h"
#include "platform/virtual_loop.h"
#include "skype/link/skype_client_info.h"
#include "skype/link/skype_vocabulary.h"
#include "skype/link/user_collection.h"
#include "tests/support/log_capture.h"
#include "tests/support/scoped_env.h"
#include "tests/support/skype_doubles.h"
#include "tests/support/temp_dir.h"

namespace qav::test {

class RecordingRecordings : public CRecordingsPort {
 public:
  RecordingRecordings() { SetRecordingsPort(this); }
  ~RecordingRecordings() override { SetRecordingsPort(nullptr); }

  int64_t GetMessagesFolderSizeBytes() override { return folderSizeBytes; }
  void LoadForUser(std::u16string_view handle) override { loads.emplace_back(handle); }
  void DeleteAll() override { ++deleteAllCount; }

  int64_t folderSizeBytes = 0;
  std::vector<std::u16string> loads;
  int deleteAllCount = 0;
};

class CallModelFixture : public ::testing::Test {
 protected:
  CallModelFixture() : dataDir_("QAV_DATA_DIR", temp_.path()), configDir_("XDG_CONFIG_HOME", temp_.path()) {}

  void SetUp() override {
    ASSERT_EQ(LoadDefaultLangLib(), 1);
    ClearModel();
    SetDefaultOptions();
    ResetSkypeClientInfo();
    engine_ = std::make_unique<CFSM>(virtualLoop.loop());
    ASSERT_TRUE(engine_->IsReady());
    g_pFSM = engine_.get();
  }

  void TearDown() override {
    ClearModel();
    g_pFSM = nullptr;
    engine_.reset();
    SetDefaultOptions();
    ResetSkypeClientInfo();
  }

  static void ClearModel() {
    g_CallCollection.DeleteAll();
    g_UserCollection.RemoveAll();
    g_CurrentUser.Reset();
    PublishCurrentUserHandle();
  }

  // Makes `handle` the current user with the given own status (no client queries recorded).
  void SignIn(std::u16string_view handle, int32_t ownStatus = SkypeOnlineStatus::ONLINE) {
    g_CurrentUser.init(handle);
    (void)g_UserCollection.Add(&g_CurrentUser);
    g_CurrentUser.SetUserStatus(ownStatus);
    PublishCurrentUserHandle();
    transport.Clear();
    mainWindow.Clear();
  }

  // A live call in the collection, in ST_NEW_CALL.
  CCall* AddCall(int32_t callId) {
    auto call = std::make_unique<CCall>();
    call->init(callId);
    CCall* added = call.get();
    g_CallCollection.Add(std::move(call));
    return added;
  }

  CFSM& engine() { return *engine_; }

  TempDir temp_;
  ScopedEnv dataDir_;
  ScopedEnv configDir_;
  VirtualLoop virtualLoop;
  RecordingTransport transport;
  RecordingMainWindow mainWindow;
  RecordingRecordings recordings;
  LogCapture log;

 private:
  std::unique_ptr<CFSM> engine_;
};

}  // namespace qav::test
