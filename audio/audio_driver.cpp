// The audio thread's life and its request mechanism. File playback and microphone recording are in
// audio_driver_file.cpp, the call audio in audio_driver_call.cpp, the pieces every job shares in
// audio_driver_io.cpp.
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
      case WM_AUDIO_PLAY_FILE_START: OnPlayAudioFileStart(r); break;
      case WM_AUDIO_PLAY_FILE_STOP: OnPlayAudioFileStop(r); break;
      case WM_AUDIO_PLAY_FILE_SET_OFFSET: OnPlayAudioFileSetOffset(r); break;
      case WM_AUDIO_REC_FILE_START: OnRecAudioFileStart(r); break;
      case WM_AUDIO_REC_FILE_STOP: OnRecAudioFileStop(r); break;
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
  const int state = GetState();
  switch (msg.message) {
    case WM_AUDIO_PLAY_NEXT_BUFFER: state == 1 ? OnPlayNextFileBlock() : OnPlayNextBuffer(); break;
    case qav::MM_WOM_DONE: state == 1 || state == 2 ? OnPlaybackBlockDone(msg) : OnWaveOutDone(msg); break;
    case qav::MM_WIM_DATA: state == 3 ? OnMicrophoneData(msg) : OnWaveInData(msg); break;
    case WM_VAIN_DATA: OnVAInData(msg); break;
    case WM_VAOUT_DONE: OnVAOutDone(msg); break;
    case WM_AUDIO_SHUTDOWN: OnShutdown(); break;
    default: break;
  }
}

void CAudioDriver::OnShutdown() {
  const int state = GetState();
  if (state == 1 || state == 2) {
    StopPlayback(true);  // a client still there learns that playback has ended
  } else if (state == 3) {
    FinishMicrophoneRecording();
  } else if (state >= 4 && state <= 7) {
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

int CAudioDriver::PlayFileRequest(std::u16string_view path, qav::Hwnd window, qav::ThreadId thread,
                                  uint32_t message, uint32_t mask) {
  AudioDriverRequest r;
  r.path = std::u16string(path);
  r.clientWindow = window;
  r.clientThread = thread;
  r.clientMessage = message;
  r.clientEventMask = mask;
  return Request(WM_AUDIO_PLAY_FILE_START, r);
}

int CAudioDriver::PlayAudioFileStart(std::u16string_view path, qav::Hwnd clientWindow, uint32_t clientMessage,
                                     uint32_t eventMask) {
  return PlayFileRequest(path, clientWindow, 0, clientMessage, eventMask);
}

int CAudioDriver::PlayAudioFileStart(std::u16string_view path, qav::ThreadId clientThread, uint32_t clientMessage,
                                     uint32_t eventMask) {
  return PlayFileRequest(path, 0, clientThread, clientMessage, eventMask);
}

int CAudioDriver::PlayAudioFileStop() {
  AudioDriverRequest r;
  return Request(WM_AUDIO_PLAY_FILE_STOP, r);
}

int CAudioDriver::PlayAudioFileSetOffset(double fraction) {
  if (!(fraction >= 0.0 && fraction <= 1.0)) return 0;  // (NaN included)
  AudioDriverRequest r;
  r.seekFraction = fraction;
  return Request(WM_AUDIO_PLAY_FILE_SET_OFFSET, r);
}

int CAudioDriver::RecAudioFileStart(std::u16string_view path) {
  AudioDriverRequest r;
  r.path = std::u16string(path);
  return Request(WM_AUDIO_REC_FILE_START, r);
}

int CAudioDriver::RecAudioFileStop() {
  AudioDriverRequest r;
  return Request(WM_AUDIO_REC_FILE_STOP, r);
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
