// The audio thread's life, its request mechanism and the dispatch to the job that runs.
#include "audio/audio_driver.h"

#include <cassert>

#include "audio/conversation_job.h"
#include "audio/microphone_recording_job.h"
#include "audio/va_in.h"
#include "audio/va_out.h"
#include "audio/voice_message_job.h"
#include "audio/wave_mem_file.h"
#include "foundation/logger.h"
#include "platform/message_loop.h"
#include "platform/sound/sound_device_watch.h"
#include "platform/sound/sound_devices.h"
#include "platform/sound/wave_device.h"
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

bool IsCallJobState(AudioDriverState state) {
  return state >= AudioDriverState::kPlayingGreeting && state <= AudioDriverState::kRecordingConversation;
}

}  // namespace

CAudioDriver::CAudioDriver() = default;

CAudioDriver::~CAudioDriver() { Shutdown(qav::kInfinite); }

bool CAudioDriver::Shutdown(int timeoutMs) {
  if (!m_destroying.exchange(true, std::memory_order_acq_rel)) {
    QAV_LOG(LOG_INFO, u"~CAudioDriver()");
    if (m_thread.threadId() != 0) m_thread.PostThreadMessage(WM_AUDIO_SHUTDOWN);
  }
  if (m_thread.threadId() != 0 && !m_thread.Join(timeoutMs)) return false;
  m_job.reset();  // (a thread that never ran has none)
  m_state.store(AudioDriverState::kDestroyed, std::memory_order_release);
  return true;
}

int CAudioDriver::Start(qav::Clock& clock) {
  if (m_thread.threadId() != 0 || m_destroying.load()) return 0;
  m_context.clock = &clock;
  // The jobs open devices by name from what was last probed; the probing is done here, off the
  // audio thread, at start and whenever a device comes or goes.
  if (!qav::VirtualSoundForced()) m_deviceWatch = std::make_unique<qav::SoundDeviceWatch>();
  const bool started = m_thread.Start("QAVAudio", [this](qav::MessageLoop& loop) { InitInstance(loop); }, clock);
  return started ? 1 : 0;
}

void CAudioDriver::InitInstance(qav::MessageLoop& loop) {
  m_context.SetState(AudioDriverState::kIdle);
  m_context.thread = loop.threadId();
  m_context.readBuffer.assign(kReadBufferSize, 0);
  m_context.playbackConversionBuffer.assign(kPlaybackConversionBufferSize, 0);
  m_context.recordingConversionBuffer.assign(kRecordingConversionBufferSize, 0);
  // Above the other threads, so device and socket buffers are refilled in time; without the
  // privilege for it the thread keeps the normal priority.
  qav::SetCurrentThreadPriority(qav::ThreadPriority::kHighest);
  loop.SetThreadMessageHandler([this](qav::Msg& msg) { OnThreadMessage(msg); });
}

void CAudioDriver::ExitInstance() {
  if (m_job) m_job->Shutdown();
  m_job.reset();
  AudioThreadContext::RemoveAndReleaseAudioWaveBufferFromQ();
  m_context.SetState(AudioDriverState::kDestroyed);
  qav::PostQuitMessage(0);
}

int CAudioDriver::Request(uint32_t message, AudioDriverRequest& request) {
  if (m_destroying.load(std::memory_order_acquire) || GetState() == AudioDriverState::kDestroyed ||
      m_thread.threadId() == 0) {
    return 0;
  }
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
    if (auto* ticket = msg.Get<RequestTicket>()) OnRequest(msg.message, *ticket->record);
    return;  // the ticket is freed with the message: the requester goes on
  }
  if (msg.message == WM_AUDIO_SHUTDOWN) return ExitInstance();
  if (!m_job) return;  // a buffer of a job that has ended: freed with its message
  switch (msg.message) {
    case WM_AUDIO_PLAY_NEXT_BUFFER: m_job->OnNextBlock(); break;
    case qav::MM_WOM_DONE: m_job->OnSpeakerBlockDone(msg); break;
    case qav::MM_WIM_DATA: m_job->OnMicrophoneData(msg); break;
    case WM_VAIN_DATA: m_job->OnVAInData(msg); break;
    case WM_VAOUT_DONE: m_job->OnVAOutDone(msg); break;
    default: break;
  }
  DropEndedJob();
}

void CAudioDriver::OnRequest(uint32_t message, AudioDriverRequest& r) {
  // Jobs own devices and sockets served by this thread's loop: never touched from another thread.
  assert(qav::MessageLoop::Current() && qav::MessageLoop::Current()->threadId() == m_thread.threadId());
  const AudioDriverState state = GetState();
  switch (message) {
    case WM_AUDIO_PLAY_FILE_START: {
      QAV_LOG(LOG_INFO, u"CAudioDriver::OnPlayAudioFileStart");
      if (!BeginJob(AudioDriverState::kPlayingFile)) return;
      auto job = std::make_unique<CFilePlaybackJob>(m_context, r.client);
      const bool started = job->Start(r.path, m_pendingSeek);
      // Only a start that has the device open used the seek: after a failed one the user's
      // position still waits for the next try.
      if (started) m_pendingSeek = 0;
      EndStart(std::move(job), started, r);
      break;
    }
    case WM_AUDIO_PLAY_FILE_STOP:
      QAV_LOG(LOG_INFO, u"CAudioDriver::OnPlayAudioFileStop");
      if (auto* playback = RunningJob<CFilePlaybackJob>()) {
        playback->Stop();
        r.result = 1;
      }
      break;
    case WM_AUDIO_PLAY_FILE_SET_OFFSET:
      QAV_LOG(LOG_INFO, u"CAudioDriver::OnPlayAudioFileSetOffset");
      if (!(r.seekFraction >= 0.0 && r.seekFraction <= 1.0)) return;
      if (state == AudioDriverState::kIdle) {
        m_pendingSeek = r.seekFraction;
        r.result = 1;
      } else if (auto* playback = RunningJob<CFilePlaybackJob>()) {
        r.result = playback->SetOffset(r.seekFraction) ? 1 : 0;
      }
      break;
    case WM_AUDIO_REC_FILE_START: {
      QAV_LOG(LOG_INFO, u"CAudioDriver::OnRecAudioFileStart");
      if (!BeginJob(AudioDriverState::kRecordingMicrophone)) return;
      auto job = std::make_unique<CMicrophoneRecordingJob>(m_context);
      const bool started = job->Start(r.path);
      EndStart(std::move(job), started, r);
      break;
    }
    case WM_AUDIO_REC_FILE_STOP:
      QAV_LOG(LOG_INFO, u"CAudioDriver::OnRecAudioFileStop");
      if (auto* recording = RunningJob<CMicrophoneRecordingJob>()) r.result = recording->Finish() ? 1 : 0;
      break;
    case WM_AUDIO_REC_SKYPE_MSG_START: {
      QAV_LOG(LOG_INFO, u"CAudioDriver::OnRecSkypeMsgStart [Mute: %s]", r.monitor ? u"OFF" : u"ON");
      GiveWayToCall();
      if (!BeginJob(AudioDriverState::kPlayingGreeting)) return;
      auto job = std::make_unique<CVoiceMessageJob>(m_context);
      const bool started = job->Start(&r.inPort, &r.outPort, r.greeting, r.path, r.monitor != 0);
      EndStart(std::move(job), started, r);
      break;
    }
    case WM_AUDIO_REC_SKYPE_MSG_STOP:
      QAV_LOG(LOG_INFO, u"CAudioDriver::OnRecSkypeMsgStop");
      if (auto* message = RunningJob<CVoiceMessageJob>()) r.result = message->Finish(&r.seconds) ? 1 : 0;
      break;
    case WM_AUDIO_REC_SKYPE_CONV_START: {
      QAV_LOG(LOG_INFO, u"CAudioDriver::OnRecSkypeConvStart");
      GiveWayToCall();
      if (!BeginJob(AudioDriverState::kRecordingConversation)) return;
      std::u16string outputDevice, inputDevice;
      {
        std::lock_guard lock(m_skypeDevicesMutex);
        outputDevice = m_skypeOutputDevice;
        inputDevice = m_skypeInputDevice;
      }
      auto job = std::make_unique<CConversationJob>(m_context);
      const bool started = job->Start(&r.inPort, &r.outPort, r.path, outputDevice, inputDevice);
      EndStart(std::move(job), started, r);
      break;
    }
    case WM_AUDIO_REC_SKYPE_CONV_STOP:
      QAV_LOG(LOG_INFO, u"CAudioDriver::OnRecSkypeConvStop");
      if (auto* conversation = RunningJob<CConversationJob>()) r.result = conversation->Finish(&r.seconds) ? 1 : 0;
      break;
    case WM_AUDIO_REC_SKYPE_INSERT_BEEP:
      QAV_LOG(LOG_INFO, u"CAudioDriver::OnRecSkypeInsertBeep");
      if (auto* call = RunningJob<CCallAudioJob>(); call && IsCallJobState(state)) {
        call->InsertBeep();
        r.result = 1;
      }
      break;
    default:
      QAV_LOG(LOG_WARNING, u"CAudioDriver [request %d is not served by this build]", message);
      break;
  }
  DropEndedJob();
}

void CAudioDriver::GiveWayToCall() {
  const AudioDriverState state = GetState();
  const bool soundCardJob = state == AudioDriverState::kPlayingFile ||
                            state == AudioDriverState::kPlayingFileLastBlocks ||
                            state == AudioDriverState::kRecordingMicrophone;
  if (!m_job || !soundCardJob) return;
  QAV_LOG(LOG_INFO, u"CAudioDriver [the %s on the sound card gives way to a call (%d)]",
          state == AudioDriverState::kRecordingMicrophone ? u"greeting recording" : u"playback",
          static_cast<int>(state));
  m_job->Shutdown();
  DropEndedJob();
}

bool CAudioDriver::BeginJob(AudioDriverState state) {
  if (GetState() != AudioDriverState::kIdle) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR state not INIT (%d)]", static_cast<int>(GetState()));
    return false;
  }
  m_context.SetState(state);
  return true;
}

void CAudioDriver::EndStart(std::unique_ptr<CAudioJob> job, bool started, AudioDriverRequest& r) {
  if (!started) {
    job.reset();
    AudioThreadContext::RemoveAndReleaseAudioWaveBufferFromQ();
    m_context.SetState(AudioDriverState::kIdle);
    r.result = 0;
    return;
  }
  m_job = std::move(job);
  r.result = 1;
}

void CAudioDriver::DropEndedJob() {
  if (!m_job || GetState() != AudioDriverState::kIdle) return;
  m_job.reset();
  AudioThreadContext::RemoveAndReleaseAudioWaveBufferFromQ();
}

int CAudioDriver::PlayFileRequest(std::u16string_view path, const PlaybackClient& client) {
  AudioDriverRequest r;
  r.path = std::u16string(path);
  r.client = client;
  return Request(WM_AUDIO_PLAY_FILE_START, r);
}

int CAudioDriver::PlayAudioFileStart(std::u16string_view path, qav::Hwnd clientWindow, uint32_t clientMessage,
                                     uint32_t eventMask) {
  return PlayFileRequest(path, PlaybackClient{clientWindow, 0, clientMessage, eventMask});
}

int CAudioDriver::PlayAudioFileStart(std::u16string_view path, qav::ThreadId clientThread, uint32_t clientMessage,
                                     uint32_t eventMask) {
  return PlayFileRequest(path, PlaybackClient{0, clientThread, clientMessage, eventMask});
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
  r.greeting.reset();  // the job holds its own reference
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
