// The sound devices of the machine, by name, and the choice between ALSA and the virtual device.
//
// The lists hold the machine's ALSA devices that convert formats by themselves: the sound servers
// ("pulse", "pipewire" and other plain names the configuration defines, "null" and "default"
// excepted), each card's "sysdefault" and each "plughw" device; then the virtual device, always last. A
// device's name is its description's first line followed by its ALSA name in parentheses, so
// names are readable and unique; the virtual device is kVirtualSoundDeviceName. At most
// kMaxListedDevices are listed.
//
// The virtual device plays nothing and records a tone or silence, at the pace of the clock of the
// loop it is opened on, so tests run it on virtual or scaled time. It is used:
//   - when chosen by name (its id in the list);
//   - for every device, when the environment variable QAV_SOUND_DEVICE is "virtual";
//   - for the default device (WAVE_MAPPER) when the machine has no sound card.
// Its recording is a sine of QAV_VIRTUAL_MIC_TONE hertz (half of full scale) when that variable
// holds a number above 0, else silence; what it plays is appended, as raw samples, to the file
// QAV_VIRTUAL_SPEAKER_FILE names, when set.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qav {

inline constexpr const char* kVirtualSoundDeviceName = "QAV Virtual Sound Device";
inline constexpr size_t kMaxListedDevices = 31;

struct SoundDeviceInfo {
  std::string name;      // as shown and saved
  std::string alsaName;  // what ALSA opens; empty for the virtual device
};

// Probes the machine now (ALSA opens every device node it knows, some milliseconds) and keeps the
// result as the known devices. For whoever shows the lists: the option pages.
std::vector<SoundDeviceInfo> ListPlaybackDevices();
std::vector<SoundDeviceInfo> ListRecordingDevices();

// The devices of the last probe, without probing; the first call probes when nothing has been
// probed yet (or waits for a probe that is running). For the audio thread, which must not stall on
// device nodes when a recording starts: OpenWaveOut and OpenWaveIn resolve ids against these too.
// Kept fresh by RefreshSoundDevices, the lists above, and SoundDeviceWatch (sound_device_watch.h).
std::vector<SoundDeviceInfo> KnownPlaybackDevices();
std::vector<SoundDeviceInfo> KnownRecordingDevices();
// Probes now and keeps the result.
void RefreshSoundDevices();
// Called on the probing thread at each probe (empty: none), for tests that check who probes when.
void SetSoundDeviceProbeObserver(std::function<void()> observer);

// True when QAV_SOUND_DEVICE asks for the virtual device everywhere.
bool VirtualSoundForced();
// True when ALSA knows at least one sound card (as of the last probe).
bool MachineHasSoundCard();

}  // namespace qav
