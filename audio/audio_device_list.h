// The sound devices by name, for the option pages' device choosers and for the audio thread, which
// opens a device by its saved name.
//
// Entry 0 is always the system's default device: device id -1 (WAVE_MAPPER) and the name of
// language string 820 ("Windows Default"). Entries 1 onward are the machine's devices in the
// order the sound layer lists them (platform/sound/sound_devices.h): index i, device id i - 1, the
// device's name. A list made plainly probes the machine on the spot (the option pages); one made
// with kKnownDevices takes the devices of the last probe and opens no device node (the audio
// thread, which must not stall when a recording starts). A list holds 32 entries at
// most: the default and up to 31 devices (the sound layer lists no more).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/sound/sound_devices.h"

class CAudioDeviceList {
 public:
  enum KnownDevices { kKnownDevices };
  struct Entry {
    int index;
    int deviceId;
    std::u16string name;
  };
  static constexpr int kMaxEntries = 32;

  virtual ~CAudioDeviceList() = default;

  int GetCount() const { return static_cast<int>(m_entries.size()); }
  // An index at or beyond the count (or below 0) gives entry 0.
  int GetIdAt(int index) const;
  std::u16string GetNameAt(int index) const;
  // Exact, case-sensitive match over the entries in order, the first winning; no match gives the
  // default device's id.
  int GetIdByName(std::u16string_view name) const;
  // No match gives the default device's name.
  std::u16string GetNameById(int id) const;

 protected:
  explicit CAudioDeviceList(const std::vector<qav::SoundDeviceInfo>& devices);

 private:
  const Entry& At(int index) const;

  std::vector<Entry> m_entries;
};

// The playback devices.
class CPlaybackDeviceList : public CAudioDeviceList {
 public:
  CPlaybackDeviceList();
  explicit CPlaybackDeviceList(KnownDevices);
};

// The recording devices.
class CRecordingDeviceList : public CAudioDeviceList {
 public:
  CRecordingDeviceList();
  explicit CRecordingDeviceList(KnownDevices);
};

// The device id a job opens for the device saved under `name`, from the devices of the last probe.
// The default device ("" or the default entry's own name) needs no list: a recording on it never
// waits for the machine's first probe, which can take seconds on a slow machine just after start.
int KnownPlaybackDeviceId(std::u16string_view name);
int KnownRecordingDeviceId(std::u16string_view name);
