// The wave-out and wave-in devices the audio thread plays and records on, in the manner of the
// desktop platform's multimedia layer.
//
// A device is opened for one PCM format with a callback thread. Blocks written to a playback
// device, and empty buffers added to a recording device, come back to that thread as thread
// messages, in the order they were given, each exactly once: MM_WOM_DONE when a block has been
// played, MM_WIM_DATA when a buffer is full (or stopped part-way), with wParam the device's id and
// the header as the payload. Reset stops the device and returns every block or buffer it still
// holds before it returns, so the owner can take them out of its queue at once; destroying the
// device does the same. A message that is never handled frees its header with it.
//
// Devices are numbered as ListPlaybackDevices and ListRecordingDevices list them (0, 1, ...);
// WAVE_MAPPER is the system's default device. One device is the virtual one (see
// sound_devices.h); every other is an ALSA device.
//
// Threading: a device is opened, used and destroyed on one thread, whose message loop must be
// current there (the virtual device keeps its time on that loop's clock).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/message.h"
#include "platform/wave_format.h"

namespace qav {

inline constexpr uint32_t MM_WOM_DONE = 0x3BD;
inline constexpr uint32_t MM_WIM_DATA = 0x3C0;
inline constexpr int WAVE_MAPPER = -1;

// Results, as the multimedia layer numbers them.
enum MMResult : int {
  MMSYSERR_NOERROR = 0,
  MMSYSERR_ERROR = 1,
  MMSYSERR_BADDEVICEID = 2,
  MMSYSERR_ALLOCATED = 4,
  MMSYSERR_INVALHANDLE = 5,
  MMSYSERR_NODRIVER = 6,
  MMSYSERR_INVALPARAM = 11,
  WAVERR_BADFORMAT = 32,
  WAVERR_STILLPLAYING = 33,
};
// The text of a result, for the traces.
std::u16string WaveErrorText(int result);

struct WaveHeader final : Payload {
  WaveHeader() = default;
  explicit WaveHeader(uint32_t length) : data(length) {}
  std::vector<uint8_t> data;   // the block, or the buffer to fill (its size is the buffer length)
  uint32_t bytesRecorded = 0;  // recording: bytes captured into it
  uint64_t user = 0;           // the owner's tag
};
using WaveHeaderPtr = std::unique_ptr<WaveHeader>;

class WaveOutDevice {
 public:
  virtual ~WaveOutDevice() = default;
  // Queues a block to play; on success the device owns it until MM_WOM_DONE. On failure the
  // caller keeps it.
  virtual int Write(WaveHeaderPtr& block) = 0;
  // Stops playing and returns every queued block.
  virtual int Reset() = 0;
  uint64_t id() const { return m_id; }

 protected:
  WaveOutDevice();

 private:
  const uint64_t m_id;
};

class WaveInDevice {
 public:
  virtual ~WaveInDevice() = default;
  // Lends an empty buffer (bytesRecorded 0); on failure the caller keeps it.
  virtual int AddBuffer(WaveHeaderPtr& buffer) = 0;
  virtual int Start() = 0;
  // Stops recording; the buffer being filled comes back with what it holds (when anything).
  virtual int Stop() = 0;
  // Stops and returns every buffer.
  virtual int Reset() = 0;
  uint64_t id() const { return m_id; }

 protected:
  WaveInDevice();

 private:
  const uint64_t m_id;
};

// Opens a device for `format` (PCM, 8/16/24/32 bits); MMSYSERR_NOERROR with the device, or an
// error (MMSYSERR_BADDEVICEID for an id that is not listed, WAVERR_BADFORMAT, MMSYSERR_NODRIVER
// when the device cannot be opened).
int OpenWaveOut(std::unique_ptr<WaveOutDevice>* device, int deviceId, const WAVEFORMATEX& format,
                ThreadId callbackThread);
int OpenWaveIn(std::unique_ptr<WaveInDevice>* device, int deviceId, const WAVEFORMATEX& format,
               ThreadId callbackThread);

}  // namespace qav
