#include "calls/call_audio_requests.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "audio/audio_driver.h"
#include "audio/video_driver.h"
#include "audio/wave_mem_file.h"
#include "skype/link/skype_client_info.h"

namespace {

// The program's audio thread, when there is one.
class AudioThreadRequests : public CCallAudioRequests {
 public:
  int RecordSkypeMsgStart(int* inPort, int* outPort, std::shared_ptr<const CWaveMemFile> greeting,
                          std::u16string_view path, int monitor) override {
    return g_pAudioDriver ? g_pAudioDriver->RecordSkypeMsgStart(inPort, outPort, std::move(greeting), path, monitor)
                          : 0;
  }
  int RecordSkypeMsgStop(int* seconds) override {
    return g_pAudioDriver ? g_pAudioDriver->RecordSkypeMsgStop(seconds) : 0;
  }
  int RecordSkypeConvStart(int* inPort, int* outPort, std::u16string_view path) override {
    if (!g_pAudioDriver) return 0;
    // The devices the client reported at its last attach are the ones the conversation plays and
    // records on.
    g_pAudioDriver->SetSkypeSoundDevices(GetSkypeAudioOutDevice(), GetSkypeAudioInDevice());
    return g_pAudioDriver->RecordSkypeConvStart(inPort, outPort, path);
  }
  int RecordSkypeConvStop(int* seconds) override {
    return g_pAudioDriver ? g_pAudioDriver->RecordSkypeConvStop(seconds) : 0;
  }
  int RecordSkypeInsertBeep() override { return g_pAudioDriver ? g_pAudioDriver->RecordSkypeInsertBeep() : 0; }
  bool RecordingGreeting() override {
    return g_pAudioDriver && g_pAudioDriver->GetState() == AudioDriverState::kRecordingMicrophone;
  }
  void WaitWhileBeepPlays(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  bool HasVideoDriver() override { return ::HasVideoDriver(); }
  int PlayVideoFileStart(std::u16string_view path) override {
    CVideoDriver* driver = g_pVideoDriver.load(std::memory_order_acquire);
    return driver ? driver->PlayVideoFileStart(path) : 0;
  }
  int PlayVideoFileStop() override {
    CVideoDriver* driver = g_pVideoDriver.load(std::memory_order_acquire);
    return driver ? driver->PlayVideoFileStop() : 0;
  }
};

AudioThreadRequests g_audioThreadRequests;
std::atomic<CCallAudioRequests*> g_installed{nullptr};

}  // namespace

void SetCallAudioRequests(CCallAudioRequests* requests) { g_installed.store(requests, std::memory_order_release); }

CCallAudioRequests& CallAudio() {
  CCallAudioRequests* installed = g_installed.load(std::memory_order_acquire);
  return installed ? *installed : g_audioThreadRequests;
}
