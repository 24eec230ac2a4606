// The audio thread: the one thread that owns every audio resource of the program (the sound
// devices, the two loopback sockets of a call, the format converters and every file being played
// or written). Other threads reach it only through its requests.
//
// A request is synchronous: the caller's record goes to the thread as a thread message and the
// caller waits until the handler has run. One loop serves, in one queue, the requests, the
// loopback sockets' readiness and the buffers the devices and the link give back. Start requests
// are refused unless the thread is idle, and every failure path releases what it opened and
// returns the thread to idle. Requests return 1 done, 0 refused or failed.
//
// The work itself is done by one job object at a time, each in its own file: CFilePlaybackJob,
// CMicrophoneRecordingJob, CVoiceMessageJob and CConversationJob. The thread keeps the job
// that runs, hands it the messages of its devices and sockets, and drops it once it has returned
// the thread to idle. The states are AudioDriverState (audio/audio_driver_state.h).
//
// File playback tells its client how it goes by posting the client's message: wParam
// AUDIO_EVENT_BUFFER_PLAYED with lParam the byte position in the file just after the block, for
// every block played (mask bit 0x10), and wParam AUDIO_EVENT_PLAY_DONE once, after the last block
// has played (mask bit 0x02). A stop request ends playback without a notice.
//
// Ports: the "in port" is where the program receives the call's sound output (the call client's
// SET_OUTPUT PORT), the "out port" is where it sends the call's sound input (SET_INPUT PORT). 0 asks
// for a port the system chooses; the bound port is written back. Both listen on 127.0.0.1.
//
// The thread's time is the clock it is started with: the loopback link's pace and the virtual sound
// device follow it, so a ScaledClock runs the call audio faster than real time.
//
// Destruction brings the thread to rest: a job still running is stopped as its stop request would
// (the file is finished), everything is released and the thread is joined. Every request made
// after destruction has begun returns 0 at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "audio/audio_driver_state.h"
#include "audio/audio_thread_context.h"
#include "audio/file_playback_job.h"
#include "platform/clock.h"
#include "platform/event.h"
#include "platform/message.h"
#include "platform/message_thread.h"

class CAudioJob;
namespace qav {
class SoundDeviceWatch;
}
class CWaveMemFile;

// Request messages (thread messages to the audio thread).
constexpr uint32_t WM_AUDIO_PLAY_FILE_START = 1774;
constexpr uint32_t WM_AUDIO_PLAY_FILE_STOP = 1775;
constexpr uint32_t WM_AUDIO_PLAY_FILE_SET_OFFSET = 1776;
constexpr uint32_t WM_AUDIO_REC_FILE_START = 1777;
constexpr uint32_t WM_AUDIO_REC_FILE_STOP = 1778;
constexpr uint32_t WM_AUDIO_REC_SKYPE_MSG_START = 1779;
constexpr uint32_t WM_AUDIO_REC_SKYPE_MSG_STOP = 1780;
constexpr uint32_t WM_AUDIO_REC_SKYPE_CONV_START = 1781;
constexpr uint32_t WM_AUDIO_REC_SKYPE_CONV_STOP = 1782;
constexpr uint32_t WM_AUDIO_REC_SKYPE_INSERT_BEEP = 1784;

// One request, on the requester's stack. The handler fills result and the out-values; the event
// is set when the handler is done with the record, on every path (also when the request is never
// handled because the thread has ended).
struct AudioDriverRequest {
  AudioDriverRequest() : event(std::make_shared<qav::Event>(true, false)) {}

  std::shared_ptr<qav::Event> event;  // shared: the handler may still be leaving Set as the waiter wakes
  int result = 0;
  int inPort = 0;   // in-out: CVAIn (the call's sound output)
  int outPort = 0;  // in-out: CVAOut (the call's sound input)
  PlaybackClient client;
  int monitor = 0;
  std::u16string path;
  std::shared_ptr<const CWaveMemFile> greeting;
  int seconds = 0;  // out: stop requests
  double seekFraction = 0;
};

class CAudioDriver {
 public:
  CAudioDriver();
  // Brings the thread to rest and joins it (see above), waiting as long as that takes.
  ~CAudioDriver();
  // Brings the thread to rest and joins it within `timeoutMs`; from the first call on every request
  // returns 0. False when the thread has not ended by then (a handler that hangs on a device or a
  // file): it still uses this object, which must then outlive it. May be called again.
  bool Shutdown(int timeoutMs);
  CAudioDriver(const CAudioDriver&) = delete;
  CAudioDriver& operator=(const CAudioDriver&) = delete;

  // Starts the thread with its loop on `clock`, which must outlive the driver. 1, or 0 when it
  // is already started or cannot start.
  int Start(qav::Clock& clock = qav::SystemClock());

  // Plays a .wav (PCM) or .mp3 on the playback device the option AudioPlaybackDeviceName names
  // (0 -> 1). The notices the mask asks for go to the client window, or to the client thread (the
  // twin). A seek set while idle applies to this start and is then cleared. A file with nothing
  // left to play ends at once: the start returns 1 and the end notice follows.
  int PlayAudioFileStart(std::u16string_view path, qav::Hwnd clientWindow, uint32_t clientMessage,
                         uint32_t eventMask);
  int PlayAudioFileStart(std::u16string_view path, qav::ThreadId clientThread, uint32_t clientMessage,
                         uint32_t eventMask);
  // States 1 and 2: ends playback without a notice (-> 0).
  int PlayAudioFileStop();
  // 0.0 to 1.0 of the file's audio (anything else returns 0 at once). Idle: kept for the next
  // start. Playing: the next block comes from there; blocks already queued still play.
  int PlayAudioFileSetOffset(double fraction);
  // Records the microphone the option AudioRecordingDeviceName names into a new .wav, or a .mp3
  // through the encoder, in the format of the option AudioFileRecordingQuality (0 -> 3).
  int RecAudioFileStart(std::u16string_view path);
  // State 3: ends the recording and finishes the file (-> 0).
  int RecAudioFileStop();

  // Answering: opens both sockets, queues the greeting (PCM) toward the caller, prepares the .wav
  // or .mp3 at `path` and records the caller once the greeting has been played (0 -> 4). With
  // `monitor`, the call is played on the local speaker as well. 1 with the ports written back.
  // The driver holds the greeting until the job ends, so the caller may drop its own reference.
  // File playback or a greeting recording still on the sound card gives way first (it ends as at
  // the driver's end); only another call's job refuses the start.
  int RecordSkypeMsgStart(int* inPort, int* outPort, std::shared_ptr<const CWaveMemFile> greeting,
                          std::u16string_view path, int monitor);
  // States 4-6: ends the job, finishes the file, writes its length in seconds (rounded up).
  int RecordSkypeMsgStop(int* seconds);
  // Conversation: opens both sockets, the speaker and the microphone the call client reported,
  // prepares or continues the file at `path` (0 -> 7), after file playback or a greeting
  // recording has given way as for a voice message. 1 with the ports written back.
  int RecordSkypeConvStart(int* inPort, int* outPort, std::u16string_view path);
  // State 7: ends the job, finishes the file, writes its length in seconds (rounded up).
  int RecordSkypeConvStop(int* seconds);
  // States 4-7: one more beep into the call (and on the speaker when it is open).
  int RecordSkypeInsertBeep();

  // The sound devices the call client reported as its own output and input ("AUDIO_OUT",
  // "AUDIO_IN"); a conversation plays and records on them. An unknown or empty name is the default
  // device. Any thread; read when a conversation starts.
  void SetSkypeSoundDevices(std::u16string outputDevice, std::u16string inputDevice);

  AudioDriverState GetState() const { return m_state.load(std::memory_order_acquire); }
  qav::ThreadId GetThreadId() const { return m_thread.threadId(); }

 private:
  int Request(uint32_t message, AudioDriverRequest& request);
  int PlayFileRequest(std::u16string_view path, const PlaybackClient& client);
  // On the audio thread: the thread's start (idle, the preallocated buffers, the priority) and
  // its end (a running job ended as its stop would, everything released).
  void InitInstance(qav::MessageLoop& loop);
  void ExitInstance();
  void OnThreadMessage(qav::Msg& msg);
  void OnRequest(uint32_t message, AudioDriverRequest& r);

  // Before a call's start: a call answered must be recorded, so what the player or a greeting page
  // has on the sound card ends as the driver's end would end it (playback with its end notice, so
  // the page shows that it stopped; a greeting take with its file finished). The call machine
  // does not answer while a take runs (CallAudio().RecordingGreeting()); a take started between
  // the answer and the recording's start is what gives way here. A call job is left alone.
  void GiveWayToCall();
  // A start: refused (logged) unless idle, else the job's state is entered.
  bool BeginJob(AudioDriverState state);
  // Keeps a started job, or drops a failed one and returns to idle; the request's result.
  void EndStart(std::unique_ptr<CAudioJob> job, bool started, AudioDriverRequest& r);
  // Drops the job once it has returned the thread to idle, with its returned buffers.
  void DropEndedJob();
  template <class Job>
  Job* RunningJob() const {
    return dynamic_cast<Job*>(m_job.get());
  }

  // Keeps the known sound devices current off this thread (not when the virtual device is forced).
  std::unique_ptr<qav::SoundDeviceWatch> m_deviceWatch;
  qav::MessageThread m_thread;
  std::atomic<AudioDriverState> m_state{AudioDriverState::kIdle};
  std::atomic<bool> m_destroying{false};
  AudioThreadContext m_context{m_state};
  std::unique_ptr<CAudioJob> m_job;  // the job that runs (audio thread)
  double m_pendingSeek = 0;          // set while idle, applied by the next start (0: none)

  std::mutex m_skypeDevicesMutex;
  std::u16string m_skypeOutputDevice;
  std::u16string m_skypeInputDevice;
};

// The program's one audio thread (set by the application at start-up).
extern CAudioDriver* g_pAudioDriver;
