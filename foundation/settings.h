// The settings store: the option variables, with their built-in defaults, loaded and saved as a
// whole from the two settings files (docs/settings.md).
//
// Each option is a program-wide variable named g_ + its key. Any thread may read them; they are
// written by the loads below, by the option pages and by the few handlers that change one option
// (option_value.h says how a reader never sees a value half written). Loads and saves run on the
// GUI thread, except the reload when the current user becomes known, on the dispatcher thread.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/option_value.h"
#include "foundation/settings_folders.h"
#include "foundation/settings_hooks.h"
#include "foundation/settings_ini.h"

// ---- Per-user options (the per-user file, falling back to the global file key by key) ----------
extern COptionInt g_AnswerAllowed;
extern COptionInt g_AnswerAllowedOnline;
extern COptionInt g_SecB4AnsweringOnline;
extern COptionInt g_AnswerAllowedAway;
extern COptionInt g_SecB4AnsweringAway;
extern COptionInt g_MuteVolumeOnAnswer;
extern COptionInt g_TakeControlUserOption;
extern COptionText g_GreetingSoundMsgPath;
extern COptionInt g_GreetingVideoAllowed;
extern COptionText g_GreetingVideoMsgPath;
extern COptionInt g_GreetingTextMsgAllowed;
extern COptionText g_GreetingTextMsg;
extern COptionInt g_MaxRecordingDurationSec;
extern COptionInt g_EMailNotificationAllowed;
extern COptionInt g_EMailAttachmentAllowed;
extern COptionInt g_AutoDelMsgAfterEMailAllowed;
extern COptionInt g_UseNonAuthorizedCallerSettings;
extern COptionInt g_DisableAnswerOfNonAuthCaller;
extern COptionText g_GreetingSoundMsgPathForNonAuth;
extern COptionText g_GreetingTextMsgForNonAuth;
extern COptionInt g_GreetingTextMsgAllowedForNonAuth;
extern COptionInt g_MaxRecordingDurationForNonAuthSec;
extern COptionInt g_EMailNotificationAllowedForNonAuth;
extern COptionInt g_EMailAttachmentAllowedForNonAuth;
extern COptionInt g_AutoDelMsgAfterEMailAllowedForNonAuth;
extern COptionInt g_ConversationAutoRecordMode;
extern COptionInt g_RecConvAudioNotificationAllowed;
extern COptionInt g_RecConvTextNotificationStartAllowed;
extern COptionText g_RecConvTextNotificationTextMsgStart;
extern COptionInt g_RecConvTextNotificationStopAllowed;
extern COptionText g_RecConvTextNotificationTextMsgStop;
extern COptionInt g_ConversationAudioFileModeStereo;
extern COptionInt g_RejectCallWaitingQAVEnabled;
extern COptionInt g_RejectCallWaitingQAVTextEnabled;
extern COptionText g_RejectCallWaitingQAVTextMsg;
extern COptionInt g_RejectCallWaitingUserEnabled;
extern COptionInt g_RejectCallWaitingUserTextEnabled;
extern COptionText g_RejectCallWaitingUserTextMsg;
extern COptionInt g_AudioFileRecordingQuality;
extern COptionInt g_AudioFileRecordingFormat;
extern COptionText g_AudioPlaybackDeviceName;
extern COptionText g_AudioRecordingDeviceName;
extern COptionText g_YourEMailAddress;
extern COptionText g_SMTPServerAddress;
extern COptionInt g_SMTPServerPort;
extern COptionText g_EMailLoginName;
extern COptionText g_EMailLoginPass;
extern COptionInt g_SMTPSSLEnabled;
extern COptionInt g_SMTPSPAEnabled;
extern COptionInt g_EMailUserOwnSubjectLineAllow;
extern COptionText g_EMailUserOwnSubjectLineText;
extern COptionInt g_EMailOtherTOAddressAllow;
extern COptionText g_EMailOtherTOAddressText;
extern COptionText g_RcvdMsgsFolderPath;
extern COptionInt g_IsRcvdMsgsFolderLimited;
extern COptionInt g_RcvdMsgsFolderSize;
extern COptionText g_RecConvsFolderPath;
extern COptionInt g_IsRecConvsFolderNotified;
extern COptionInt g_RecConvsFolderSize;
extern COptionInt g_VoiceMsgDeleteConfirmation;
extern COptionInt g_ConversationDeleteConfirmation;
extern COptionInt g_ShowNumRecordingsInTab;
extern COptionInt g_ShowNumRecordingsInSysTray;
extern COptionInt g_EnableVSAProcessing;
extern COptionInt g_CallWaitingInfoTipShowedCount;
extern COptionInt g_ShowFrameVSAWhenDisabled;

// ---- Application-wide options (the global file) ------------------------------------------------
extern COptionInt g_AdvancedSettingMode;
extern COptionInt g_WinStartUp;
extern COptionInt g_SkypeStartUp;
extern COptionInt g_RestoreWin;
extern COptionInt g_ShowBalloonTips;
extern COptionInt g_ScreenReaderFriendlyMode;
extern COptionInt g_NotifyAboutMajorVersionsOnly;
extern COptionText g_LanguageFilePath;
extern COptionTime g_LastCheckForUpdatesDate;
extern COptionText g_LastNotifiedVersionOnServer;
extern COptionTime g_LastNotifiedVersionOnServerDate;
extern COptionInt g_OpenSkypeDotComWhenMissingSkype;
extern COptionInt g_ShowOpenFolderButton;
extern COptionInt g_DebugFileLevel;

// Every per-user option to its default (language defaults looked up now, greeting paths by the
// path rule); ShowFrameVSAWhenDisabled keeps its value. The application-wide options stay.
void SetDefaultOptions();
// Without a current user: SetDefaultOptions, nothing read. Otherwise every per-user key, each with
// its default.
void LoadAnswerSettings();
// Without a current user nothing is written. Otherwise every per-user key.
void SaveAnswerSettings();
// LoadAnswerSettings, then the application-wide keys; right after LanguageFilePath is read the
// language switch hook gets it.
void LoadSettings();
// The factory reset: deletes the global settings file and the current user's (when there is one)
// and loads every option's default, except the two recording folders of a current user, which keep
// their locations (in memory and in the user's file) so that the recordings stay listed.
void ResetSettingsToFactoryDefaults();
// SaveAnswerSettings, then the application-wide keys (LanguageFilePath from the language-path hook;
// ShowOpenFolderButton and the player position are not written here), then UpdateStartupShortcut.
void SaveSettings();

// The player window's remembered corner (PlayMsgWinLeft, PlayMsgWinTop in the global file); -1 each
// when none is stored.
struct CPoint {
  int32_t x = -1;
  int32_t y = -1;
};
void LoadPlayMsgWindowPos(CPoint& point);
void SavePlayMsgWindowPos(const CPoint& point);

// True when the e-mail settings are incomplete: no sender address, no SMTP server or port 0.
bool CheckRequiredSettings();

// Keeps the autostart entry in line with WinStartUp (nothing in portable mode).
void UpdateStartupShortcut();
