#include "ui/dlg_opt_greeting.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "ui/button_ssl.h"
#include "ui/options_sheet_link.h"

namespace {
constexpr int kBrowseImage = 5;
constexpr int kResetImage = 4;
}  // namespace

CDlgOptGreeting::CDlgOptGreeting(COptionsSheetLink& sheet, int dialogId, const char* className,
                                 const Settings& settings, QWidget* parent)
    : COptionChild(sheet, dialogId, className, parent), m_settings(settings) {
  resize(400, 340);
  const int top = kGreetingTop;
  Add<QGroupBox>(m_settings.ids[0], 0, top, 396, 132);
  Add<QLabel>(m_settings.ids[1], 10, top + 22, 50, 22);
  m_voicePath = Add<QLineEdit>(m_settings.ids[2], 60, top + 22, 290, 22);
  m_browse = Add<CButtonSSL>(m_settings.ids[3], 356, top + 19, 28, 28);
  Add<QLabel>(m_settings.ids[4], 10, top + 54, 50, 22);
  m_textAllowed = Add<QCheckBox>(m_settings.ids[5], 60, top + 54, 20, 22);
  m_text = AddTextEdit(m_settings.ids[6], 84, top + 52, 266, 72, kMaxTextLength, [this] { OnChangeEditGreetingTextMsg(); });
  m_reset = Add<CButtonSSL>(m_settings.ids[7], 356, top + 52, 28, 28);
  Add<QGroupBox>(m_settings.ids[8], 0, top + 138, 396, 50);
  m_maxDuration = Add<QLineEdit>(m_settings.ids[9], 10, top + 158, 60, 22);
  Add<QLabel>(m_settings.ids[10], 78, top + 158, 310, 22);
  Add<QGroupBox>(m_settings.ids[11], 0, top + 192, 396, 82);
  m_mail = Add<QCheckBox>(m_settings.ids[12], 10, top + 210, 380, 20);
  m_attach = Add<QCheckBox>(m_settings.ids[13], 26, top + 230, 364, 20);
  m_delete = Add<QCheckBox>(m_settings.ids[14], 42, top + 250, 348, 20);
  m_voicePath->setReadOnly(true);
  ColourIconButton(m_browse, kBrowseImage);
  ColourIconButton(m_reset, kResetImage);
  connect(m_browse, &CButtonSSL::clicked, this, &CDlgOptGreeting::OnButtonGreetingAudioBrowse);
  connect(m_textAllowed, &QCheckBox::clicked, this, &CDlgOptGreeting::OnCheckGreetingTextMsgEnabled);
  connect(m_reset, &CButtonSSL::clicked, this, &CDlgOptGreeting::OnButtonResetTextGreeting);
  connect(m_maxDuration, &QLineEdit::textChanged, this, &CDlgOptGreeting::OnChangeEditMaxRecordingDuration);
  connect(m_mail, &QCheckBox::clicked, this, &CDlgOptGreeting::OnCheckEMailNotificationAllowed);
  connect(m_attach, &QCheckBox::clicked, this, &CDlgOptGreeting::OnCheckEMailAttachmentAllowed);
  connect(m_delete, &QCheckBox::clicked, this, &CDlgOptGreeting::OnCheckAutoDeleteAfterEmailAllow);
}

void CDlgOptGreeting::Localize() {
  Trace("Localize");
  const std::pair<int, int> texts[] = {{m_settings.ids[0], 601}, {m_settings.ids[1], 602}, {m_settings.ids[4], 606}, {m_settings.ids[8], 607},
                                       {m_settings.ids[10], 608}, {m_settings.ids[11], 609}, {m_settings.ids[12], 610}, {m_settings.ids[13], 611}, {m_settings.ids[14], 612}};
  for (const auto& [id, text] : texts) SetText(id, text);
  SetIconButtonTip(m_browse, m_settings.forContacts ? 630 : 630);
  SetIconButtonTip(m_reset, 637);
}

void CDlgOptGreeting::UpdateDlg() {
  Trace("UpdateDlg");
  const bool active = GreetingControlsActive();
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
  for (QWidget* control : {static_cast<QWidget*>(m_voicePath), static_cast<QWidget*>(m_browse),
                           static_cast<QWidget*>(m_textAllowed), static_cast<QWidget*>(m_maxDuration),
                           static_cast<QWidget*>(m_mail)}) {
    control->setEnabled(active);
  }
  m_text->setEnabled(active && text);
  m_reset->setEnabled(active && text);
  m_attach->setEnabled(active && mail);
  m_delete->setEnabled(active && mail && attach);
  SetIconButtonTip(m_browse, 630);
  SetIconButtonTip(m_reset, 637);
}

bool CDlgOptGreeting::OnProgramDrive(const std::u16string& path) const {
  if (!g_RemovableMode) return true;
  if (IsOnAppDrive(path)) return true;
  QAV_LOG(LOG_WARNING, u"Greeting must be on same driver as QAV.exe [%s, %s]", GetAppDrive(), path);
  qav::ShowMessageBox(GetLangString(2172) + u"\r\n" + GetLangString(2170), u"QAV", qav::MB_ICONEXCLAMATION);
  return false;
}

void CDlgOptGreeting::OnButtonGreetingAudioBrowse() {
  Trace("OnButtonGreetingAudioBrowse");
  const std::optional<std::u16string> chosen =
      Sheet().ChooseOpenFile(this, GetLangString(621), m_settings.voicePath->Get(),
                             m_settings.forContacts ? u"Sound files (*.wav *.mp3);;All Files (*)"
                                                    : u"Sounds (*.wav *.mp3);;All Files (*)");
  if (chosen && *chosen != m_settings.voicePath->Get() && OnProgramDrive(*chosen)) {
    *m_settings.voicePath = *chosen;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (Sheet().LoadGreetingMemFile(m_settings.forContacts) < 1) {
      QAV_LOG(LOG_WARNING, m_settings.forContacts
                               ? u"Fail to load Greeting Message Audio Files into memory for default caller."
                               : u"Fail to load Greeting Message Audio Files into memory for unknwon callers");
      qav::ShowMessageBox(GetLangString(m_settings.forContacts ? 1020 : 1021), u"QAV", qav::MB_ICONSTOP);
    }
    SetModified();
    QApplication::restoreOverrideCursor();
  }
  UpdateDlg();
}

void CDlgOptGreeting::OnCheckGreetingTextMsgEnabled() {
  Trace("OnCheckGreetingTextMsgEnabled");
  OnCheck(m_textAllowed, *m_settings.textAllowed);
  UpdateDlg();
}

void CDlgOptGreeting::OnChangeEditGreetingTextMsg() {
  Trace("OnChangeEditGreetingTextMsg");
  OnTextEdit(FromEditText(m_text->toPlainText()), *m_settings.text);
}

void CDlgOptGreeting::OnButtonResetTextGreeting() {
  Trace("OnButtonResetTextGreeting");
  *m_settings.text = GetLangString(650);
  SetModified();
  UpdateDlg();
}

void CDlgOptGreeting::OnChangeEditMaxRecordingDuration() {
  Trace("OnChangeEditMaxRecordingDuration");
  OnNumberEdit(m_maxDuration, *m_settings.maxDuration, kMaxRecordingSec,
               qav::Format(GetLangString(620), static_cast<int>(kMaxRecordingSec)), qav::MB_OK);
}

void CDlgOptGreeting::OnCheckEMailNotificationAllowed() {
  Trace("OnCheckEMailNotificationAllowed");
  OnCheck(m_mail, *m_settings.mailAllowed);
  UpdateDlg();
  if (m_settings.mailAllowed->Get() != 0 && CheckRequiredSettings()) {
    qav::ShowMessageBox(GetLangString(837), u"QAV", qav::MB_ICONINFORMATION);
  }
}

void CDlgOptGreeting::OnCheckEMailAttachmentAllowed() {
  Trace("OnCheckEMailAttachemtnAllowed");
  OnCheck(m_attach, *m_settings.attachAllowed);
  UpdateDlg();
}

void CDlgOptGreeting::OnCheckAutoDeleteAfterEmailAllow() {
  Trace("OnCheckAutoDeleteAfterEmailAllow");
  OnCheck(m_delete, *m_settings.deleteAfterMail);
}
