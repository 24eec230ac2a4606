// A dispatcher host that records what the dispatcher asks of the application shell.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "skype/dispatcher/skype_msg_hndl_host.h"

namespace qav::test {

class RecordingHost : public CSkypeMsgHndlHost {
 public:
  void ShowMessageBox(std::u16string_view text, MessageBoxIcon icon) override {
    calls.push_back((icon == MessageBoxIcon::kStop ? "stop box: " : "box: ") + qav::U8(text));
  }
  void BeginWaitCursor() override { calls.push_back("wait cursor"); }
  void EndWaitCursor() override { calls.push_back("end wait cursor"); }
  void CloseMainWindow() override { calls.push_back("close"); }
  void OpenUrl(std::u16string_view url) override { calls.push_back("open " + qav::U8(url)); }
  void RefreshUI() override { calls.push_back("refresh"); }
  int LoadGreetingMemFileBuddy() override {
    calls.push_back("greeting for contacts");
    return buddyGreeting;
  }
  int LoadGreetingMemFileNonBuddy() override {
    calls.push_back("greeting for others");
    return otherGreeting;
  }
  bool HasVideoDriver() override { return videoDriver; }
  std::u16string GetOwnVideoDeviceName() override { return videoDriver ? u"Vidralux Capture" : u""; }

  std::vector<std::string> TakeCalls() { return std::exchange(calls, {}); }

  std::vector<std::string> calls;
  int buddyGreeting = 1;
  int otherGreeting = 1;
  bool videoDriver = false;
};

}  // namespace qav::test
