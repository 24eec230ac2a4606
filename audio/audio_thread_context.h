// What every job of the audio thread shares with the thread: its id and clock, the state that the
// requesters read, the preallocated buffers the per-block work uses, and the release step that
// takes a finished job's returned buffers out of the queue.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "audio/audio_driver_state.h"
#include "platform/clock.h"
#include "platform/message.h"

// The audio thread's own: read and queue the next block of the played file or the greeting.
constexpr uint32_t WM_AUDIO_PLAY_NEXT_BUFFER = 1785;

struct AudioThreadContext {
  explicit AudioThreadContext(std::atomic<AudioDriverState>& state) : state(state) {}

  AudioDriverState State() const { return state.load(std::memory_order_acquire); }
  void SetState(AudioDriverState s) { state.store(s, std::memory_order_release); }
  // Queues `count` WM_AUDIO_PLAY_NEXT_BUFFER messages to the thread.
  void PostNextBlock(int count = 1) const;
  // After the devices and sockets of a job are closed: every buffer they gave back, with the open
  // and close messages of those families and the job's next-block messages, leaves the queue
  // unhandled (freeing a message frees its buffer).
  static void RemoveAndReleaseAudioWaveBufferFromQ();

  std::atomic<AudioDriverState>& state;
  qav::ThreadId thread = 0;
  qav::Clock* clock = nullptr;
  std::vector<uint8_t> readBuffer;
  std::vector<uint8_t> playbackConversionBuffer;
  std::vector<uint8_t> recordingConversionBuffer;
};
