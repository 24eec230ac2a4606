// A recording device as the audio thread's jobs use it: the buffers lent to it are counted, and
// a buffer that comes back full is lent again while fewer than a minimum are queued.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/message.h"
#include "platform/sound/wave_device.h"
#include "platform/wave_format.h"

class CMicrophoneInput {
 public:
  // Buffers lent at the start, and the fewest kept queued while recording (jitter room).
  static constexpr int kInitialBuffers = 10;
  static constexpr int kMinQueued = 4;

  CMicrophoneInput() = default;
  ~CMicrophoneInput() { Close(); }
  CMicrophoneInput(const CMicrophoneInput&) = delete;
  CMicrophoneInput& operator=(const CMicrophoneInput&) = delete;

  // Opens the device for `format` with buffers of `blockSize` bytes; false (logged).
  [[nodiscard]] bool Open(int deviceId, const WAVEFORMATEX& format, qav::ThreadId thread, uint32_t blockSize);
  bool IsOpen() const { return m_device != nullptr; }
  // Lends an empty buffer: `reuse` when it has the block size, else a new one. False (logged).
  bool AddBuffer(qav::WaveHeaderPtr reuse = nullptr);
  [[nodiscard]] bool Start();
  // A buffer came back (MM_WIM_DATA): the buffer, or null when it is not this device's.
  qav::WaveHeaderPtr Take(qav::Msg& msg);
  // Lends the buffer again when fewer than kMinQueued are queued; else it is freed.
  void Recycle(qav::WaveHeaderPtr buffer);
  // Stops recording: the buffer being filled comes back with what it holds.
  void Stop();
  void Close();

 private:
  std::unique_ptr<qav::WaveInDevice> m_device;
  uint32_t m_blockSize = 0;
  int m_queued = 0;
};
