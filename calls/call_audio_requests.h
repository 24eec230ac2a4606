// The audio thread's requests as the voice messages, the conversations and the call machine make
// them, and the video driver's for the video greeting: the one gateway from the calls to the
// drivers.
//
// By default they go to the program's audio thread (g_pAudioDriver, audio/audio_driver.h; 0 while
// there is none) and its video driver (g_pVideoDriver, audio/video_driver.h). Tests install a double that records the requests and answers as told, so the
// call machine runs on the virtual clock without sockets or sound devices.
//
// Ports: `inPort` is where the program receives the call's sound output (sent to the client as
// SET_OUTPUT PORT), `outPort` where it sends the call's sound input (SET_INPUT PORT); 0 asks for
// any port and the bound one is written back.
//
// Threading: the GUI thread (the call machine); each request blocks until the audio thread has
// handled it.
#pragma once

#include <memory>
#include <string_view>

class CWaveMemFile;

class CCallAudioRequests {
 public:
  virtual ~CCallAudioRequests() = default;
  virtual int RecordSkypeMsgStart(int* inPort, int* outPort, std::shared_ptr<const CWaveMemFile> greeting,
                                  std::u16string_view path, int monitor) = 0;
  // 1 with the recording's length in seconds (rounded up, 0 for nothing recorded); 0 refused.
  virtual int RecordSkypeMsgStop(int* seconds) = 0;
  // Plays and records on the sound devices the call client reported as its own.
  virtual int RecordSkypeConvStart(int* inPort, int* outPort, std::u16string_view path) = 0;
  virtual int RecordSkypeConvStop(int* seconds) = 0;
  virtual int RecordSkypeInsertBeep() = 0;
  // Whether the user is recording a greeting from the microphone. Read without waiting on the
  // audio thread.
  virtual bool RecordingGreeting() { return false; }
  // Holds the calling thread while a beep just inserted is heard, before the call's sound goes
  // back to the sound card and would cut it off.
  virtual void WaitWhileBeepPlays(int ms) = 0;

  // Whether the webcam application's driver is there, and its video greeting; 0 without it.
  virtual bool HasVideoDriver() = 0;
  virtual int PlayVideoFileStart(std::u16string_view path) = 0;
  virtual int PlayVideoFileStop() = 0;
};

// The installed requests, else the program's audio thread. Null restores the default; the caller
// keeps ownership.
void SetCallAudioRequests(CCallAudioRequests* requests);
CCallAudioRequests& CallAudio();
