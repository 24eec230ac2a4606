// The ALSA devices behind the wave-out/wave-in layer, opened by their ALSA name.
//
// Each open device has a worker thread of its own that moves the samples between the blocks and
// ALSA (non-blocking, waiting in poll on the device and a wake-up descriptor) and posts the blocks
// back to the callback thread. A playback block is done when its last sample has gone to ALSA
// (whose buffer holds 100 ms). Reset and the destructor hand the blocks back before they return.
// The open and close calls, and everything in between, happen on the opener's thread or on the
// worker, never both at once for one device.
#pragma once

#include <memory>
#include <string>

#include "platform/sound/wave_device.h"

namespace qav {

int OpenAlsaWaveOut(std::unique_ptr<WaveOutDevice>* device, const std::string& alsaName, const WAVEFORMATEX& format,
                    ThreadId callbackThread);
int OpenAlsaWaveIn(std::unique_ptr<WaveInDevice>* device, const std::string& alsaName, const WAVEFORMATEX& format,
                   ThreadId callbackThread);

}  // namespace qav
