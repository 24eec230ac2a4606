#include "skype/link/skype_client_info.h"

#include <mutex>

namespace {

struct ClientInfo {
  int32_t installedVersion = kSkypeVersionUnknown;
  int32_t requiredVersion = kSkypeMinimumVersion;
  std::u16string audioIn;
  std::u16string audioOut;
  std::u16string userVideoIn;
};

std::mutex g_mutex;
ClientInfo g_info;

template <typename T>
T Read(T ClientInfo::*field) {
  std::lock_guard lock(g_mutex);
  return g_info.*field;
}

template <typename T, typename V>
void Write(T ClientInfo::*field, V value) {
  std::lock_guard lock(g_mutex);
  g_info.*field = T(value);
}

}  // namespace

int32_t GetInstalledSkypeVersion() { return Read(&ClientInfo::installedVersion); }
void SetInstalledSkypeVersion(int32_t packedVersion) { Write(&ClientInfo::installedVersion, packedVersion); }
int32_t GetRequiredSkypeVersion() { return Read(&ClientInfo::requiredVersion); }
void SetRequiredSkypeVersion(int32_t packedVersion) { Write(&ClientInfo::requiredVersion, packedVersion); }

std::u16string GetSkypeAudioInDevice() { return Read(&ClientInfo::audioIn); }
void SetSkypeAudioInDevice(std::u16string_view device) { Write(&ClientInfo::audioIn, device); }
std::u16string GetSkypeAudioOutDevice() { return Read(&ClientInfo::audioOut); }
void SetSkypeAudioOutDevice(std::u16string_view device) { Write(&ClientInfo::audioOut, device); }
std::u16string GetSkypeUserVideoInDevice() { return Read(&ClientInfo::userVideoIn); }
void SetSkypeUserVideoInDevice(std::u16string_view device) { Write(&ClientInfo::userVideoIn, device); }

void ResetSkypeClientInfo() {
  std::lock_guard lock(g_mutex);
  g_info = ClientInfo{};
}
