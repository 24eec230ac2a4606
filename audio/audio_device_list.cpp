#include "audio/audio_device_list.h"

#include "data/string_ids.h"
#include "foundation/language_tables.h"
#include "platform/sound/wave_device.h"
#include "platform/text.h"

CAudioDeviceList::CAudioDeviceList(const std::vector<qav::SoundDeviceInfo>& devices) {
  m_entries.push_back({0, qav::WAVE_MAPPER, GetLangString(IDS_AUDIO_DEVICE_WINDOWS_DEFAULT)});
  for (const qav::SoundDeviceInfo& device : devices) {
    if (m_entries.size() >= kMaxEntries) break;
    const int index = static_cast<int>(m_entries.size());
    m_entries.push_back({index, index - 1, qav::U16(device.name)});
  }
}

const CAudioDeviceList::Entry& CAudioDeviceList::At(int index) const {
  if (index < 0 || index >= GetCount()) return m_entries[0];
  return m_entries[static_cast<size_t>(index)];
}

int CAudioDeviceList::GetIdAt(int index) const { return At(index).deviceId; }

std::u16string CAudioDeviceList::GetNameAt(int index) const { return At(index).name; }

int CAudioDeviceList::GetIdByName(std::u16string_view name) const {
  for (const Entry& e : m_entries) {
    if (e.name == name) return e.deviceId;
  }
  return m_entries[0].deviceId;
}

std::u16string CAudioDeviceList::GetNameById(int id) const {
  for (const Entry& e : m_entries) {
    if (e.deviceId == id) return e.name;
  }
  return m_entries[0].name;
}

CPlaybackDeviceList::CPlaybackDeviceList() : CAudioDeviceList(qav::ListPlaybackDevices()) {}
CPlaybackDeviceList::CPlaybackDeviceList(KnownDevices) : CAudioDeviceList(qav::KnownPlaybackDevices()) {}

CRecordingDeviceList::CRecordingDeviceList() : CAudioDeviceList(qav::ListRecordingDevices()) {}
CRecordingDeviceList::CRecordingDeviceList(KnownDevices) : CAudioDeviceList(qav::KnownRecordingDevices()) {}

namespace {
bool NamesTheDefaultDevice(std::u16string_view name) {
  return name.empty() || name == GetLangString(IDS_AUDIO_DEVICE_WINDOWS_DEFAULT);
}
}  // namespace

int KnownPlaybackDeviceId(std::u16string_view name) {
  if (NamesTheDefaultDevice(name)) return qav::WAVE_MAPPER;
  return CPlaybackDeviceList(CAudioDeviceList::kKnownDevices).GetIdByName(name);
}

int KnownRecordingDeviceId(std::u16string_view name) {
  if (NamesTheDefaultDevice(name)) return qav::WAVE_MAPPER;
  return CRecordingDeviceList(CAudioDeviceList::kKnownDevices).GetIdByName(name);
}
