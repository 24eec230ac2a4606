#include "ui/options/dlg_opt_greeting.h"

#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "audio/audio_driver.h"
#include "audio/fd_io.h"
#include "audio/greeting_memory.h"
#include "audio/wave_utils.h"
#include "foundation/app_folders.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "foundation/settings_folders.h"
#include "platform/atomic_file.h"
#include "platform/folders.h"
#include "platform/leftover_files.h"
#include "platform/message_box.h"
#include "platform/message_loop.h"
#include "platform/text.h"
#include "ui/controls/button_ssl.h"
#include "ui/controls/number_edit.h"
#include "ui/controls/wait_cursor.h"
#include "ui/options/icon_button_bar.h"
#include "ui/options/options_page_site.h"
#include "ui/sheet/sheet_services.h"

namespace {
constexpr int kPlayImage = 0;
constexpr int kStopImage = 1;
constexpr int kRecordImage = 2;
constexpr int kResetImage = 4;
constexpr int kBrowseImage = 5;
// The text greeting shows this many lines before it scrolls.
constexpr int kTextLines = 4;
// The length edit is as wide as this many digits.
constexpr int kLengthDigits = 6;
// The e-mail switches stand in under the one they depend on.
constexpr int kIndent = 16;

void RemoveFile(const std::u16string& path) {
  if (!path.empty()) std::remove(qav::U8(path).c_str());
}

// Tries the file alone as a greeting; reading a long MP3 takes a moment.
bool TryAsGreeting(const std::u16string& path) {
  const WaitCursor wait;
  return LoadsAsGreeting(path);
}

// The folder part of a path, with its "/"; "" for a bare name.
std::u16string FolderOf(const std::u16string& path) {
  const size_t slash = path.rfind(u'/');
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash + 1);
}

// The file name without its folder and its extension.
std::u16string StemOf(const std::u16string& path) {
  std::u16string name = path.substr(FolderOf(path).size());
  const size_t dot = name.rfind(u'.');
  if (dot != std::u16string::npos && dot > 0) name.resize(dot);
  return name;
}

// The user's own folder: where a greeting of theirs belongs when the current one is the program's.
std::u16string UsersOwnFolder() {
  std::u16string folder = GetUserDataFolder();
  if (folder.empty()) folder = GetAppDataFolder();
  if (folder.empty() || folder == GetAppFolder()) folder = qav::WithTrailingSlash(QDir::homePath().toStdU16String());
  return folder;
}

// The name the save dialog offers for a new recording: the current greeting's name with the
// extension of what was recorded, so that keeping it never puts MP3 data under a ".wav" name. The
// program's folder holds the shipped greeting, which is never offered to be replaced: a greeting
// there is offered under its name in the user's own folder. Another existing file (the other
// callers' greeting, an older recording) is not offered either: a number goes after the name.
std::u16string SuggestedRecordingName(const std::u16string& current, const std::u16string& extension) {
  constexpr int kMostNumbers = 100;
  std::u16string folder = FolderOf(current);
  std::u16string stem = StemOf(current);
  if (stem.empty()) stem = u"greeting";
  if (folder.empty() || folder == GetAppFolder()) folder = UsersOwnFolder();
  std::u16string name = folder + stem + u"." + extension;
  for (int n = 2; n <= kMostNumbers && name != current && qav::PathExists(name); ++n) {
    name = folder + stem + u" " + qav::Utf8ToUtf16(std::to_string(n)) + u"." + extension;
  }
  return name;
}

// The chosen name with the recording's extension in place of its own (or added when it has none).
std::u16string WithExtension(const std::u16string& path, const std::u16string& extension) {
  return FolderOf(path) + StemOf(path) + u"." + extension;
}
}  // namespace

CDlgOptGreeting::CDlgOptGreeting(COptionsPageSite& site, int dialogId, const char* className,
                                 const Settings& settings, QWidget* parent)
    : COptionChild(site, dialogId, className, parent), m_settings(settings) {
  const ControlIds& ids = m_settings.ids;
  m_header = Add<QGroupBox>(ids.header, "settingsFrame");
  m_greetingGroup = Add<QGroupBox>(ids.group, "greetingGroup");
  m_voiceLabel = Add<QLabel>(ids.voiceLabel, "voiceLabel");
  m_voicePath = Add<QLineEdit>(ids.voicePath, "voicePath");
  m_browse = Add<CButtonSSL>(ids.browse, "browseVoice");
  m_play = Add<CButtonSSL>(ids.play, "playVoice");
  m_record = Add<CButtonSSL>(ids.record, "recordVoice");
  m_textLabel = Add<QLabel>(ids.textLabel, "textLabel");
  m_textAllowed = Add<QCheckBox>(ids.textSwitch, "textAllowed");
  m_text = AddTextEdit(ids.text, "text", kMaxTextLength, [this] { OnChangeEditGreetingTextMsg(); });
  m_reset = Add<CButtonSSL>(ids.reset, "resetText");
  m_lengthGroup = Add<QGroupBox>(ids.lengthGroup, "lengthGroup");
  m_maxDuration = Add<CNumberEdit>(ids.lengthEdit, "maxDuration");
  m_lengthLabel = Add<QLabel>(ids.lengthLabel, "lengthLabel");
  m_mailGroup = Add<QGroupBox>(ids.mailGroup, "mailGroup");
  m_mail = Add<QCheckBox>(ids.mail, "mailNotice");
  m_attach = Add<QCheckBox>(ids.attach, "attachAudio");
  m_delete = Add<QCheckBox>(ids.deleteAfterMail, "deleteAfterMail");
  Arrange();

  m_voicePath->setReadOnly(true);
  ColourIconButton(m_browse, kBrowseImage);
  ColourIconButton(m_play, kPlayImage);
  ColourIconButton(m_record, kRecordImage);
  ColourIconButton(m_reset, kResetImage);
  connect(m_browse, &CButtonSSL::clicked, this, &CDlgOptGreeting::OnButtonGreetingAudioBrowse);
  connect(m_play, &CButtonSSL::clicked, this, &CDlgOptGreeting::OnButtonGreetingAudioPlay);
  connect(m_record, &CButtonSSL::clicked, this, &CDlgOptGreeting::OnButtonGreetingAudioRecord);
  connect(m_textAllowed, &QCheckBox::clicked, this, &CDlgOptGreeting::OnCheckGreetingTextMsgEnabled);
  connect(m_reset, &CButtonSSL::clicked, this, &CDlgOptGreeting::OnButtonResetTextGreeting);
  connect(m_maxDuration, &QLineEdit::textChanged, this, &CDlgOptGreeting::OnChangeEditMaxRecordingDuration);
  connect(m_mail, &QCheckBox::clicked, this, &CDlgOptGreeting::OnCheckEMailNotificationAllowed);
  connect(m_attach, &QCheckBox::clicked, this, &CDlgOptGreeting::OnCheckEMailAttachmentAllowed);
  connect(m_delete, &QCheckBox::clicked, this, &CDlgOptGreeting::OnCheckAutoDeleteAfterEmailAllow);
}

CDlgOptGreeting::~CDlgOptGreeting() {
  // A child torn down with the sheet must leave nothing playing, recording or lying in the
  // temporary folder.
  RecordingStopped();
  PlayingStopped();
}

void CDlgOptGreeting::Arrange() {
  // Label, switch, field and buttons line up from row to row; the voice path takes the switch's
  // column too, as it has none.
  m_greetingGrid = new QGridLayout(m_greetingGroup);
  m_greetingGrid->setColumnStretch(kFieldColumn, 1);
  m_greetingGrid->addWidget(m_voiceLabel, 0, kLabelColumn);
  m_greetingGrid->addWidget(m_voicePath, 0, kSwitchColumn, 1, 2);
  AddIconBar({m_browse, m_play, m_record})->PlaceIn(m_greetingGrid, 0, kButtonColumn, kSwitchColumn);
  // The text row stands below the child's own rows; its label, switch and button keep to the
  // edit's first line.
  const int textRow = ExtraGreetingRow(m_settings.extraGreetingRows);
  m_greetingGrid->addWidget(m_textLabel, textRow, kLabelColumn, Qt::AlignTop);
  m_greetingGrid->addWidget(m_textAllowed, textRow, kSwitchColumn, Qt::AlignTop);
  m_greetingGrid->addWidget(m_text, textRow, kFieldColumn);
  AddIconBar({m_reset})->PlaceIn(m_greetingGrid, textRow, kButtonColumn, kSwitchColumn, Qt::AlignRight | Qt::AlignTop);

  auto* length = new QHBoxLayout(m_lengthGroup);
  length->addWidget(m_maxDuration);
  length->addWidget(m_lengthLabel, 1);

  auto* mail = new QGridLayout(m_mailGroup);
  mail->setColumnMinimumWidth(0, kIndent);
  mail->setColumnMinimumWidth(1, kIndent);
  mail->setColumnStretch(2, 1);
  mail->addWidget(m_mail, 0, 0, 1, 3);
  mail->addWidget(m_attach, 1, 1, 1, 2);
  mail->addWidget(m_delete, 2, 2);

  auto* frame = new QVBoxLayout(m_header);
  m_headerRows = new QVBoxLayout;
  m_headerRows->setContentsMargins(0, 0, 0, 0);
  frame->addLayout(m_headerRows);
  frame->addWidget(m_greetingGroup);
  frame->addWidget(m_lengthGroup);
  frame->addWidget(m_mailGroup);
  frame->addStretch(1);
  auto* child = new QVBoxLayout(this);
  child->setContentsMargins(0, 0, 0, 0);
  child->addWidget(m_header);
  m_text->SetVisibleLines(kTextLines);
  FitToDigits(m_maxDuration, kLengthDigits);
}

void CDlgOptGreeting::changeEvent(QEvent* event) {
  COptionChild::changeEvent(event);
  // The length edit's width follows the font (the child's, which its edits take too).
  if (event->type() == QEvent::FontChange) FitToDigits(m_maxDuration, kLengthDigits);
}

void CDlgOptGreeting::Localize() {
  Trace("Localize");
  const ControlIds& ids = m_settings.ids;
  const std::pair<int, int> texts[] = {{ids.header, m_settings.headerText}, {ids.group, 601}, {ids.voiceLabel, 602},
                                       {ids.textLabel, 606}, {ids.lengthGroup, 607}, {ids.lengthLabel, 608},
                                       {ids.mailGroup, 609}, {ids.mail, 610}, {ids.attach, 611},
                                       {ids.deleteAfterMail, 612}};
  for (const auto& [id, text] : texts) SetText(id, text);
  SetIconButtonTip(m_browse, 630);
  SetIconButtonTip(m_reset, 637);
  ShowVoiceButtons();
}

void CDlgOptGreeting::UpdateDlg() {
  Trace("UpdateDlg");
  const bool active = GreetingControlsActive();
  // Greeting settings that are not in use cannot go on playing or recording either.
  if (!active && (m_recording || m_playing)) {
    RecordingStopped();
    PlayingStopped();
  }
  const bool text = m_settings.textAllowed->Get() != 0;
  const bool mail = m_settings.mailAllowed->Get() != 0;
  const bool attach = m_settings.attachAllowed->Get() != 0;
  m_voicePath->setText(QString::fromStdU16String(m_settings.voicePath->Get()));
  m_textAllowed->setChecked(text);
  m_text->setPlainText(ToEditText(m_settings.text->Get()));
  m_maxDuration->setText(QString::number(m_settings.maxDuration->Get()));
  m_mail->setChecked(mail);
  m_attach->setChecked(attach);
  m_delete->setChecked(m_settings.deleteAfterMail->Get() != 0);
  // Settings not in use grey whole: each frame with its title, labels and controls. Within a frame
  // in use, a control that depends on a switch follows it.
  for (QGroupBox* group : {m_greetingGroup, m_lengthGroup, m_mailGroup}) group->setEnabled(active);
  m_text->setEnabled(text);
  m_reset->setEnabled(text);
  m_attach->setEnabled(mail);
  m_delete->setEnabled(mail && attach);
  SetIconButtonTip(m_browse, 630);
  SetIconButtonTip(m_reset, 637);
  ShowVoiceButtons();
}

void CDlgOptGreeting::ShowVoiceButtons() {
  const bool active = GreetingControlsActive();
  ColourIconButton(m_play, m_playing ? kStopImage : kPlayImage);
  ColourIconButton(m_record, m_recording ? kStopImage : kRecordImage);
  SetIconButtonTip(m_play, m_playing ? 633 : 631);
  SetIconButtonTip(m_record, m_recording ? 634 : 632);
  m_play->setEnabled(active && !m_recording);
  m_record->setEnabled(active && !m_playing);
}

bool CDlgOptGreeting::OnProgramDrive(const std::u16string& path) const {
  if (!g_RemovableMode) return true;
  if (IsOnAppDrive(path)) return true;
  QAV_LOG(LOG_WARNING, u"Greeting must be on same driver as QAV.exe [%s, %s]", GetAppDrive(), path);
  qav::ShowMessageBox(GetLangString(IDS_NOTIFY_USER_APP_IS_RUNNING_FROM_A_REMOVABLE_DRIVE) + u"\r\n" +
                          GetLangString(IDS_NOTIFY_USER_FILE_MUST_BE_ON_APP_DRIVE),
                      u"QAV", qav::MB_ICONEXCLAMATION);
  return false;
}

void CDlgOptGreeting::RebuildGreetingInMemory() {
  const WaitCursor wait;
  if (Services().ReloadGreeting(m_settings.forContacts)) return;
  QAV_LOG(LOG_WARNING, m_settings.forContacts
                           ? u"Fail to load Greeting Message Audio Files into memory for default caller."
                           : u"Fail to load Greeting Message Audio Files into memory for unknwon callers");
  qav::ShowMessageBox(GetLangString(m_settings.forContacts ? IDS_ERROR_MESSAGE_LOAD_DEFAULT_CALLER_GREETING_MESSAGE
                                         : IDS_ERROR_MESSAGE_LOAD_UNKNOWN_CALLER_GREETING_MESSAGE),
                      u"QAV", qav::MB_ICONSTOP);
}

void CDlgOptGreeting::LogAudioError(const char* handler, const char* request) const {
  QAV_LOG(LOG_WARNING, u"%s::%s[ ERROR from g_pAudioDriver->%s", ClassName(), handler, request);
}

void CDlgOptGreeting::LogAudioError(const char* handler, const char* request, const std::u16string& path) const {
  QAV_LOG(LOG_WARNING, u"%s::%s[ ERROR from g_pAudioDriver->%s (%s)", ClassName(), handler, request, path);
}

void CDlgOptGreeting::OnButtonGreetingAudioBrowse() {
  Trace(m_settings.handlers.browse);
  RecordingStopped();
  PlayingStopped();
  const std::optional<std::u16string> chosen =
      Site().ChooseOpenFile(this, GetLangString(IDS_OPT_DEFAULT_CALLER_SELECT_GREETING_FILE),
                            m_settings.voicePath->Get(), m_settings.voiceFilter);
  if (chosen && *chosen != m_settings.voicePath->Get() && OnProgramDrive(*chosen)) {
    if (TryAsGreeting(*chosen)) {
      *m_settings.voicePath = *chosen;
      RebuildGreetingInMemory();
      SetModified();
    } else {
      // Kept, it would be saved on Apply and fail at every start: the greeting in use stays.
      QAV_LOG(LOG_WARNING, u"%s::%s[ %s does not load as a greeting", ClassName(), m_settings.handlers.browse, *chosen);
      qav::ShowMessageBox(
          qav::Format(GetLangString(IDS_ERROR_MESSAGE_GREETING_FILE_NOT_LOADED), *chosen, m_settings.voicePath->Get()),
          u"QAV", qav::MB_ICONSTOP);
    }
  }
  UpdateDlg();
}

void CDlgOptGreeting::OnButtonGreetingAudioPlay() {
  Trace(m_settings.handlers.play);
  if (m_playing) {
    if (g_pAudioDriver == nullptr || g_pAudioDriver->PlayAudioFileStop() < 1)
      LogAudioError(m_settings.playHandler, "PlayAudioFileStop()");
    m_notices.Close();
    m_playing = false;
    ShowVoiceButtons();
    return;
  }
  if (m_recording) RecordingStopped();
  m_playing = true;
  ShowVoiceButtons();
  m_notices.OpenForPlayback("QAVGreetingPlayback", [this](const PlaybackNotice& notice) { OnPlaybackNotice(notice); });
  const std::u16string path = m_settings.voicePath->Get();
  const int started =
      g_pAudioDriver ? g_pAudioDriver->PlayAudioFileStart(path, m_notices.Window(), UM_AUDIONOTIFY, AUDIO_EVENT_PLAY_DONE) : 0;
  if (started >= 1) return;
  m_notices.Close();
  m_playing = false;
  ShowVoiceButtons();
  LogAudioError(m_settings.playHandler, "PlayAudioFileStart", path);
  qav::ShowMessageBox(GetLangString(IDS_ERROR_MESSAGE_FAILED_TO_PLAY_AUDIO_FILE) + path, u"QAV", qav::MB_ICONSTOP);
}

void CDlgOptGreeting::OnPlaybackNotice(const PlaybackNotice& notice) {
  if (notice.kind == PlaybackNotice::Kind::kEnded && m_playing) PlayingStopped();
}

void CDlgOptGreeting::OnButtonGreetingAudioRecord() {
  Trace(m_settings.handlers.record);
  if (!m_recording) {
    StartRecording();
    return;
  }
  if (g_pAudioDriver == nullptr || g_pAudioDriver->RecAudioFileStop() < 1)
    LogAudioError(m_settings.recordHandler, "RecAudioFileStop()");
  // The audio thread is done with the file; what follows only decides where it is kept.
  m_recording = false;
  if (TryAsGreeting(m_tempRecording)) {
    SaveRecording();
  } else {
    // Nothing usable was recorded: it replaces no greeting, and nobody is asked where to keep it.
    QAV_LOG(LOG_WARNING, u"%s::%s[ the recording %s does not load as a greeting", ClassName(),
            m_settings.recordHandler, m_tempRecording);
    qav::ShowMessageBox(GetLangString(IDS_ERROR_MESSAGE_FAILED_TO_RECORD_AUDIO_FILE) + m_tempRecording, u"QAV",
                        qav::MB_ICONSTOP);
    DeleteTempRecording();
  }
  UpdateDlg();
  ShowVoiceButtons();
}

void CDlgOptGreeting::StartRecording() {
  if (m_playing) PlayingStopped();
  m_recording = true;
  ShowVoiceButtons();
  // A file of its own in the private temporary folder: nobody else can see, take or swap it, and
  // the audio thread writes WAV or MP3 by its extension.
  DeleteTempRecording();
  m_recordingExtension = GetRecordingFileExtension();
  m_tempRecording = GetTempFileNameWithPrefix(kGreetingRecordingPrefix, u"." + m_recordingExtension);
  // In use while it is ours, so that another copy's start-up never takes it for a crash's leftover.
  m_tempRecordingInUse = qav::FileInUse(m_tempRecording);
  const int started =
      !m_tempRecording.empty() && g_pAudioDriver ? g_pAudioDriver->RecAudioFileStart(m_tempRecording) : 0;
  if (started >= 1) {
    // The writer makes the file anew: the mark goes onto the file it writes.
    m_tempRecordingInUse = qav::FileInUse(m_tempRecording);
    return;
  }
  m_recording = false;
  ShowVoiceButtons();
  LogAudioError(m_settings.recordHandler, "RecAudioFileStart", m_tempRecording);
  qav::ShowMessageBox(GetLangString(IDS_ERROR_MESSAGE_FAILED_TO_RECORD_AUDIO_FILE) + m_tempRecording, u"QAV",
                      qav::MB_ICONSTOP);
  DeleteTempRecording();
}

void CDlgOptGreeting::SaveRecording() {
  const std::u16string& extension = m_recordingExtension;
  const std::u16string filter = extension == u"mp3" ? u"Sounds (*.mp3)" : u"Sounds (*.wav)";
  std::u16string start = SuggestedRecordingName(m_settings.voicePath->Get(), extension);
  for (;;) {
    const std::optional<std::u16string> chosen = Site().ChooseSaveFile(
        this, GetLangString(IDS_OPT_DEFAULT_CALLER_SAVE_NEW_AUDIO_GREETING_FILE), start, filter, extension);
    if (!chosen || m_tempRecording.empty()) {
      DeleteTempRecording();
      return;
    }
    start = *chosen;
    if (!OnProgramDrive(*chosen)) continue;
    // The name says what the file holds: players, and the greeting's own loader, go by it.
    if (!IsFileExtension(*chosen, u"." + extension)) {
      qav::ShowMessageBox(GetLangString(IDS_ERROR_MESSAGE_GREETING_FILE_EXTENSION) + u"." + extension, u"QAV",
                          qav::MB_ICONEXCLAMATION);
      start = WithExtension(*chosen, extension);
      continue;
    }
    if (*chosen != m_tempRecording) {
      // One rename over the old greeting: the greeting file is the old one or the new one, never
      // missing. When that fails the old greeting stays and the recording waits for another place.
      std::string problem;
      if (!qav::MoveFileReplacing(qav::U8(m_tempRecording), qav::U8(*chosen), &problem)) {
        QAV_LOG(LOG_WARNING, u"%s::%s[ cannot save the new greeting as %s: %s", ClassName(),
                m_settings.recordHandler, *chosen, problem);
        qav::ShowMessageBox(GetLangString(IDS_ERROR_MESSAGE_FAILED_TO_RECORD_AUDIO_FILE) + *chosen + u"\r\n" +
                                qav::Utf8ToUtf16(problem),
                            u"QAV", qav::MB_ICONSTOP);
        continue;
      }
    }
    m_tempRecording.clear();  // it is the greeting now
    m_tempRecordingInUse.Release();
    const bool changed = *chosen != m_settings.voicePath->Get();
    if (changed) *m_settings.voicePath = *chosen;
    // The file changed even when its name did not: the greeting in memory is always rebuilt.
    RebuildGreetingInMemory();
    if (changed) SetModified();
    return;
  }
}

void CDlgOptGreeting::OnStopAudio() {
  Trace("OnStopAudio");
  RecordingStopped();
  PlayingStopped();
}

void CDlgOptGreeting::PlayingStopped() {
  if (m_playing && (g_pAudioDriver == nullptr || g_pAudioDriver->PlayAudioFileStop() < 1))
    LogAudioError("PlayingStopped", "PlayAudioFileStop()");
  m_notices.Close();
  m_playing = false;
  ShowVoiceButtons();
}

void CDlgOptGreeting::RecordingStopped() {
  if (m_recording && (g_pAudioDriver == nullptr || g_pAudioDriver->RecAudioFileStop() < 1))
    LogAudioError("RecordingStopped", "RecAudioFileStop()");
  m_recording = false;
  ShowVoiceButtons();
  DeleteTempRecording();
}

void CDlgOptGreeting::DeleteTempRecording() {
  RemoveFile(m_tempRecording);
  m_tempRecording.clear();
  m_tempRecordingInUse.Release();
}

void CDlgOptGreeting::OnCheckGreetingTextMsgEnabled() {
  Trace(m_settings.handlers.textSwitch);
  OnCheck(m_textAllowed, *m_settings.textAllowed);
  UpdateDlg();
}

void CDlgOptGreeting::OnChangeEditGreetingTextMsg() {
  Trace(m_settings.handlers.text);
  OnTextEdit(FromEditText(m_text->toPlainText()), *m_settings.text);
}

void CDlgOptGreeting::OnButtonResetTextGreeting() {
  Trace(m_settings.handlers.reset);
  *m_settings.text = GetLangString(IDS_DEFAULT_MESSAGE_ANSWERING_MACHINE_TEXT_GREETING);
  SetModified();
  UpdateDlg();
}

void CDlgOptGreeting::OnChangeEditMaxRecordingDuration() {
  Trace(m_settings.handlers.length);
  OnNumberEdit(
      m_maxDuration, *m_settings.maxDuration, kMaxRecordingSec,
      qav::Format(GetLangString(IDS_OPT_DEFAULT_CALLER_VALID_MAX_RECORDING), static_cast<int>(kMaxRecordingSec)),
      qav::MB_OK);
}

void CDlgOptGreeting::OnCheckEMailNotificationAllowed() {
  Trace(m_settings.handlers.mail);
  OnCheck(m_mail, *m_settings.mailAllowed);
  UpdateDlg();
  if (m_settings.mailAllowed->Get() != 0 && CheckRequiredSettings()) {
    qav::ShowMessageBox(GetLangString(IDS_OPT_EMAIL_SETTINGS_NOT_VALID), u"QAV", qav::MB_ICONINFORMATION);
  }
}

void CDlgOptGreeting::OnCheckEMailAttachmentAllowed() {
  Trace(m_settings.handlers.attach);
  OnCheck(m_attach, *m_settings.attachAllowed);
  UpdateDlg();
}

void CDlgOptGreeting::OnCheckAutoDeleteAfterEmailAllow() {
  Trace(m_settings.handlers.deleteAfterMail);
  OnCheck(m_delete, *m_settings.deleteAfterMail);
}
