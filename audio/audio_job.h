// One job of the audio thread: file playback, a microphone recording, a voice message or a
// conversation. The thread runs at most one at a time; the job owns what it opened (devices,
// sockets, converters, files) and releases it when it ends, returning the thread to idle.
//
// The thread hands the job the messages of its devices and sockets; a job ignores what is not its
// own (a buffer of a device that has gone). When the thread is brought to rest while a job runs,
// Shutdown ends the job as its stop request would.
#pragma once

#include "audio/audio_thread_context.h"
#include "platform/message.h"

class CAudioJob {
 public:
  explicit CAudioJob(AudioThreadContext& context) : m_context(context) {}
  virtual ~CAudioJob() = default;
  CAudioJob(const CAudioJob&) = delete;
  CAudioJob& operator=(const CAudioJob&) = delete;

  virtual void OnNextBlock() {}                     // WM_AUDIO_PLAY_NEXT_BUFFER
  virtual void OnSpeakerBlockDone(qav::Msg&) {}     // MM_WOM_DONE
  virtual void OnMicrophoneData(qav::Msg&) {}       // MM_WIM_DATA
  virtual void OnVAInData(qav::Msg&) {}             // WM_VAIN_DATA
  virtual void OnVAOutDone(qav::Msg&) {}            // WM_VAOUT_DONE
  virtual void Shutdown() = 0;

 protected:
  AudioThreadContext& m_context;
};
