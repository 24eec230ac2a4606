// Recording doubles of the parts the application object and its main window drive: each writes
// what it was asked into one shared journal, so tests compare what happened, and in which order,
// as plain text.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/app_components.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "skype/link/device_to_skype_cmd.h"

namespace qav::test {

struct Journal {
  std::vector<std::string> lines;
  void Add(const std::string& line) { lines.push_back(line); }
  std::string Text() const {
    std::string text;
    for (const auto& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
  }
  void Clear() { lines.clear(); }
};

inline std::string Hex(uint64_t value) { return FormatUtf8("%#x", value); }

class RecordingSheet : public CAppPropertySheet {
 public:
  RecordingSheet(Journal& journal, bool exists) : j_(journal), exists_(exists) {}
  bool Create(std::u16string_view caption) override {
    j_.Add("sheet.create " + U8(caption));
    return exists_;
  }
  void Destroy() override { j_.Add("sheet.destroy"); }
  bool Exists() const override { return exists_; }
  void Localize() override { j_.Add("sheet.localize"); }
  void ShowPage(uint32_t flag) override { j_.Add("sheet.show " + Hex(flag)); }
  void RefreshPages() override { j_.Add("sheet.refresh"); }
  void PagesChanged(CSheetPages pages) override { j_.Add("sheet.changed " + Hex(pages.flags)); }
  void EnableApply() override { j_.Add("sheet.enable-apply"); }
  void PlayNewMessages() override { j_.Add("sheet.play-new"); }
  void SelectOptionChild(uint32_t dialogId) override { j_.Add("sheet.select-child " + std::to_string(dialogId)); }

 private:
  Journal& j_;
  bool exists_;
};

class RecordingTray : public CAppTray {
 public:
  explicit RecordingTray(Journal& journal) : j_(journal) {}
  void Add(Hwnd, uint32_t) override { j_.Add("tray.add"); }
  void Remove() override { j_.Add("tray.remove"); }
  // Counted, not journalled: timer 1 calls it every 750 ms.
  void UpdateTrayIcon() override { ++updates; }
  void OnNotify(CTrayEvent event) override { j_.Add("tray.notify " + Hex(static_cast<uint32_t>(event))); }
  bool ShowBalloon(std::u16string_view text, int32_t duration, std::u16string_view link) override {
    j_.Add("tray.balloon " + U8(text) + " " + std::to_string(duration) + (link.empty() ? "" : " " + U8(link)));
    return true;
  }
  int updates = 0;

 private:
  Journal& j_;
};

class RecordingWorkers : public CAppWorkers {
 public:
  explicit RecordingWorkers(Journal& journal) : j_(journal) {}
  bool StartMailThread() override {
    j_.Add("workers.mail");
    return true;
  }
  bool StartNotifyThread() override {
    j_.Add("workers.notify");
    return true;
  }
  bool MailVoiceMessage(VoiceMessageId message) override {
    j_.Add("workers.mail-message " + std::to_string(static_cast<uint64_t>(message)));
    return true;
  }
  bool OnCopyData(uint64_t dataKind, std::string_view bytes) override {
    j_.Add("workers.copydata " + std::to_string(dataKind) + " " + std::to_string(bytes.size()));
    return dataKind == 120 && !bytes.empty();
  }
  void SendCallDoneNotice(const CMessage* message, const CConversation* conversation) override {
    j_.Add(std::string("workers.calldone") + (message ? " message" : "") + (conversation ? " conversation" : ""));
  }
  void SendRecordingsNotice(const std::vector<const CMessage*>& messages,
                            const std::vector<const CConversation*>& conversations) override {
    j_.Add("workers.notice " + std::to_string(messages.size()) + " " + std::to_string(conversations.size()));
  }
  bool Stop(int) override {
    j_.Add("workers.stop");
    return true;
  }

 private:
  Journal& j_;
};

// The link with its calls by status and its current user set by the test.
class RecordingLink : public CAppLink {
 public:
  explicit RecordingLink(Journal& journal) : j_(journal) {}
  int Start(Hwnd) override {
    j_.Add("link.start");
    return startResult;
  }
  bool Shutdown(int) override {
    j_.Add("link.shutdown");
    return true;
  }
  bool TransportExists() override { return transport; }
  std::vector<int32_t> CallIdsInProgress() override { return inProgress; }
  std::optional<int32_t> RingingCallId() override {
    return ringing.empty() ? std::nullopt : std::optional<int32_t>(ringing.front());
  }
  int QueueCommand(const DeviceToSkypeCmd& command) override {
    // Without the "#n " the text is the same whatever ids came before.
    const std::string text = U8(command.GetText());
    j_.Add("link.queue " + text.substr(text.find(' ') + 1));
    return 1;
  }
  CAppCurrentUser CurrentUser() override { return user; }
  int32_t TransportState() override { return transport ? transportState : 0; }
  std::vector<CAppCallHandling> Calls() override { return calls; }
  bool ForceAnswer(int32_t callId) override {
    j_.Add("link.forceanswer " + std::to_string(callId));
    return true;
  }
  bool RecordConversation(int32_t callId, bool start) override {
    j_.Add("link.record " + std::to_string(callId) + (start ? " start" : " stop"));
    return true;
  }

  int32_t transportState = 7;
  std::vector<CAppCallHandling> calls;
  int startResult = 1;
  bool transport = true;
  std::vector<int32_t> inProgress;
  std::vector<int32_t> ringing;
  CAppCurrentUser user;

 private:
  Journal& j_;
};

// The server exchange with a reply the test fills in.
class ScriptedExchange : public CAppServerExchange {
 public:
  explicit ScriptedExchange(Journal& journal) : j_(journal) {}
  void ResetInfo() override { info.clear(); }
  void SetInfo(std::u16string_view name, std::u16string_view value) override {
    info += (info.empty() ? "" : " ") + U8(name) + "=" + U8(value);
  }
  int UpdateServerInformation(Hwnd, bool manual) override {
    j_.Add("exchange.start " + std::to_string(manual ? 1 : 0) + " " + info);
    return 1;
  }
  bool IsRunning() const override { return running; }
  int GetInt(std::u16string_view path, int32_t& value, int) override {
    auto it = ints.find(std::u16string(path));
    if (it == ints.end()) return 0;
    value = it->second;
    return 1;
  }
  int GetString(std::u16string_view path, std::u16string& text) override {
    auto it = strings.find(std::u16string(path));
    if (it == strings.end()) return 0;
    text = it->second;
    return 1;
  }
  int GetAttribute(std::u16string_view path, std::u16string_view attribute, std::u16string& text) override {
    auto it = strings.find(std::u16string(path) + u"@" + std::u16string(attribute));
    if (it == strings.end()) return strings.count(std::u16string(path)) ? (text.clear(), 1) : 0;
    text = it->second;
    return 1;
  }
  bool running = false;
  bool Stop(int) override {
    j_.Add("exchange.stop");
    return true;
  }

  std::string info;
  std::map<std::u16string, int32_t> ints;
  // Element texts by path, attributes by "path@name".
  std::map<std::u16string, std::u16string> strings;

 private:
  Journal& j_;
};

class RecordingReport : public CAppProblemReport {
 public:
  explicit RecordingReport(Journal& journal) : j_(journal) {}
  int SendProblemReport() override {
    j_.Add("report.send");
    return 1;
  }
  void RefreshCrashContext() override {}

 private:
  Journal& j_;
};

class RecordingShell : public CAppShell {
 public:
  explicit RecordingShell(Journal& journal) : j_(journal) {}
  bool OpenUrl(std::u16string_view url, bool maximized) override {
    j_.Add("shell.open " + U8(url) + (maximized ? " max" : ""));
    return opens;
  }
  bool OpenLocalFile(std::u16string_view path) override {
    j_.Add("shell.openfile " + U8(path));
    return opens;
  }
  bool opens = true;  // whether the desktop has something that opens it
  bool StartProgram(std::u16string_view program, const std::vector<std::u16string>& arguments) override {
    std::string line = "shell.start " + U8(program);
    for (const auto& a : arguments) line += " [" + U8(a) + "]";
    j_.Add(line);
    return true;
  }

 private:
  Journal& j_;
};

class RecordingAudioDriver : public CAppAudioDriver {
 public:
  explicit RecordingAudioDriver(Journal& journal) : j_(journal) {}
  bool Start() override {
    j_.Add("audio.start");
    return true;
  }
  bool Stop(int) override {
    j_.Add("audio.stop");
    return true;
  }

 private:
  Journal& j_;
};

class RecordingEngine : public CAppEngine {
 public:
  explicit RecordingEngine(Journal& journal) : j_(journal) {}
  bool Create(Hwnd) override {
    j_.Add("engine.create");
    return true;
  }
  void Delete() override { j_.Add("engine.delete"); }

 private:
  Journal& j_;
};

// Answers message boxes with a chosen button and records them.
class AnsweringBoxes : public MessageBoxHandler {
 public:
  AnsweringBoxes(Journal& journal, int answer) : j_(journal), answer_(answer) { SetMessageBoxHandler(this); }
  ~AnsweringBoxes() override { SetMessageBoxHandler(nullptr); }
  int Show(std::u16string_view text, std::u16string_view, uint32_t type) override {
    j_.Add("box " + Hex(type) + " " + U8(text));
    return answer_;
  }
  int ShowTimed(std::u16string_view text, std::u16string_view, uint32_t type, uint32_t seconds) override {
    j_.Add("timed box " + Hex(type) + " " + std::to_string(seconds) + "s " + U8(text));
    return answer_;
  }
  void SetAnswer(int answer) { answer_ = answer; }

 private:
  Journal& j_;
  int answer_;
};

// Components whose every part records into the journal; the doubles stay reachable through the
// pointers, which the application object's parts own.
struct RecordingParts {
  explicit RecordingParts(Journal& journal, bool sheetExists = true) : j(journal), sheetExists(sheetExists) {}

  CAppComponents Components() {
    CAppComponents c;
    c.propertySheet = [this](CSheetServices& services) {
      sheetServices = &services;
      return std::make_unique<RecordingSheet>(j, sheetExists);
    };
    c.tray = [this] {
      auto tray = std::make_unique<RecordingTray>(j);
      this->tray = tray.get();
      return tray;
    };
    c.workers = [this] { return std::make_unique<RecordingWorkers>(j); };
    c.link = [this] {
      auto link = std::make_unique<RecordingLink>(j);
      this->link = link.get();
      return link;
    };
    c.serverExchange = [this] {
      auto exchange = std::make_unique<ScriptedExchange>(j);
      this->exchange = exchange.get();
      return exchange;
    };
    c.problemReport = [this] { return std::make_unique<RecordingReport>(j); };
    c.shell = [this] {
      auto shell = std::make_unique<RecordingShell>(j);
      this->shell = shell.get();
      return shell;
    };
    c.audioDriver = [this] { return std::make_unique<RecordingAudioDriver>(j); };
    c.engine = [this] { return std::make_unique<RecordingEngine>(j); };
    return c;
  }

  Journal& j;
  bool sheetExists;
  RecordingTray* tray = nullptr;
  RecordingLink* link = nullptr;
  // The services the main window gave its sheet.
  CSheetServices* sheetServices = nullptr;
  ScriptedExchange* exchange = nullptr;
  RecordingShell* shell = nullptr;
};

}  // namespace qav::test
