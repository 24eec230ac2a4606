// The parts the program runs with where the real one is not there: no property sheet, no tray
// icon, no worker threads, no Skype link, no version check, no reports, no audio or video driver
// and no engine window. Each does nothing (a notice that would have reached the user is logged
// instead) and reports what the caller should see: a sheet that does not exist, a link with no
// transport, a video driver that cannot be built.
#pragma once

#include "app/app_parts.h"

class CNullPropertySheet : public CAppPropertySheet {
 public:
  bool Create(std::u16string_view caption) override;
  void Destroy() override {}
  bool Exists() const override { return false; }
  void Localize() override {}
  void ShowSheet(int show, uint32_t pageFlag) override;
  void RefreshPages() override {}
  bool PostToSheet(uint32_t, qav::WParam, qav::LParam) override { return false; }
  bool PostToVoiceMessagesPage(uint32_t, qav::WParam, qav::LParam) override { return false; }
};

class CNullTray : public CAppTray {
 public:
  void Add(qav::Hwnd, uint32_t) override {}
  void Remove() override {}
  void UpdateTrayIcon() override {}
  void OnTaskbarNotify(qav::WParam, qav::LParam) override {}
  bool ShowBalloon(std::u16string_view text, int32_t durationMs, std::u16string_view link) override;
};

class CNullWorkers : public CAppWorkers {
 public:
  bool StartMailThread() override { return true; }
  bool StartNotifyThread() override { return true; }
  bool PostSendRequest(qav::Msg& message) override;
  bool OnCopyData(uint64_t, uint32_t) override { return false; }
  void SendCallDoneNotice(const CMessage* message, const CConversation* conversation) override;
  bool Stop(int) override { return true; }
};

class CNullLink : public CAppLink {
 public:
  int Start(qav::Hwnd) override { return 1; }
  bool Shutdown(int) override { return true; }
  bool TransportExists() override { return false; }
  std::vector<int32_t> CallIdsInProgress() override { return {}; }
  std::optional<int32_t> RingingCallId() override { return std::nullopt; }
  int QueueCommand(const DeviceToSkypeCmd&) override { return 0; }
  CAppCurrentUser CurrentUser() override { return {}; }
};

class CNullServerExchange : public CAppServerExchange {
 public:
  void ResetInfo() override {}
  void SetInfo(std::u16string_view, std::u16string_view) override {}
  int UpdateServerInformation(qav::Hwnd, uint32_t, qav::WParam) override;
  int GetInt(std::u16string_view, int32_t&, int) override { return 0; }
  int GetString(std::u16string_view, std::u16string&) override { return 0; }
  int GetAttribute(std::u16string_view, std::u16string_view, std::u16string&) override { return 0; }
  bool Stop(int) override { return true; }
};

class CNullProblemReport : public CAppProblemReport {
 public:
  int SendProblemReport() override;
};

class CNullImageLists : public CImageListsPart {
 public:
  int32_t Create() override { return 0; }
  void Release() override {}
};

class CNullAudioDriver : public CAppAudioDriver {
 public:
  bool Start() override { return true; }
  bool Stop(int) override { return true; }
};

class CNullVideoDriver : public CAppVideoDriver {
 public:
  bool Create() override { return false; }
  void Delete() override {}
};

class CNullEngine : public CAppEngine {
 public:
  bool Create(qav::Hwnd) override { return true; }
  void Delete() override {}
};
