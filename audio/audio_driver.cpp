// The audio thread's life and its request mechanism. The call audio is in audio_driver_call.cpp,
// the pieces every job shares in audio_driver_io.cpp.
#include "audio/audio_driver.h"

#include "audio/audio_format_converter.h"
#include "audio/va_in.h"
#include "audio/va_out.h"
#include "audio/wave_mem_file.h"
#include "foundation/logger.h"
#include "platform/message_loop.h"
#include "platform/thread_priority.h"

CAudioDriver* g_pAudioDriver = nullptr;

namespace {

// The thread's own message that brings it to rest before it is joined.
constexpr uint32_t WM_AUDIO_SHUTDOWN = 1786;

constexpr size_t kReadBufferSize = 20000;
constexpr size_t kPlaybackConversionBufferSize = 100000;
constexpr size_t kRecordingConversionBufferSize = 20000;

// Carries a request record to the audio thread. It is freed when the handler is done with the
// record, or without the record being handled at all (the thread has ended, the post failed);
// either way the requester's event is set then, so no requester waits for ever.
struct RequestTicket final : qav::Payload {
  explicit RequestTicket(AudioDriverRequest* r) : record(r), event(r->event) {}
  ~RequestTicket() override { event->Set(); }
  AudioDriverRequest* record;
  std::shared_ptr<qav::Event> event;
};

bool IsRequest(uint32_t message) {
  return message >= WM_AUDIO_PLAY_FILE_START && message <= WM_AUDIO_REC_SKYPE_INSERT_BEEP;
}

}  // namespace

CAudioDriver::CAudioDriver() = default;

CAudioDriver::~CAudioDriver() {
  QAV_LOG(LOG_INFO, u"~CAudioDriver()");
  m_destroying.store(true, std::memory_order_release);
  if (m_thread.threadId() != 0) {
    m_thread.PostThreadMessage(WM_AUDIO_SHUTDOWN);
    m_thread.Join(qav::kInfinite);
  }
  m_state.store(8, std::memory_order_release);
}

int CAudioDriver::Start(qav::Clock& clock) {
  if (m_thread.threadId() != 0 || m_destroying.load()) return 0;
  m_clock = &clock;
  const bool started = m_thread.Start(
      "QAVAudio",
      [this](qav::MessageLoop& loop) {
        // InitInstance: idle, nothing open, the preallocated buffers.
        m_state.store(0, std::memory_order_release);
        m_readBuffer.assign(kReadBufferSize, 0);
        m_playbackConversionBuffer.assign(kPlaybackConversionBufferSize, 0);
        m_recordingConversionBuffer.assign(kRecordingConversionBufferSize, 0);
        // Above the other threads, so device and socket buffers are refilled in time; without the
        // privilege for it the thread keeps the normal priority.
        qav::SetCurrentThreadPriority(qav::ThreadPriority::kHighest);
        loop.SetThreadMessageHandler([this](qav::Msg& msg) { OnThreadMessage(msg); });
      },
      clock);
  return started ? 1 : 0;
}

int CAudioDriver::Request(uint32_t message, AudioDriverRequest& request) {
  if (m_destroying.load(std::memory_order_acquire) || GetState() > 7 || m_thread.threadId() == 0) return 0;
  request.result = 0;
  qav::MessageLoop* current = qav::MessageLoop::Current();
  auto ticket = std::make_unique<RequestTicket>(&request);
  if (current && current->threadId() == m_thread.threadId()) {
    // Made on the audio thread itself: handled at once, as a send to one's own window is.
    qav::Msg msg;
    msg.message = message;
    msg.payload = std::move(ticket);
    OnThreadMessage(msg);
    return request.result;
  }
  if (!m_thread.PostThreadMessage(message, 0, 0, std::move(ticket))) return 0;
  request.event->Wait();
  return request.result;
}

void CAudioDriver::OnThreadMessage(qav::Msg& msg) {
  if (IsRequest(msg.message)) {
    auto* ticket = msg.Get<RequestTicket>();
    if (!ticket) return;
    AudioDriverRequest& r = *ticket->record;
    switch (msg.message) {
      case WM_AUDIO_REC_SKYPE_MSG_START: OnRecSkypeMsgStart(r); break;
      case WM_AUDIO_REC_SKYPE_MSG_STOP: OnRecSkypeMsgStop(r); break;
      case WM_AUDIO_REC_SKYPE_CONV_START: OnRecSkypeConvStart(r); break;
      case WM_AUDIO_REC_SKYPE_CONV_STOP: OnRecSkypeConvStop(r); break;
      case WM_AUDIO_REC_SKYPE_INSERT_BEEP: OnRecSkypeInsertBeep(r); break;
      default:
        QAV_LOG(LOG_WARNING, u"CAudioDriver [request %d is not served by this build]", msg.message);
        break;
    }
    return;  // the ticket is freed with the message: the requester goes on
  }
  switch (msg.message) {
    case WM_AUDIO_PLAY_NEXT_BUFFER: OnPlayNextBuffer(); break;
    case qav::MM_WOM_DONE: OnWaveOutDone(msg); break;
    case qav::MM_WIM_DATA: OnWaveInData(msg); break;
    case WM_VAIN_DATA: OnVAInData(msg); break;
    case WM_VAOUT_DONE: OnVAOutDone(msg); break;
    case WM_AUDIO_SHUTDOWN: OnShutdown(); break;
    default: break;
  }
}

void CAudioDriver::OnShutdown() {
  const int state = GetState();
  if (state >= 4 && state <= 7) {
    // A job still running ends as its stop would: the file keeps what was recorded.
    int seconds = 0;
    FinishCallJob(&seconds, state == 7 ? u"New Recorded Conversation of %d sec (Total %d Bytes, %d Bytes/Sec)"
                                       : u"New Voice Message of %d sec (Total %d Bytes, %d Bytes/Sec)");
  }
  ReleaseAudioStreamResources();
  CloseOutputFile();
  m_greeting.reset();
  m_state.store(8, std::memory_order_release);
  qav::PostQuitMessage(0);
}

int CAudioDriver::RecordSkypeMsgStart(int* inPort, int* outPort, std::shared_ptr<const CWaveMemFile> greeting,
                                      std::u16string_view path, int monitor) {
  AudioDriverRequest r;
  r.inPort = inPort ? *inPort : 0;
  r.outPort = outPort ? *outPort : 0;
  r.greeting = std::move(greeting);
  r.path = std::u16string(path);
  r.monitor = monitor;
  const int result = Request(WM_AUDIO_REC_SKYPE_MSG_START, r);
  if (result > 0) {
    if (inPort) *inPort = r.inPort;
    if (outPort) *outPort = r.outPort;
  }
  return result;
}

int CAudioDriver::RecordSkypeMsgStop(int* seconds) {
  AudioDriverRequest r;
  const int result = Request(WM_AUDIO_REC_SKYPE_MSG_STOP, r);
  if (seconds) *seconds = result > 0 ? r.seconds : 0;
  return result;
}

int CAudioDriver::RecordSkypeConvStart(int* inPort, int* outPort, std::u16string_view path) {
  AudioDriverRequest r;
  r.inPort = inPort ? *inPort : 0;
  r.outPort = outPort ? *outPort : 0;
  r.path = std::u16string(path);
  const int result = Request(WM_AUDIO_REC_SKYPE_CONV_START, r);
  if (result > 0) {
    if (inPort) *inPort = r.inPort;
    if (outPort) *outPort = r.outPort;
  }
  return result;
}

int CAudioDriver::RecordSkypeConvStop(int* seconds) {
  AudioDriverRequest r;
  const int result = Request(WM_AUDIO_REC_SKYPE_CONV_STOP, r);
  if (seconds) *seconds = result > 0 ? r.seconds : 0;
  return result;
}

int CAudioDriver::RecordSkypeInsertBeep() {
  AudioDriverRequest r;
  return Request(WM_AUDIO_REC_SKYPE_INSERT_BEEP, r);
}

void CAudioDriver::SetSkypeSoundDevices(std::u16string outputDevice, std::u16string inputDevice) {
  std::lock_guard lock(m_skypeDevicesMutex);
  m_skypeOutputDevice = std::move(outputDevice);
  m_skypeInputDevice = std::move(inputDevice);
}
