// The audio thread: the one thread that owns every audio resource of the program (the sound
// devices, the two loopback sockets of a call, the format converters and every file being played
// or written). Other threads reach it only through its requests.
//
// A request is synchronous: the caller's record goes to the thread as a thread message and the
// caller waits until the handler has run. One loop serves, in one queue, the requests, the
// loopback sockets' readiness and the buffers the devices and the link give back. Start requests
// are refused unless the thread is idle (state 0), and every failure path releases what it opened
// and returns the thread to idle. Requests return 1 done, 0 refused or failed.
//
// States: 0 idle; 1 playing a file; 2 file read to the end, last blocks still playing; 3 recording
// the microphone; 4 playing the greeting into the call; 5 greeting read to the end, last blocks
// still going out; 6 recording the caller; 7 recording a conversation; 8 destroyed.
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
#include <vector>

#include "audio/beep_generator.h"
#include "audio/conversation_ring.h"
#include "audio/va_buffer.h"
#include "platform/clock.h"
#include "platform/event.h"
#include "platform/message.h"
#include "platform/message_thread.h"
#include "platform/sound/wave_device.h"
#include "platform/wave_format.h"

class CAudioFormatConverter;
class CMPEGConvert;
class CVAIn;
class CVAOut;
class CWaveMemFile;
struct MPEGFrameInfo;

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
// The thread's own: read and queue the next block of the played file or the greeting.
constexpr uint32_t WM_AUDIO_PLAY_NEXT_BUFFER = 1785;

// Playback notices (wParam); the same values are the mask bits that ask for them.
constexpr uint32_t AUDIO_EVENT_PLAY_DONE = 2;
constexpr uint32_t AUDIO_EVENT_BUFFER_PLAYED = 16;

// One request, on the requester's stack. The handler fills result and the out-values; the event
// is set when the handler is done with the record, on every path (also when the request is never
// handled because the thread has ended).
struct AudioDriverRequest {
  AudioDriverRequest() : event(std::make_shared<qav::Event>(true, false)) {}

  std::shared_ptr<qav::Event> event;  // shared: the handler may still be leaving Set as the waiter wakes
  int result = 0;
  int inPort = 0;   // in-out: CVAIn (the call's sound output)
  int outPort = 0;  // in-out: CVAOut (the call's sound input)
  qav::Hwnd clientWindow = 0;
  qav::ThreadId clientThread = 0;
  uint32_t clientMessage = 0;
  uint32_t clientEventMask = 0;
  int monitor = 0;
  std::u16string path;
  std::shared_ptr<const CWaveMemFile> greeting;
  int seconds = 0;  // out: stop requests
  double seekFraction = 0;
};

class CAudioDriver {
 public:
  CAudioDriver();
  // Brings the thread to rest and joins it (see above).
  ~CAudioDriver();
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
  int RecordSkypeMsgStart(int* inPort, int* outPort, std::shared_ptr<const CWaveMemFile> greeting,
                          std::u16string_view path, int monitor);
  // States 4-6: ends the job, finishes the file, writes its length in seconds (rounded up).
  int RecordSkypeMsgStop(int* seconds);
  // Conversation: opens both sockets, the speaker and the microphone the call client reported,
  // prepares or continues the file at `path` (0 -> 7). 1 with the ports written back.
  int RecordSkypeConvStart(int* inPort, int* outPort, std::u16string_view path);
  // State 7: ends the job, finishes the file, writes its length in seconds (rounded up).
  int RecordSkypeConvStop(int* seconds);
  // States 4-7: one more beep into the call (and on the speaker when it is open).
  int RecordSkypeInsertBeep();

  // The sound devices the call client reported as its own output and input ("AUDIO_OUT",
  // "AUDIO_IN"); a conversation plays and records on them. An unknown or empty name is the default
  // device. Any thread; read when a conversation starts.
  void SetSkypeSoundDevices(std::u16string outputDevice, std::u16string inputDevice);

  int GetState() const { return m_state.load(std::memory_order_acquire); }
  qav::ThreadId GetThreadId() const { return m_thread.threadId(); }

 private:
  friend class AudioDriverTestAccess;

  // ---- requests (any thread) and their dispatch (audio thread) ----
  int Request(uint32_t message, AudioDriverRequest& request);
  void OnThreadMessage(qav::Msg& msg);
  void OnShutdown();

  // ---- file playback and microphone recording (audio_driver_file.cpp) ----
  int PlayFileRequest(std::u16string_view path, qav::Hwnd window, qav::ThreadId thread, uint32_t message,
                      uint32_t mask);
  void OnPlayAudioFileStart(AudioDriverRequest& r);
  void OnPlayAudioFileStop(AudioDriverRequest& r);
  void OnPlayAudioFileSetOffset(AudioDriverRequest& r);
  void OnRecAudioFileStart(AudioDriverRequest& r);
  void OnRecAudioFileStop(AudioDriverRequest& r);
  // Opens the played file's audio and gives the device format; false (logged) when it cannot play.
  bool OpenWaveSource(WAVEFORMATEX* deviceFormat);
  bool OpenMpegSource(WAVEFORMATEX* deviceFormat);
  void OnPlayNextFileBlock();
  // Reads the next block of the played file into the read buffer; 0 at the end of its audio.
  size_t ReadSourceBlock();
  // Leaves the file on the next frame of the stream (its rate and layer); false at the end.
  bool FindNextStreamFrame(MPEGFrameInfo* info);
  void SeekSource(double fraction);
  void EndOfSourceFile();
  void OnPlaybackBlockDone(qav::Msg& msg);
  void NotifyClient(uint32_t event, int64_t position);
  // Ends playback (-> 0): devices, converter and file closed; the end notice when `notify` and
  // the mask asks for it; the client cleared.
  void StopPlayback(bool notify);
  void ClosePlaybackSource();
  void OnMicrophoneData(qav::Msg& msg);
  // Ends a microphone recording (-> 0) with everything the microphone gave written; false when
  // the file could not be finished.
  bool FinishMicrophoneRecording();

  // ---- call audio (audio_driver_call.cpp) ----
  void OnRecSkypeMsgStart(AudioDriverRequest& r);
  void OnRecSkypeMsgStop(AudioDriverRequest& r);
  void OnRecSkypeConvStart(AudioDriverRequest& r);
  void OnRecSkypeConvStop(AudioDriverRequest& r);
  void OnRecSkypeInsertBeep(AudioDriverRequest& r);
  void OnPlayNextBuffer();
  void OnVAOutDone(qav::Msg& msg);
  void OnVAInData(qav::Msg& msg);
  void OnWaveOutDone(qav::Msg& msg);
  void OnWaveInData(qav::Msg& msg);
  void SendGreetingBlock(uint8_t* block, size_t bytes, uint64_t position);
  void EndOfGreeting();
  void EnterCallerRecording();
  void RecordCallerBlock(vahdr_tag& block);
  void WriteConversationPair(const std::vector<uint8_t>& far, const std::vector<uint8_t>& near);
  // Ends the running call job (4-7) as its stop does; returns the stop's result.
  int FinishCallJob(int* seconds, const char16_t* doneText);
  int OpenLoopback(AudioDriverRequest& r);

  // ---- the pieces shared by every job (audio_driver_io.cpp) ----
  // A start: refused (logged) unless idle, else the job's state is entered.
  bool BeginJob(int state);
  // `notWavOrMp3Text` (with the path) is logged for another extension; null: the output file's text.
  bool CheckStartPath(const std::u16string& path, std::u16string* kind, const char16_t* notWavOrMp3Text = nullptr);
  // Creates the output file of a recording and its converter from `source` (live format) to the
  // format `target` (a .wav's PCM format) or `mp3`; false (logged) on failure.
  bool PrepareOutputWave(const std::u16string& path, const WAVEFORMATEX& source, const WAVEFORMATEX& target,
                         const char16_t* failureText);
  bool PrepareOutputMpeg(const std::u16string& path, const WAVEFORMATEX& source, const MPEGLAYER3WAVEFORMAT& mp3,
                         std::u16string_view title);
  // Converts (when there is a converter) and appends to the output file, counting the bytes.
  bool AppendToOutput(const uint8_t* data, size_t bytes, const char16_t* shortWriteText);
  // Flushes the recording converter into the file, rewrites a WAV header, commits and closes;
  // false when the header rewrite fails. Writes the length in seconds, rounded up.
  bool FinishOutputFile(int* seconds, uint32_t* bytesPerSecond);
  // The live format of the call audio, or `format`.
  bool OpenSpeaker(int deviceId);
  bool OpenSpeaker(int deviceId, const WAVEFORMATEX& format);
  bool OpenMicrophone(int deviceId);
  bool OpenMicrophone(int deviceId, const WAVEFORMATEX& format);
  bool WriteToSpeaker(const uint8_t* data, size_t bytes, uint64_t user);
  bool WriteToVAOut(const uint8_t* data, size_t bytes, uint64_t user);
  // Lend or add an empty buffer of the block size, reusing one that came back when given.
  bool LendVAInBuffer(VaHeaderPtr reuse = nullptr);
  bool AddMicrophoneBuffer(qav::WaveHeaderPtr reuse = nullptr);
  // Closes devices, sockets and converters, then takes their returned buffers (and any pending
  // next-block message) out of the queue without handling them.
  void ReleaseAudioStreamResources();
  void RemoveAndReleaseAudioWaveBufferFromQ();
  void CloseOutputFile();
  void LogWaveError(int line, const char16_t* family, int device, int result);

  // ---- members: all but the state and the device names belong to the audio thread ----
  qav::MessageThread m_thread;
  qav::Clock* m_clock = nullptr;
  std::atomic<int> m_state{0};
  std::atomic<bool> m_destroying{false};

  std::mutex m_skypeDevicesMutex;
  std::u16string m_skypeOutputDevice;
  std::u16string m_skypeInputDevice;

  std::u16string m_sourcePath;
  std::u16string m_sourceKind;  // "wav" or "mp3"
  std::u16string m_targetKind;  // "wav" or "mp3"
  int m_outputFd = -1;
  WAVEFORMATEX m_outputFormat{};
  uint32_t m_dataStartOffset = 0;
  uint32_t m_bytesWritten = 0;
  int64_t m_startTime = 0;

  // The greeting being played into the call, read through the driver's own position.
  std::shared_ptr<const CWaveMemFile> m_greeting;
  size_t m_greetingPosition = 0;
  uint32_t m_bytesPerRead = 0;
  bool m_monitor = false;

  // The file being played: its descriptor, where its audio lies, and where the next block starts.
  int m_inputFd = -1;
  MPEGLAYER3WAVEFORMAT m_sourceMpeg{};   // a .mp3's format
  int m_sourceMpegLayer = 0;             // and the layer of its first frame
  uint32_t m_sourceDataStart = 0;
  uint32_t m_sourceDataLength = 0;
  uint32_t m_sourceFrameBytes = 1;       // bytes per sample frame of a .wav
  int64_t m_sourcePosition = 0;          // byte offset in the file after the last block read
  bool m_playbackFlushed = false;        // the decoder has given its last samples
  double m_pendingSeek = 0;              // set while idle, applied by the next start (0: none)
  qav::Hwnd m_clientWindow = 0;
  qav::ThreadId m_clientThread = 0;
  uint32_t m_clientMessage = 0;
  uint32_t m_clientEventMask = 0;
  // The microphone's format in a greeting recording (the output's, or PCM for the encoder).
  WAVEFORMATEX m_captureFormat{};

  std::unique_ptr<CVAIn> m_pvaSkypeIn;
  std::unique_ptr<CVAOut> m_pvaSkypeOut;
  int m_vaOutBlocksOutstanding = 0;
  int m_vaInBuffersQueued = 0;
  std::unique_ptr<qav::WaveOutDevice> m_speaker;
  int m_speakerBlocksOutstanding = 0;
  std::unique_ptr<qav::WaveInDevice> m_microphone;
  int m_microphoneBuffersQueued = 0;
  uint32_t m_blockSize = 0;

  int m_conversationChannels = 1;
  CConversationRing m_ring;
  std::vector<uint8_t> m_mixBuffer;

  std::vector<uint8_t> m_readBuffer;
  std::unique_ptr<CAudioFormatConverter> m_playbackConverter;
  std::vector<uint8_t> m_playbackConversionBuffer;
  std::unique_ptr<CAudioFormatConverter> m_recordingConverter;
  CMPEGConvert* m_mpegEncoder = nullptr;  // m_recordingConverter when it is an MP3 encoder
  std::vector<uint8_t> m_recordingConversionBuffer;

  CBeepGenerator m_callBeeps;
  CBeepGenerator m_speakerBeeps;
};

// The program's one audio thread (set by the application at start-up).
extern CAudioDriver* g_pAudioDriver;
