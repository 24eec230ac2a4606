#include "foundation/settings.h"

#include <unistd.h>

#include <climits>
#include <filesystem>
#include <iterator>
#include <system_error>
#include <utility>
#include <vector>

#include "foundation/app_folders.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/mail_password.h"
#include "platform/autostart.h"
#include "platform/private_profile.h"
#include "platform/text.h"

// ---- The option variables, with their built-in defaults ---------------------------------------
// (The language defaults are filled in by SetDefaultOptions, once the language tables exist.)

COptionInt g_AnswerAllowed{1};
COptionInt g_AnswerAllowedOnline{1};
COptionInt g_SecB4AnsweringOnline{15};
COptionInt g_AnswerAllowedAway{1};
COptionInt g_SecB4AnsweringAway{2};
COptionInt g_MuteVolumeOnAnswer{1};
COptionInt g_TakeControlUserOption{1};
COptionText g_GreetingSoundMsgPath(std::u16string(u"greeting.wav"));
COptionInt g_GreetingVideoAllowed{1};
COptionText g_GreetingVideoMsgPath(std::u16string(u"greeting.avi"));
COptionInt g_GreetingTextMsgAllowed{1};
COptionText g_GreetingTextMsg;
COptionInt g_MaxRecordingDurationSec{120};
COptionInt g_EMailNotificationAllowed{0};
COptionInt g_EMailAttachmentAllowed{0};
COptionInt g_AutoDelMsgAfterEMailAllowed{0};
COptionInt g_UseNonAuthorizedCallerSettings{0};
COptionInt g_DisableAnswerOfNonAuthCaller{1};
COptionText g_GreetingSoundMsgPathForNonAuth(std::u16string(u"greeting.wav"));
COptionText g_GreetingTextMsgForNonAuth;
COptionInt g_GreetingTextMsgAllowedForNonAuth{0};
COptionInt g_MaxRecordingDurationForNonAuthSec{40};
COptionInt g_EMailNotificationAllowedForNonAuth{0};
COptionInt g_EMailAttachmentAllowedForNonAuth{0};
COptionInt g_AutoDelMsgAfterEMailAllowedForNonAuth{0};
COptionInt g_ConversationAutoRecordMode{0};
COptionInt g_RecConvAudioNotificationAllowed{1};
COptionInt g_RecConvTextNotificationStartAllowed{1};
COptionText g_RecConvTextNotificationTextMsgStart;
COptionInt g_RecConvTextNotificationStopAllowed{1};
COptionText g_RecConvTextNotificationTextMsgStop;
COptionInt g_ConversationAudioFileModeStereo{1};
COptionInt g_RejectCallWaitingQAVEnabled{0};
COptionInt g_RejectCallWaitingQAVTextEnabled{1};
COptionText g_RejectCallWaitingQAVTextMsg;
COptionInt g_RejectCallWaitingUserEnabled{0};
COptionInt g_RejectCallWaitingUserTextEnabled{1};
COptionText g_RejectCallWaitingUserTextMsg;
COptionInt g_AudioFileRecordingQuality{1};
COptionInt g_AudioFileRecordingFormat{0};
COptionText g_AudioPlaybackDeviceName;
COptionText g_AudioRecordingDeviceName;
COptionText g_YourEMailAddress;
COptionText g_SMTPServerAddress;
COptionInt g_SMTPServerPort{25};
COptionText g_EMailLoginName;
COptionText g_EMailLoginPass;
COptionInt g_SMTPSSLEnabled{0};
COptionInt g_SMTPSPAEnabled{0};
COptionInt g_EMailUserOwnSubjectLineAllow{0};
COptionText g_EMailUserOwnSubjectLineText;
COptionInt g_EMailOtherTOAddressAllow{0};
COptionText g_EMailOtherTOAddressText;
COptionText g_RcvdMsgsFolderPath;
COptionInt g_IsRcvdMsgsFolderLimited{0};
COptionInt g_RcvdMsgsFolderSize{0};
COptionText g_RecConvsFolderPath;
COptionInt g_IsRecConvsFolderNotified{0};
COptionInt g_RecConvsFolderSize{0};
COptionInt g_VoiceMsgDeleteConfirmation{1};
COptionInt g_ConversationDeleteConfirmation{1};
COptionInt g_ShowNumRecordingsInTab{1};
COptionInt g_ShowNumRecordingsInSysTray{1};
COptionInt g_EnableVSAProcessing{1};
COptionInt g_CallWaitingInfoTipShowedCount{0};
COptionInt g_ShowFrameVSAWhenDisabled{0};
COptionInt g_AdvancedSettingMode{0};
COptionInt g_WinStartUp{1};
COptionInt g_SkypeStartUp{1};
COptionInt g_RestoreWin{1};
COptionInt g_ShowBalloonTips{0};
COptionInt g_ScreenReaderFriendlyMode{0};
COptionInt g_NotifyAboutMajorVersionsOnly{1};
COptionText g_LanguageFilePath(std::u16string(u"Langauge/ZV_EN.lang"));
COptionTime g_LastCheckForUpdatesDate{0};
COptionText g_LastNotifiedVersionOnServer;
COptionTime g_LastNotifiedVersionOnServerDate{0};
COptionInt g_OpenSkypeDotComWhenMissingSkype{1};
COptionInt g_ShowOpenFolderButton{0};
COptionInt g_DebugFileLevel{8};

namespace {

enum class File { kUser, kGlobal };

enum class Kind {
  kInt,            // "%u", read back as a 32-bit integer
  kReadOnlyInt,    // read, never written by the program
  kTime,           // low 32 bits with "%u", read back unsigned
  kText,           // one line, 255 units
  kMultiLineText,  // line breaks stored as "/n"; the default is a language string
  kGreetingPath,   // the greeting path rule; the default is a file beside the program
  kFolderPath,     // a folder chosen by the user: one line, but longer than 255 units on Linux
  kPassword,       // enciphered (mail_password.h)
  kLanguagePath,   // handed to the language switch when read; written from the language hook
};

struct OptionKey {
  const char16_t* key;
  File file;
  Kind kind;
  COptionInt* number = nullptr;
  COptionTime* time = nullptr;
  COptionText* text = nullptr;
  int32_t intDefault = 0;
  const char16_t* textDefault = u"";
  int langId = 0;
};

// Every key, in the order the files have always been read and written.
const OptionKey kOptions[] = {
    {.key = u"AnswerAllowed", .file = File::kUser, .kind = Kind::kInt, .number = &g_AnswerAllowed, .intDefault = 1},
    {.key = u"AnswerAllowedOnline", .file = File::kUser, .kind = Kind::kInt, .number = &g_AnswerAllowedOnline, .intDefault = 1},
    {.key = u"SecB4AnsweringOnline", .file = File::kUser, .kind = Kind::kInt, .number = &g_SecB4AnsweringOnline, .intDefault = 15},
    {.key = u"AnswerAllowedAway", .file = File::kUser, .kind = Kind::kInt, .number = &g_AnswerAllowedAway, .intDefault = 1},
    {.key = u"SecB4AnsweringAway", .file = File::kUser, .kind = Kind::kInt, .number = &g_SecB4AnsweringAway, .intDefault = 2},
    {.key = u"MuteVolumeOnAnswer", .file = File::kUser, .kind = Kind::kInt, .number = &g_MuteVolumeOnAnswer, .intDefault = 1},
    {.key = u"TakeControlUserOption", .file = File::kUser, .kind = Kind::kInt, .number = &g_TakeControlUserOption, .intDefault = 1},
    {.key = u"GreetingSoundMsgPath", .file = File::kUser, .kind = Kind::kGreetingPath, .text = &g_GreetingSoundMsgPath, .textDefault = u"greeting.wav"},
    {.key = u"GreetingVideoAllowed", .file = File::kUser, .kind = Kind::kInt, .number = &g_GreetingVideoAllowed, .intDefault = 1},
    {.key = u"GreetingVideoMsgPath", .file = File::kUser, .kind = Kind::kGreetingPath, .text = &g_GreetingVideoMsgPath, .textDefault = u"greeting.avi"},
    {.key = u"GreetingTextMsgAllowed", .file = File::kUser, .kind = Kind::kInt, .number = &g_GreetingTextMsgAllowed, .intDefault = 1},
    {.key = u"GreetingTextMsg", .file = File::kUser, .kind = Kind::kMultiLineText, .text = &g_GreetingTextMsg, .langId = 650},
    {.key = u"MaxRecordingDurationSec", .file = File::kUser, .kind = Kind::kInt, .number = &g_MaxRecordingDurationSec, .intDefault = 120},
    {.key = u"EMailNotificationAllowed", .file = File::kUser, .kind = Kind::kInt, .number = &g_EMailNotificationAllowed, .intDefault = 0},
    {.key = u"EMailAttachmentAllowed", .file = File::kUser, .kind = Kind::kInt, .number = &g_EMailAttachmentAllowed, .intDefault = 0},
    {.key = u"AutoDelMsgAfterEMailAllowed", .file = File::kUser, .kind = Kind::kInt, .number = &g_AutoDelMsgAfterEMailAllowed, .intDefault = 0},
    {.key = u"UseNonAuthorizedCallerSettings", .file = File::kUser, .kind = Kind::kInt, .number = &g_UseNonAuthorizedCallerSettings, .intDefault = 0},
    {.key = u"DisableAnswerOfNonAuthCaller", .file = File::kUser, .kind = Kind::kInt, .number = &g_DisableAnswerOfNonAuthCaller, .intDefault = 1},
    {.key = u"GreetingSoundMsgPathForNonAuth", .file = File::kUser, .kind = Kind::kGreetingPath, .text = &g_GreetingSoundMsgPathForNonAuth, .textDefault = u"greeting.wav"},
    {.key = u"GreetingTextMsgForNonAuth", .file = File::kUser, .kind = Kind::kMultiLineText, .text = &g_GreetingTextMsgForNonAuth, .langId = 650},
    {.key = u"GreetingTextMsgAllowedForNonAuth", .file = File::kUser, .kind = Kind::kInt, .number = &g_GreetingTextMsgAllowedForNonAuth, .intDefault = 0},
    {.key = u"MaxRecordingDurationForNonAuthSec", .file = File::kUser, .kind = Kind::kInt, .number = &g_MaxRecordingDurationForNonAuthSec, .intDefault = 40},
    {.key = u"EMailNotificationAllowedForNonAuth", .file = File::kUser, .kind = Kind::kInt, .number = &g_EMailNotificationAllowedForNonAuth, .intDefault = 0},
    {.key = u"EMailAttachmentAllowedForNonAuth", .file = File::kUser, .kind = Kind::kInt, .number = &g_EMailAttachmentAllowedForNonAuth, .intDefault = 0},
    {.key = u"AutoDelMsgAfterEMailAllowedForNonAuth", .file = File::kUser, .kind = Kind::kInt, .number = &g_AutoDelMsgAfterEMailAllowedForNonAuth, .intDefault = 0},
    {.key = u"ConversationAutoRecordMode", .file = File::kUser, .kind = Kind::kInt, .number = &g_ConversationAutoRecordMode, .intDefault = 0},
    {.key = u"RecConvAudioNotificationAllowed", .file = File::kUser, .kind = Kind::kInt, .number = &g_RecConvAudioNotificationAllowed, .intDefault = 1},
    {.key = u"RecConvTextNotificationStartAllowed", .file = File::kUser, .kind = Kind::kInt, .number = &g_RecConvTextNotificationStartAllowed, .intDefault = 1},
    {.key = u"RecConvTextNotificationTextMsgStart", .file = File::kUser, .kind = Kind::kMultiLineText, .text = &g_RecConvTextNotificationTextMsgStart, .langId = 720},
    {.key = u"RecConvTextNotificationStopAllowed", .file = File::kUser, .kind = Kind::kInt, .number = &g_RecConvTextNotificationStopAllowed, .intDefault = 1},
    {.key = u"RecConvTextNotificationTextMsgStop", .file = File::kUser, .kind = Kind::kMultiLineText, .text = &g_RecConvTextNotificationTextMsgStop, .langId = 721},
    {.key = u"ConversationAudioFileModeStereo", .file = File::kUser, .kind = Kind::kInt, .number = &g_ConversationAudioFileModeStereo, .intDefault = 1},
    {.key = u"RejectCallWaitingQAVEnabled", .file = File::kUser, .kind = Kind::kInt, .number = &g_RejectCallWaitingQAVEnabled, .intDefault = 0},
    {.key = u"RejectCallWaitingQAVTextEnabled", .file = File::kUser, .kind = Kind::kInt, .number = &g_RejectCallWaitingQAVTextEnabled, .intDefault = 1},
    {.key = u"RejectCallWaitingQAVTextMsg", .file = File::kUser, .kind = Kind::kMultiLineText, .text = &g_RejectCallWaitingQAVTextMsg, .langId = 765},
    {.key = u"RejectCallWaitingUserEnabled", .file = File::kUser, .kind = Kind::kInt, .number = &g_RejectCallWaitingUserEnabled, .intDefault = 0},
    {.key = u"RejectCallWaitingUserTextEnabled", .file = File::kUser, .kind = Kind::kInt, .number = &g_RejectCallWaitingUserTextEnabled, .intDefault = 1},
    {.key = u"RejectCallWaitingUserTextMsg", .file = File::kUser, .kind = Kind::kMultiLineText, .text = &g_RejectCallWaitingUserTextMsg, .langId = 766},
    {.key = u"AudioFileRecordingQuality", .file = File::kUser, .kind = Kind::kInt, .number = &g_AudioFileRecordingQuality, .intDefault = 1},
    {.key = u"AudioFileRecordingFormat", .file = File::kUser, .kind = Kind::kInt, .number = &g_AudioFileRecordingFormat, .intDefault = 0},
    {.key = u"AudioPlaybackDeviceName", .file = File::kUser, .kind = Kind::kText, .text = &g_AudioPlaybackDeviceName, .textDefault = u""},
    {.key = u"AudioRecordingDeviceName", .file = File::kUser, .kind = Kind::kText, .text = &g_AudioRecordingDeviceName, .textDefault = u""},
    {.key = u"YourEMailAddress", .file = File::kUser, .kind = Kind::kText, .text = &g_YourEMailAddress, .textDefault = u""},
    {.key = u"SMTPServerAddress", .file = File::kUser, .kind = Kind::kText, .text = &g_SMTPServerAddress, .textDefault = u""},
    {.key = u"SMTPServerPort", .file = File::kUser, .kind = Kind::kInt, .number = &g_SMTPServerPort, .intDefault = 25},
    {.key = u"EMailLoginName", .file = File::kUser, .kind = Kind::kText, .text = &g_EMailLoginName, .textDefault = u""},
    {.key = u"EMailLoginPass", .file = File::kUser, .kind = Kind::kPassword, .text = &g_EMailLoginPass, .textDefault = u""},
    {.key = u"SMTPSSLEnabled", .file = File::kUser, .kind = Kind::kInt, .number = &g_SMTPSSLEnabled, .intDefault = 0},
    {.key = u"SMTPSPAEnabled", .file = File::kUser, .kind = Kind::kInt, .number = &g_SMTPSPAEnabled, .intDefault = 0},
    {.key = u"EMailUserOwnSubjectLineAllow", .file = File::kUser, .kind = Kind::kInt, .number = &g_EMailUserOwnSubjectLineAllow, .intDefault = 0},
    {.key = u"EMailUserOwnSubjectLineText", .file = File::kUser, .kind = Kind::kText, .text = &g_EMailUserOwnSubjectLineText, .textDefault = u""},
    {.key = u"EMailOtherTOAddressAllow", .file = File::kUser, .kind = Kind::kInt, .number = &g_EMailOtherTOAddressAllow, .intDefault = 0},
    {.key = u"EMailOtherTOAddressText", .file = File::kUser, .kind = Kind::kText, .text = &g_EMailOtherTOAddressText, .textDefault = u""},
    {.key = u"RcvdMsgsFolderPath", .file = File::kUser, .kind = Kind::kFolderPath, .text = &g_RcvdMsgsFolderPath, .textDefault = u""},
    {.key = u"IsRcvdMsgsFolderLimited", .file = File::kUser, .kind = Kind::kInt, .number = &g_IsRcvdMsgsFolderLimited, .intDefault = 0},
    {.key = u"RcvdMsgsFolderSize", .file = File::kUser, .kind = Kind::kInt, .number = &g_RcvdMsgsFolderSize, .intDefault = 0},
    {.key = u"RecConvsFolderPath", .file = File::kUser, .kind = Kind::kFolderPath, .text = &g_RecConvsFolderPath, .textDefault = u""},
    {.key = u"IsRecConvsFolderNotified", .file = File::kUser, .kind = Kind::kInt, .number = &g_IsRecConvsFolderNotified, .intDefault = 0},
    {.key = u"RecConvsFolderSize", .file = File::kUser, .kind = Kind::kInt, .number = &g_RecConvsFolderSize, .intDefault = 0},
    {.key = u"VoiceMsgDeleteConfirmation", .file = File::kUser, .kind = Kind::kInt, .number = &g_VoiceMsgDeleteConfirmation, .intDefault = 1},
    {.key = u"ConversationDeleteConfirmation", .file = File::kUser, .kind = Kind::kInt, .number = &g_ConversationDeleteConfirmation, .intDefault = 1},
    {.key = u"ShowNumRecordingsInTab", .file = File::kUser, .kind = Kind::kInt, .number = &g_ShowNumRecordingsInTab, .intDefault = 1},
    {.key = u"ShowNumRecordingsInSysTray", .file = File::kUser, .kind = Kind::kInt, .number = &g_ShowNumRecordingsInSysTray, .intDefault = 1},
    {.key = u"EnableVSAProcessing", .file = File::kUser, .kind = Kind::kInt, .number = &g_EnableVSAProcessing, .intDefault = 1},
    {.key = u"CallWaitingInfoTipShowedCount", .file = File::kUser, .kind = Kind::kInt, .number = &g_CallWaitingInfoTipShowedCount, .intDefault = 0},
    {.key = u"ShowFrameVSAWhenDisabled", .file = File::kUser, .kind = Kind::kInt, .number = &g_ShowFrameVSAWhenDisabled, .intDefault = 0},
    {.key = u"AdvancedSettingMode", .file = File::kGlobal, .kind = Kind::kInt, .number = &g_AdvancedSettingMode, .intDefault = 0},
    {.key = u"WinStartUp", .file = File::kGlobal, .kind = Kind::kInt, .number = &g_WinStartUp, .intDefault = 1},
    {.key = u"SkypeStartUp", .file = File::kGlobal, .kind = Kind::kInt, .number = &g_SkypeStartUp, .intDefault = 1},
    {.key = u"RestoreWin", .file = File::kGlobal, .kind = Kind::kInt, .number = &g_RestoreWin, .intDefault = 1},
    {.key = u"ShowBalloonTips", .file = File::kGlobal, .kind = Kind::kInt, .number = &g_ShowBalloonTips, .intDefault = 0},
    {.key = u"ScreenReaderFriendlyMode", .file = File::kGlobal, .kind = Kind::kInt, .number = &g_ScreenReaderFriendlyMode, .intDefault = 0},
    {.key = u"NotifyAboutMajorVersionsOnly", .file = File::kGlobal, .kind = Kind::kInt, .number = &g_NotifyAboutMajorVersionsOnly, .intDefault = 1},
    {.key = u"LanguageFilePath", .file = File::kGlobal, .kind = Kind::kLanguagePath, .text = &g_LanguageFilePath, .textDefault = u"Langauge/ZV_EN.lang"},
    {.key = u"LastCheckForUpdatesDate", .file = File::kGlobal, .kind = Kind::kTime, .time = &g_LastCheckForUpdatesDate},
    {.key = u"LastNotifiedVersionOnServer", .file = File::kGlobal, .kind = Kind::kText, .text = &g_LastNotifiedVersionOnServer, .textDefault = u""},
    {.key = u"LastNotifiedVersionOnServerDate", .file = File::kGlobal, .kind = Kind::kTime, .time = &g_LastNotifiedVersionOnServerDate},
    {.key = u"OpenSkypeDotComWhenMissingSkype", .file = File::kGlobal, .kind = Kind::kInt, .number = &g_OpenSkypeDotComWhenMissingSkype, .intDefault = 1},
    {.key = u"ShowOpenFolderButton", .file = File::kGlobal, .kind = Kind::kReadOnlyInt, .number = &g_ShowOpenFolderButton, .intDefault = 0},
    {.key = u"DebugFileLevel", .file = File::kGlobal, .kind = Kind::kInt, .number = &g_DebugFileLevel, .intDefault = 8},
};

constexpr std::u16string_view kSection = u"Settings";

// What the file holds for a multi-line text: each line break as "/n".
std::u16string MultiLineToStored(std::u16string_view text) {
  std::u16string s = qav::ReplaceAll(text, u"\r\n", u"/n");
  s = qav::ReplaceAll(s, u"\n\r", u"/n");
  s = qav::ReplaceAll(s, u"\n", u"/n");
  return qav::ReplaceAll(s, u"\r", u"/n");  // a lone CR is a line break too, and may not reach the file
}

std::u16string MultiLineFromStored(std::u16string_view stored) { return qav::ReplaceAll(stored, u"/n", u"\r\n"); }

// After reading: the bare default file name means the file beside the program; a path that begins
// with ":" is relative to the program's drive (its mount point here).
std::u16string ApplyGreetingPathRule(std::u16string value, std::u16string_view defaultFileName) {
  if (value == defaultFileName) value = GetAppFolder() + value;
  if (!value.empty() && value[0] == u':') value = GetAppDrive() + value.substr(1);
  return value;
}

// In portable mode a greeting path on the program's drive is stored without that drive, as ":"
// and the rest of the path, so it follows the medium to wherever it is mounted next time.
std::u16string StoredGreetingPath(const std::u16string& path) {
  if (!g_RemovableMode) return path;
  const std::u16string drive = GetAppDrive();
  if (path.size() > drive.size() && path.compare(0, drive.size(), drive) == 0 && path[drive.size()] == u'/') {
    return u":" + path.substr(drive.size());
  }
  return path;
}

size_t BufferFor(Kind kind) {
  return kind == Kind::kGreetingPath || kind == Kind::kFolderPath || kind == Kind::kLanguagePath ? kIniPathBuffer
                                                                                                  : kIniTextBuffer;
}

std::u16string TextDefault(const OptionKey& o) {
  switch (o.kind) {
    case Kind::kMultiLineText: return GetLangString(o.langId);
    case Kind::kGreetingPath: return ApplyGreetingPathRule(o.textDefault, o.textDefault);
    default: return o.textDefault;
  }
}

void SetToDefault(const OptionKey& o) {
  if (o.number) *o.number = o.intDefault;
  if (o.time) *o.time = 0;
  if (o.text) *o.text = TextDefault(o);
}

// The per-user read of one key, by its kind.
void LoadUserOption(const OptionKey& o) {
  switch (o.kind) {
    case Kind::kInt:
    case Kind::kReadOnlyInt:
      *o.number = GetUserIniInt(o.key, o.intDefault);
      break;
    case Kind::kTime:
      *o.time = static_cast<int64_t>(static_cast<uint32_t>(GetUserIniInt(o.key, 0)));
      break;
    case Kind::kText:
    case Kind::kFolderPath:
    case Kind::kLanguagePath:
      *o.text = GetUserIniString(o.key, o.textDefault, BufferFor(o.kind));
      break;
    case Kind::kMultiLineText:
      *o.text = MultiLineFromStored(GetUserIniString(o.key, MultiLineToStored(GetLangString(o.langId))));
      break;
    case Kind::kGreetingPath:
      *o.text = ApplyGreetingPathRule(GetUserIniString(o.key, o.textDefault, kIniPathBuffer), o.textDefault);
      break;
    case Kind::kPassword: {
      const std::u16string stored = GetUserIniString(o.key, u"");
      const auto password = DecodeMailPassword(stored, [&] {
        return qav::GetPrivateProfileStringBytes(kSection, o.key, u"", 256, GetIniFilePath());
      });
      if (!password) {
        QAV_LOG(LOG_WARNING, u"LoadAnswerSettings: the stored %s cannot be deciphered; it is left empty", o.key);
      }
      *o.text = password.value_or(u"");
      break;
    }
  }
}

void LoadGlobalOption(const OptionKey& o) {
  switch (o.kind) {
    case Kind::kInt:
    case Kind::kReadOnlyInt:
      *o.number = ReadIniInt(o.key, o.intDefault);
      break;
    case Kind::kTime:
      // Stored as the low 32 bits: read back unsigned, so times after 2038 keep their value.
      *o.time = static_cast<int64_t>(ReadIniUInt(o.key, 0));
      break;
    case Kind::kLanguagePath: {
      const std::u16string path = GetGlobalIniString(o.key, o.textDefault, kIniPathBuffer);
      *o.text = path;
      const CSettingsHooks hooks = GetSettingsHooks();
      if (hooks.applyLanguage) hooks.applyLanguage(path);
      break;
    }
    default:
      *o.text = GetGlobalIniString(o.key, o.textDefault, BufferFor(o.kind));
      break;
  }
}

// The text one key is written as; nullopt for a key that is not written.
std::optional<std::u16string> StoredValue(const OptionKey& o) {
  switch (o.kind) {
    case Kind::kInt: return qav::Format(u"%u", o.number->Get());
    case Kind::kReadOnlyInt: return std::nullopt;
    case Kind::kTime: return qav::Format(u"%u", static_cast<uint32_t>(o.time->Get()));
    case Kind::kMultiLineText: return IniStoredText(MultiLineToStored(o.text->Get()));
    case Kind::kGreetingPath: return IniStoredText(StoredGreetingPath(o.text->Get()));
    case Kind::kPassword: return IniStoredText(EncodeMailPassword(o.text->Get()));
    case Kind::kLanguagePath: {
      const CSettingsHooks hooks = GetSettingsHooks();
      return IniStoredText(hooks.languageFilePath ? hooks.languageFilePath() : o.text->Get());
    }
    default: return IniStoredText(o.text->Get());
  }
}

// Writes every key of one file in one save.
void SaveKeys(File file, const std::u16string& path, const char16_t* caller) {
  std::vector<std::pair<std::u16string, std::u16string>> entries;
  for (const auto& o : kOptions) {
    if (o.file != file) continue;
    if (auto value = StoredValue(o)) entries.emplace_back(o.key, std::move(*value));
  }
  if (path.empty() || !qav::WritePrivateProfileStrings(kSection, entries, path)) {
    QAV_LOG(LOG_WARNING, u"%s: the settings could not be written to [%s]", caller, path);
  }
}

}  // namespace

void SetDefaultOptions() {
  for (const auto& o : kOptions) {
    if (o.file != File::kUser || o.number == &g_ShowFrameVSAWhenDisabled) continue;
    SetToDefault(o);
  }
}

// A handle that cannot name a folder counts as no current user for the whole-set load and save.
void LoadAnswerSettings() {
  if (GetUserIniPath().empty()) {
    SetDefaultOptions();
    return;
  }
  for (const auto& o : kOptions) {
    if (o.file == File::kUser) LoadUserOption(o);
  }
}

void SaveAnswerSettings() {
  const std::u16string path = GetUserIniPath();  // creates the per-user folder
  if (path.empty()) return;
  SaveKeys(File::kUser, path, u"SaveAnswerSettings");
}

void LoadSettings() {
  LoadAnswerSettings();
  for (const auto& o : kOptions) {
    if (o.file == File::kGlobal) LoadGlobalOption(o);
  }
}

void ResetSettingsToFactoryDefaults() {
  // The recordings stay where they are: with their folders back at the default, every recording the
  // user had moved would drop out of the lists while its files stay on disk.
  const std::u16string messagesRoot = g_RcvdMsgsFolderPath.Get();
  const std::u16string conversationsRoot = g_RecConvsFolderPath.Get();
  const bool userKnown = !GetCurrentUserHandle().empty();
  std::error_code ignored;
  std::filesystem::remove(qav::U8(GetIniFilePath()), ignored);
  if (userKnown) std::filesystem::remove(qav::U8(GetUserIniPath()), ignored);
  LoadSettings();
  // Without a user the user's own file, which holds the folders, stays as it is.
  if (!userKnown) return;
  const std::pair<COptionText*, const char16_t*> kept[] = {{&g_RcvdMsgsFolderPath, u"RcvdMsgsFolderPath"},
                                                           {&g_RecConvsFolderPath, u"RecConvsFolderPath"}};
  const std::u16string roots[] = {messagesRoot, conversationsRoot};
  for (size_t i = 0; i < std::size(kept); ++i) {
    if (roots[i].empty() || roots[i] == kept[i].first->Get()) continue;
    *kept[i].first = roots[i];
    WriteUserIniString(kept[i].second, roots[i]);
  }
}

void SaveSettings() {
  SaveAnswerSettings();
  SaveKeys(File::kGlobal, GetIniFilePath(), u"SaveSettings");
  UpdateStartupShortcut();
}

void LoadPlayMsgWindowPos(CPoint& point) {
  point.y = ReadIniInt(u"PlayMsgWinTop", -1);
  point.x = ReadIniInt(u"PlayMsgWinLeft", -1);
}

void SavePlayMsgWindowPos(const CPoint& point) {
  WriteIniInt(u"PlayMsgWinTop", point.y);
  WriteIniInt(u"PlayMsgWinLeft", point.x);
}

bool CheckRequiredSettings() {
  return g_YourEMailAddress.IsEmpty() || g_SMTPServerAddress.IsEmpty() || g_SMTPServerPort == 0;
}

void UpdateStartupShortcut() {
  if (g_RemovableMode) return;
  const std::u16string folder = GetSpecialFolderPath(CSIDL_STARTUP);
  if (folder.empty()) {
    QAV_LOG(LOG_WARNING, u"UpdateStartupShortcut: no autostart folder");
    return;
  }
  if (g_WinStartUp) {
    const std::u16string program = GetRunningProgramPath();
    if (program.empty() || !qav::WriteAutostartEntry(folder, u"QAV", program, u"QAV")) {
      QAV_LOG(LOG_WARNING, u"UpdateStartupShortcut: the autostart entry could not be written");
    }
  } else {
    qav::RemoveAutostartEntry(folder, u"QAV");
  }
  // The entry older versions made under the product's longer title goes in any case.
  qav::RemoveAutostartEntry(folder, u"QAV Answering Machine");
}
