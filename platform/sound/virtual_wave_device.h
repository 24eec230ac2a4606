// The virtual sound device (see sound_devices.h): its time is the clock of the loop current on
// the opening thread, kept by a timer of a hidden window on that loop.
//
// Playback: blocks play one after another, each taking its duration; a block is done when its
// time has passed. A block written after the queue ran dry starts playing at once.
// Recording: from Start, samples are made at the format's rate into the buffers in turn; a buffer
// is done when full. Samples made while no buffer is lent are lost, as on a sound card.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/sound/wave_device.h"

namespace qav {

int OpenVirtualWaveOut(std::unique_ptr<WaveOutDevice>* device, const WAVEFORMATEX& format, ThreadId callbackThread);
int OpenVirtualWaveIn(std::unique_ptr<WaveInDevice>* device, const WAVEFORMATEX& format, ThreadId callbackThread);

// Sample frames the virtual microphones of this process have made while no buffer was lent, since
// it started: an overrun, as a sound card has when the thread that owns it comes too late to give
// its buffers back. What a recording holds is what the microphone made less these. Thread-safe.
uint64_t VirtualMicrophoneFramesLost();

}  // namespace qav
