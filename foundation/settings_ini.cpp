#include "foundation/settings_ini.h"

#include "foundation/logger.h"
#include "foundation/settings_folders.h"
#include "platform/private_profile.h"
#include "platform/text.h"

namespace {

constexpr std::u16string_view kSection = u"Settings";

bool WriteTo(const std::u16string& path, std::u16string_view key, std::u16string_view value) {
  if (path.empty()) return false;
  if (!qav::WritePrivateProfileString(kSection, key, value, path)) {
    QAV_LOG(LOG_WARNING, u"WritePrivateProfileString failed [%s] in %s", key, path);
    return false;
  }
  return true;
}

// The per-user file, or the global one without a current user.
std::u16string UserFileForWriting() {
  const std::u16string user = GetUserIniPath();  // creates the per-user folder
  return user.empty() ? GetIniFilePath() : user;
}

// The per-user value when the per-user file has the key, else the global file's value; nullopt when
// neither has it.
std::optional<std::u16string> FindUserValue(std::u16string_view key) {
  const std::u16string user = GetUserIniPath();
  if (!user.empty()) {
    if (auto value = qav::FindPrivateProfileValue(kSection, key, user)) return value;
  }
  return qav::FindPrivateProfileValue(kSection, key, GetIniFilePath());
}

}  // namespace

std::u16string IniStoredText(std::u16string_view text) {
  std::u16string stored(text);
  if (stored.find_first_of(u"\r\n") != std::u16string::npos) {
    for (char16_t& c : stored) {
      if (c == u'\r' || c == u'\n') c = u' ';
    }
  }
  if (!stored.empty() && stored[0] == u'"') stored = u"\"" + stored + u"\"";
  return stored;
}

int32_t ReadIniInt(std::u16string_view key, int32_t defaultValue) {
  return qav::GetPrivateProfileInt(kSection, key, defaultValue, GetIniFilePath());
}

uint32_t ReadIniUInt(std::u16string_view key, uint32_t defaultValue) {
  return qav::GetPrivateProfileUInt(kSection, key, defaultValue, GetIniFilePath());
}

std::u16string GetGlobalIniString(std::u16string_view key, std::u16string_view defaultValue, size_t bufferSize) {
  return qav::GetPrivateProfileString(kSection, key, defaultValue, bufferSize, GetIniFilePath());
}

bool WriteIniInt(std::u16string_view key, int32_t value) {
  return WriteTo(GetIniFilePath(), key, qav::Format(u"%u", value));
}

bool WriteIniInt64(std::u16string_view key, int64_t time) {
  return WriteTo(GetIniFilePath(), key, qav::Format(u"%u", static_cast<uint32_t>(time)));
}

bool WriteIniString(std::u16string_view key, std::u16string_view text) {
  return WriteTo(GetIniFilePath(), key, IniStoredText(text));
}

int32_t GetUserIniInt(std::u16string_view key, int32_t defaultValue) {
  const auto value = FindUserValue(key);
  if (!value || value->empty()) return defaultValue;
  return static_cast<int32_t>(qav::ParseProfileInteger(*value));
}

std::u16string GetUserIniString(std::u16string_view key, std::u16string_view defaultValue, size_t bufferSize) {
  // Read through the profile reader so the buffer and default rules are the file's own.
  const std::u16string user = GetUserIniPath();
  if (!user.empty() && qav::FindPrivateProfileValue(kSection, key, user)) {
    return qav::GetPrivateProfileString(kSection, key, defaultValue, bufferSize, user);
  }
  return GetGlobalIniString(key, defaultValue, bufferSize);
}

bool WriteUserIniInt(std::u16string_view key, int32_t value) {
  return WriteTo(UserFileForWriting(), key, qav::Format(u"%u", value));
}

bool WriteUserIniString(std::u16string_view key, std::u16string_view text) {
  return WriteTo(UserFileForWriting(), key, IniStoredText(text));
}
