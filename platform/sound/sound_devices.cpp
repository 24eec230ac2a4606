#include "platform/sound/sound_devices.h"

#include <alsa/asoundlib.h>

#include <atomic>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/sound/alsa_wave_device.h"
#include "platform/sound/virtual_wave_device.h"
#include "platform/sound/wave_device.h"
#include "platform/text.h"

namespace qav {

namespace {

std::atomic<uint64_t> g_nextDeviceId{1};

// ALSA writes its complaints to stderr; the program reports its failures itself.
void SilentAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

void QuietAlsa() {
  static std::once_flag once;
  std::call_once(once, [] { snd_lib_error_set_handler(&SilentAlsaErrors); });
}

bool Listed(const std::string& alsaName) {
  if (alsaName.rfind("sysdefault:", 0) == 0 || alsaName.rfind("plughw:", 0) == 0) return true;
  return alsaName.find(':') == std::string::npos && alsaName != "null" && alsaName != "default";
}

std::string FirstLine(const char* text) {
  if (!text) return "";
  const char* end = std::strchr(text, '\n');
  return end ? std::string(text, end) : std::string(text);
}

std::vector<SoundDeviceInfo> ProbeList(bool capture) {
  std::vector<SoundDeviceInfo> devices;
  void** hints = nullptr;
  if (snd_device_name_hint(-1, "pcm", &hints) == 0) {
    for (void** h = hints; *h && devices.size() + 1 < kMaxListedDevices; ++h) {
      char* name = snd_device_name_get_hint(*h, "NAME");
      char* desc = snd_device_name_get_hint(*h, "DESC");
      char* ioid = snd_device_name_get_hint(*h, "IOID");
      const bool direction = !ioid || std::strcmp(ioid, capture ? "Input" : "Output") == 0;
      if (name && direction && Listed(name)) {
        const std::string first = FirstLine(desc);
        devices.push_back({first.empty() ? std::string(name) : first + " (" + name + ")", name});
      }
      std::free(name);
      std::free(desc);
      std::free(ioid);
    }
    snd_device_name_free_hint(hints);
  }
  devices.push_back({kVirtualSoundDeviceName, ""});
  return devices;
}

// What one probe found.
struct DeviceSnapshot {
  std::vector<SoundDeviceInfo> playback;
  std::vector<SoundDeviceInfo> recording;
  bool hasSoundCard = false;
};

std::mutex g_observerLock;
std::function<void()> g_probeObserver;
std::mutex g_probing;   // one probe at a time; a reader without a snapshot waits for it
std::mutex g_snapshotLock;
std::shared_ptr<const DeviceSnapshot> g_snapshot;

// Runs with g_probing held.
std::shared_ptr<const DeviceSnapshot> ProbeHeld() {
  {
    std::lock_guard lock(g_observerLock);
    if (g_probeObserver) g_probeObserver();
  }
  QuietAlsa();
  auto snapshot = std::make_shared<DeviceSnapshot>();
  snapshot->playback = ProbeList(false);
  snapshot->recording = ProbeList(true);
  int card = -1;
  snapshot->hasSoundCard = snd_card_next(&card) == 0 && card >= 0;
  std::lock_guard lock(g_snapshotLock);
  g_snapshot = snapshot;
  return snapshot;
}

std::shared_ptr<const DeviceSnapshot> Probe() {
  std::lock_guard probing(g_probing);
  return ProbeHeld();
}

std::shared_ptr<const DeviceSnapshot> Snapshot() {
  std::lock_guard lock(g_snapshotLock);
  return g_snapshot;
}

std::shared_ptr<const DeviceSnapshot> KnownOrProbe() {
  if (std::shared_ptr<const DeviceSnapshot> known = Snapshot()) return known;
  // Nothing probed yet: a probe already running is waited for and its result taken.
  std::lock_guard probing(g_probing);
  if (std::shared_ptr<const DeviceSnapshot> known = Snapshot()) return known;
  return ProbeHeld();
}

std::vector<SoundDeviceInfo> OnlyTheVirtualDevice() { return {{kVirtualSoundDeviceName, ""}}; }

// What a device id opens: the ALSA name, or empty for the virtual device; false for a bad id.
bool Resolve(int deviceId, bool capture, std::string* alsaName) {
  alsaName->clear();
  if (VirtualSoundForced()) return deviceId >= WAVE_MAPPER;
  if (deviceId == WAVE_MAPPER) {
    if (MachineHasSoundCard()) *alsaName = "default";
    return true;
  }
  const std::shared_ptr<const DeviceSnapshot> known = KnownOrProbe();
  const std::vector<SoundDeviceInfo>& devices = capture ? known->recording : known->playback;
  if (deviceId < 0 || static_cast<size_t>(deviceId) >= devices.size()) return false;
  *alsaName = devices[static_cast<size_t>(deviceId)].alsaName;
  return true;
}

}  // namespace

WaveOutDevice::WaveOutDevice() : m_id(g_nextDeviceId.fetch_add(1)) {}
WaveInDevice::WaveInDevice() : m_id(g_nextDeviceId.fetch_add(1)) {}

bool VirtualSoundForced() {
  const char* v = std::getenv("QAV_SOUND_DEVICE");
  return v && std::strcmp(v, "virtual") == 0;
}

bool MachineHasSoundCard() {
  if (std::shared_ptr<const DeviceSnapshot> known = Snapshot()) return known->hasSoundCard;
  // Asked before the first probe has ended (the default device opened just after start): the card
  // count needs no probe of every device, so nobody waits for one.
  QuietAlsa();
  int card = -1;
  return snd_card_next(&card) == 0 && card >= 0;
}

std::vector<SoundDeviceInfo> ListPlaybackDevices() {
  return VirtualSoundForced() ? OnlyTheVirtualDevice() : Probe()->playback;
}
std::vector<SoundDeviceInfo> ListRecordingDevices() {
  return VirtualSoundForced() ? OnlyTheVirtualDevice() : Probe()->recording;
}
std::vector<SoundDeviceInfo> KnownPlaybackDevices() {
  return VirtualSoundForced() ? OnlyTheVirtualDevice() : KnownOrProbe()->playback;
}
std::vector<SoundDeviceInfo> KnownRecordingDevices() {
  return VirtualSoundForced() ? OnlyTheVirtualDevice() : KnownOrProbe()->recording;
}
void RefreshSoundDevices() { Probe(); }
void SetSoundDeviceProbeObserver(std::function<void()> observer) {
  std::lock_guard lock(g_observerLock);
  g_probeObserver = std::move(observer);
}

int OpenWaveOut(std::unique_ptr<WaveOutDevice>* device, int deviceId, const WAVEFORMATEX& format,
                ThreadId callbackThread) {
  std::string alsaName;
  if (!Resolve(deviceId, false, &alsaName)) return MMSYSERR_BADDEVICEID;
  if (alsaName.empty()) return OpenVirtualWaveOut(device, format, callbackThread);
  return OpenAlsaWaveOut(device, alsaName, format, callbackThread);
}

int OpenWaveIn(std::unique_ptr<WaveInDevice>* device, int deviceId, const WAVEFORMATEX& format,
               ThreadId callbackThread) {
  std::string alsaName;
  if (!Resolve(deviceId, true, &alsaName)) return MMSYSERR_BADDEVICEID;
  if (alsaName.empty()) return OpenVirtualWaveIn(device, format, callbackThread);
  return OpenAlsaWaveIn(device, alsaName, format, callbackThread);
}

std::u16string WaveErrorText(int result) {
  switch (result) {
    case MMSYSERR_NOERROR: return u"The command was successful.";
    case MMSYSERR_BADDEVICEID: return u"The device identifier is out of range.";
    case MMSYSERR_ALLOCATED: return u"The device is already in use.";
    case MMSYSERR_INVALHANDLE: return u"The device handle is not valid.";
    case MMSYSERR_NODRIVER: return u"The device cannot be opened.";
    case MMSYSERR_INVALPARAM: return u"A parameter is not valid.";
    case WAVERR_BADFORMAT: return u"The device does not support the wave format.";
    case WAVERR_STILLPLAYING: return u"The device is still playing.";
    default: return u"An error occurred in the sound device.";
  }
}

}  // namespace qav
