// A playback device as the audio thread's jobs use it: blocks are copied into headers that are
// reused once they come back, so a running job allocates nothing per block, and the blocks still
// out on the device are counted.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/message.h"
#include "platform/sound/wave_device.h"
#include "platform/wave_format.h"

class CSpeakerOutput {
 public:
  CSpeakerOutput() = default;
  ~CSpeakerOutput() { Close(); }
  CSpeakerOutput(const CSpeakerOutput&) = delete;
  CSpeakerOutput& operator=(const CSpeakerOutput&) = delete;

  // Opens the device for `format`, its blocks coming back to `thread`; false (logged).
  [[nodiscard]] bool Open(int deviceId, const WAVEFORMATEX& format, qav::ThreadId thread);
  bool IsOpen() const { return m_device != nullptr; }
  // Plays a copy of the block; false (logged) when the device refuses it.
  bool Write(const uint8_t* data, size_t bytes, uint64_t user);
  // A block came back (MM_WOM_DONE): false when it is not this device's. The block's tag in *user.
  bool TakeBack(qav::Msg& msg, uint64_t* user);
  int Outstanding() const { return m_outstanding; }
  // Stops the device and releases it; the blocks it returns are left in the queue for the
  // release step.
  void Close();

 private:
  std::unique_ptr<qav::WaveOutDevice> m_device;
  int m_outstanding = 0;
  std::vector<qav::WaveHeaderPtr> m_spare;
};

// Logs a multimedia error as "Line:%d - WAVEOUT[%d]: %x - <text>" (or WAVEIN).
void LogWaveError(int line, const char16_t* family, int device, int result);
