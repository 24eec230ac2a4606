// Doubles for the seams of the recording layer: audio requests that record what is asked of the
// audio thread and answer as told (writing the files the real thread would write), and a call
// machine host that hands out the greetings it is given and records the errors it is told and
// the notices it is asked to send. Each
// installs itself while it lives. Header-only, for the test folders that link the calls.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "calls/call_audio_requests.h"
#include "calls/call_machine_host.h"
#include "platform/text.h"

class CWaveMemFile;

namespace qav::test {

// Behaves as the audio thread does in what the calls can see: one job at a time (a start while a
// job runs is refused), beeps only during a job, and the recording file there from the start.
class RecordingCallAudio : public CCallAudioRequests {
 public:
  RecordingCallAudio() { SetCallAudioRequests(this); }
  ~RecordingCallAudio() override { SetCallAudioRequests(nullptr); }

  int RecordSkypeMsgStart(int* inPort, int* outPort, std::shared_ptr<const CWaveMemFile> greeting,
                          std::u16string_view path, int monitor) override {
    requests.push_back("MsgStart " + FileName(path) + (monitor ? " monitored" : ""));
    lastGreeting = std::move(greeting);
    return Start(inPort, outPort, path, msgStartResult, O_TRUNC);
  }
  int RecordSkypeMsgStop(int* seconds) override {
    requests.push_back("MsgStop");
    return Stop(seconds, messageSeconds);
  }
  int RecordSkypeConvStart(int* inPort, int* outPort, std::u16string_view path) override {
    requests.push_back("ConvStart " + FileName(path));
    return Start(inPort, outPort, path, convStartResult, O_APPEND);
  }
  int RecordSkypeConvStop(int* seconds) override {
    requests.push_back("ConvStop");
    return Stop(seconds, conversationSeconds);
  }
  int RecordSkypeInsertBeep() override {
    requests.push_back("Beep");
    return busy_ && beepResult ? 1 : 0;
  }
  void WaitWhileBeepPlays(int ms) override { requests.push_back("Wait " + std::to_string(ms)); }
  bool RecordingGreeting() override { return recordingGreeting; }
  bool HasVideoDriver() override { return videoDriver; }
  int PlayVideoFileStart(std::u16string_view path) override {
    requests.push_back("VideoStart " + FileName(path));
    return videoDriver ? 1 : 0;
  }
  int PlayVideoFileStop() override {
    requests.push_back("VideoStop");
    return videoDriver ? 1 : 0;
  }

  std::vector<std::string> TakeRequests() { return std::exchange(requests, {}); }
  // Back to the answers of a fresh double, idle, nothing recorded.
  void Reset() {
    msgStartResult = convStartResult = stopResult = 1;
    beepResult = true;
    videoDriver = false;
    recordingGreeting = false;
    inPort = 40001;
    outPort = 40002;
    messageSeconds = 7;
    conversationSeconds = 30;
    recordedBytes = std::string(1000, 'a');
    requests.clear();
    lastGreeting.reset();
    busy_ = false;
  }
  bool busy() const { return busy_; }

  // How the thread answers.
  int msgStartResult = 1;
  int convStartResult = 1;
  int stopResult = 1;
  bool beepResult = true;
  bool videoDriver = false;  // the webcam application's driver is there
  bool recordingGreeting = false;  // the user records a greeting from the microphone
  int inPort = 40001;
  int outPort = 40002;
  int messageSeconds = 7;
  int conversationSeconds = 30;
  // What each start writes into its file.
  std::string recordedBytes = std::string(1000, 'a');

  std::vector<std::string> requests;
  std::shared_ptr<const CWaveMemFile> lastGreeting;

 private:
  static std::string FileName(std::u16string_view path) {
    const std::string bytes = U8(path);
    const size_t slash = bytes.rfind('/');
    return slash == std::string::npos ? bytes : bytes.substr(slash + 1);
  }
  int Start(int* in, int* out, std::u16string_view path, int result, int mode) {
    if (busy_ || result <= 0) return 0;
    const int fd = ::open(U8(path).c_str(), O_WRONLY | O_CREAT | mode, 0600);
    if (fd < 0) return 0;
    const bool written = ::write(fd, recordedBytes.data(), recordedBytes.size()) == static_cast<ssize_t>(recordedBytes.size());
    ::close(fd);
    if (!written) return 0;
    busy_ = true;
    *in = inPort;
    *out = outPort;
    return 1;
  }
  int Stop(int* seconds, int length) {
    if (!busy_) return 0;
    busy_ = false;
    if (stopResult <= 0) return 0;
    *seconds = length;
    return 1;
  }

  bool busy_ = false;
};

class RecordingCallMachineHost : public CCallMachineHost {
 public:
  RecordingCallMachineHost() { SetCallMachineHost(this); }
  ~RecordingCallMachineHost() override { SetCallMachineHost(nullptr); }

  std::shared_ptr<const CWaveMemFile> GetGreeting(bool forContacts) override {
    return forContacts ? contactsGreeting : otherCallersGreeting;
  }
  void ReportError(std::u16string_view text) override { errors.push_back(U8(text)); }
  void NotifyCallDone(const CMessage* message, const CConversation* conversation) override {
    notices.push_back({message, conversation});
  }

  std::shared_ptr<const CWaveMemFile> contactsGreeting;
  std::shared_ptr<const CWaveMemFile> otherCallersGreeting;
  std::vector<std::string> errors;
  std::vector<std::pair<const CMessage*, const CConversation*>> notices;
};

}  // namespace qav::test
