#include "app/registry_profile.h"

#include "foundation/logger.h"
#include "foundation/server_string.h"
#include "platform/text.h"

namespace {

constexpr int kServerStringCount = 10;
constexpr int kReportByWebPageIndex = 1;
constexpr int kKeptTextIndex = 4;

struct IntValue {
  const char16_t* name;
  int32_t CRegistryProfile::*field;
};

// In the order the values are read and written; LoggingEnabled and the strings are handled apart.
constexpr IntValue kLeadingInts[] = {
    {u"UIMainPanelLeft", &CRegistryProfile::UIMainPanelLeft},
    {u"UIMainPanelTop", &CRegistryProfile::UIMainPanelTop},
};
constexpr IntValue kTrailingInts[] = {
    {u"LanguageSameAsSkypeClientUI", &CRegistryProfile::LanguageSameAsSkypeClientUI},
    {u"StartAppWithWindows", &CRegistryProfile::StartAppWithWindows},
    {u"StartSkypeWithApp", &CRegistryProfile::StartSkypeWithApp},
    {u"AlwaysShowAppSysTrayIcon", &CRegistryProfile::AlwaysShowAppSysTrayIcon},
    {u"RestoreWindowOnAciveCall", &CRegistryProfile::RestoreWindowOnAciveCall},
    {u"CheckForUpdateBtn", &CRegistryProfile::CheckForUpdateBtn},
    {u"IsSkypeCertified", &CRegistryProfile::IsSkypeCertified},
};
constexpr IntValue kTestSwitches[] = {
    {u"UpdateCheckTestServer", &CRegistryProfile::UpdateCheckTestServer},
    {u"UpdateCheckTestAlways", &CRegistryProfile::UpdateCheckTestAlways},
};

std::u16string ServerStringName(int index) { return qav::Format(u"cnfgstr%d", index); }

void ReadInts(const qav::AppProfile& profile, CRegistryProfile& record, const auto& values) {
  for (const auto& v : values) record.*v.field = profile.GetProfileInt(kProfileSection, v.name, record.*v.field);
}

void WriteInts(qav::AppProfile& profile, const CRegistryProfile& record, const auto& values) {
  for (const auto& v : values) {
    if (!profile.WriteProfileInt(kProfileSection, v.name, record.*v.field)) {
      QAV_LOG(LOG_WARNING, u"SaveRegistrySettings: %s could not be written", v.name);
    }
  }
}

}  // namespace

qav::AppProfile ProgramProfile() { return qav::AppProfile(kProfileCompany, kProfileApplication); }

void LoadRegistryProfile(const qav::AppProfile& profile, CRegistryProfile& record) {
  ReadInts(profile, record, kLeadingInts);
  record.LoggingEnabled = profile.GetProfileInt(kProfileSection, u"LoggingEnabled", record.LoggingEnabled);
  record.Language = qav::ToUpperAscii(profile.GetProfileString(kProfileSection, u"Language", record.Language));
  ReadInts(profile, record, kTrailingInts);
  for (int i = 0; i < kServerStringCount; ++i) {
    const std::u16string name = ServerStringName(i);
    // A value that is not there keeps the record's; decoding nothing would only log a damaged
    // envelope.
    if (!profile.ProfileValueExists(kProfileSection, name)) continue;
    const std::u16string text = DecodeServerString(profile.GetProfileString(kProfileSection, name, u""));
    if (i == kReportByWebPageIndex) record.ReportProblemUsingWebPage = text == u"1";
    if (i == kKeptTextIndex) record.KeptServerText = text;
  }
  ReadInts(profile, record, kTestSwitches);
}

void SaveRegistryProfile(qav::AppProfile& profile, const CRegistryProfile& record) {
  WriteInts(profile, record, kLeadingInts);
  if (record.LoggingEnabled != 0 || profile.ProfileValueExists(kProfileSection, u"LoggingEnabled")) {
    profile.WriteProfileInt(kProfileSection, u"LoggingEnabled", record.LoggingEnabled);
  }
  profile.WriteProfileString(kProfileSection, u"Language", qav::ToUpperAscii(record.Language));
  WriteInts(profile, record, kTrailingInts);
  for (int i = 0; i < kServerStringCount; ++i) {
    std::u16string text;
    if (i == kReportByWebPageIndex) text = record.ReportProblemUsingWebPage ? u"1" : u"0";
    if (i == kKeptTextIndex) text = record.KeptServerText;
    profile.WriteProfileString(kProfileSection, ServerStringName(i), EncodeServerString(text));
  }
}
