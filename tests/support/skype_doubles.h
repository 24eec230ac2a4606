// Doubles for the seams of the Skype link: a transport that records the commands it is given and
// a main window that records what is posted to it. Each installs itself while it lives.
// Header-only, for the test folders that link the Skype link.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "skype/link/device_to_skype_cmd.h"
#include "skype/link/main_window_port.h"
#include "skype/link/skype_transport.h"

namespace qav::test {

// Records each queued command's text without its "#<id> " prefix, so tests compare the words.
// A command that gives way is made at once and recorded with the others, in order, and listed
// apart as well.
class RecordingTransport : public CSkypeTransport {
 public:
  RecordingTransport() { SetSkypeTransport(this); }
  ~RecordingTransport() override { SetSkypeTransport(nullptr); }

  int SendCmdAcknowledged(const DeviceToSkypeCmd& cmd) override {
    std::lock_guard lock(mutex_);
    sent_.push_back(Words(cmd));
    return 1;
  }
  int SendCmdWhenIdle(SkypeCmdBuilder build) override {
    DeviceToSkypeCmd cmd;
    if (!BuildSkypeCmd(build, cmd, u"RecordingTransport - command that gives way not sent")) return 0;
    {
      std::lock_guard lock(mutex_);
      idle_.push_back(Words(cmd));
    }
    return SendCmdAcknowledged(cmd);
  }
  int Init(int32_t maxAwaitingReplies, CSTLCallbackConnectionStateChange* stateCallback,
           CSTLCallbackReceivedSkypeCmd* receivedCallback) override {
    std::lock_guard lock(mutex_);
    calls_.push_back("Init(" + std::to_string(maxAwaitingReplies) + ")");
    stateCallback_ = stateCallback;
    receivedCallback_ = receivedCallback;
    return initResult_;
  }
  void Connect() override { Record("Connect"); }
  void Disconnect() override { Record("Disconnect"); }
  int End() override {
    Record("End");
    return 1;
  }
  int32_t GetConnectionState() override { return -1; }

  std::vector<std::u16string> Sent() const {
    std::lock_guard lock(mutex_);
    return sent_;
  }
  // The commands recorded since the last call, and forgets them.
  std::vector<std::u16string> TakeSent() {
    std::lock_guard lock(mutex_);
    return std::exchange(sent_, {});
  }
  // The same for the commands that gave way.
  std::vector<std::u16string> TakeIdle() {
    std::lock_guard lock(mutex_);
    return std::exchange(idle_, {});
  }
  std::vector<std::string> Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    sent_.clear();
    idle_.clear();
    calls_.clear();
  }
  void SetInitResult(int result) { initResult_ = result; }
  CSTLCallbackConnectionStateChange* StateCallback() const { return stateCallback_; }
  CSTLCallbackReceivedSkypeCmd* ReceivedCallback() const { return receivedCallback_; }

 private:
  void Record(const char* what) {
    std::lock_guard lock(mutex_);
    calls_.push_back(what);
  }
  static std::u16string Words(const DeviceToSkypeCmd& cmd) {
    std::u16string text(cmd.GetText());
    if (!text.starts_with(u"#")) return text;
    const size_t space = text.find(u' ');
    return space == std::u16string::npos ? std::u16string() : text.substr(space + 1);
  }

  mutable std::mutex mutex_;
  std::vector<std::u16string> sent_;
  std::vector<std::u16string> idle_;
  std::vector<std::string> calls_;
  int initResult_ = 1;
  CSTLCallbackConnectionStateChange* stateCallback_ = nullptr;
  CSTLCallbackReceivedSkypeCmd* receivedCallback_ = nullptr;
};

class RecordingMainWindow : public CMainWindowPort {
 public:
  struct Posted {
    uint32_t message;
    uint64_t wParam;
    int64_t lParam;
    bool operator==(const Posted&) const = default;
  };

  RecordingMainWindow() { SetMainWindowPort(this); }
  ~RecordingMainWindow() override { SetMainWindowPort(nullptr); }

  bool Post(uint32_t message, uint64_t wParam, int64_t lParam) override {
    std::lock_guard lock(mutex_);
    posts_.push_back({message, wParam, lParam});
    return true;
  }
  std::vector<Posted> Posts() const {
    std::lock_guard lock(mutex_);
    return posts_;
  }
  size_t Count(uint32_t message) const {
    std::lock_guard lock(mutex_);
    size_t count = 0;
    for (const auto& post : posts_) count += post.message == message ? 1 : 0;
    return count;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    posts_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Posted> posts_;
};

}  // namespace qav::test
