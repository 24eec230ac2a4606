#include "ui/options/dlg_opt_email_settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/web_links.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "net/send_smtp.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "ui/controls/number_edit.h"
#include "ui/bridge/up_dialog.h"
#include "ui/sheet/sheet_services.h"

namespace {
// As long as the notice mails may take before the server counts as gone.
constexpr int32_t kTestMailTimeoutSec = 20;
const std::u16string kProductTitle = u"QAV - Answering Machine for Skype™ users";
// The buttons stand apart from the account's rows.
constexpr int kButtonsGap = 16;
}  // namespace

CDlgOptEMailSettings::CDlgOptEMailSettings(COptionsPageSite& site, QWidget* parent)
    : COptionChild(site, kDialogId, "CDlgOptEMailSettings", parent),
      m_senderFactory([] { return std::make_unique<CSendSMTP>(); }) {
  Trace("OnInitDialog");
  auto* frame = Add<QGroupBox>(1171, "smtpFrame");
  const struct {
    int labelId;
    const char* labelName;
    QLineEdit*& edit;
    int editId;
    const char* editName;
  } rows[] = {{1062, "addressLabel", m_address, 1019, "address"},
              {1064, "loginLabel", m_login, 1021, "login"},
              {1173, "passwordLabel", m_password, 1172, "password"},
              {1169, "serverLabel", m_server, 1170, "server"},
              {1065, "portLabel", m_port, 1022, "port"}};
  // The account's rows line up: each label, then its edit.
  auto* grid = new QGridLayout;
  grid->setColumnStretch(1, 1);
  int row = 0;
  for (const auto& line : rows) {
    grid->addWidget(Add<QLabel>(line.labelId, line.labelName), row, 0);
    const bool port = line.editId == 1022;
    line.edit = port ? Add<CNumberEdit>(line.editId, line.editName) : Add<QLineEdit>(line.editId, line.editName);
    // The port as wide as its digits; the other edits fill their row.
    if (port) FitToDigits(line.edit, 6);
    grid->addWidget(line.edit, row++, 1, port ? Qt::AlignLeft : Qt::Alignment());
  }
  m_ssl = Add<QCheckBox>(1230, "sslSwitch");
  m_spa = Add<QCheckBox>(1229, "spaSwitch");
  grid->addWidget(m_ssl, row++, 0, 1, -1);
  grid->addWidget(m_spa, row++, 0, 1, -1);
  // The own subject and the other recipient: a switch in the label column, its text beside it.
  m_ownSubject = Add<QCheckBox>(1232, "ownSubjectSwitch");
  m_subject = Add<QLineEdit>(1023, "ownSubject");
  m_otherTo = Add<QCheckBox>(1233, "otherToSwitch");
  m_to = Add<QLineEdit>(1024, "otherTo");
  grid->addWidget(m_ownSubject, row, 0);
  grid->addWidget(m_subject, row++, 1);
  grid->addWidget(m_otherTo, row, 0);
  grid->addWidget(m_to, row++, 1);

  auto* help = Add<QPushButton>(1236, "onlineHelp");
  auto* test = Add<QPushButton>(1084, "testAccount");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(help);
  buttons->addStretch(1);
  buttons->addWidget(test);
  auto* account = new QVBoxLayout(frame);
  account->addLayout(grid);
  account->addSpacing(kButtonsGap);
  account->addLayout(buttons);
  account->addStretch(1);
  auto* child = new QVBoxLayout(this);
  child->setContentsMargins(0, 0, 0, 0);
  child->addWidget(frame);
  m_password->setEchoMode(QLineEdit::Password);

  connect(m_address, &QLineEdit::textChanged, this, &CDlgOptEMailSettings::OnChangeEditEmailYourAddress);
  connect(m_login, &QLineEdit::textChanged, this, &CDlgOptEMailSettings::OnChangeEditEmailLoginName);
  connect(m_password, &QLineEdit::textChanged, this, &CDlgOptEMailSettings::OnChangeEditEmailLoginPass);
  connect(m_server, &QLineEdit::textChanged, this, &CDlgOptEMailSettings::OnChangeEditEmailSmtpServerAddress);
  connect(m_port, &QLineEdit::textChanged, this, &CDlgOptEMailSettings::OnChangeEditEmailSmtpServerPort);
  connect(m_ssl, &QCheckBox::clicked, this, &CDlgOptEMailSettings::OnCheckEmailSmtpSSLEnabled);
  connect(m_spa, &QCheckBox::clicked, this, &CDlgOptEMailSettings::OnCheckEmailSecPassAuthEnabled);
  connect(m_ownSubject, &QCheckBox::clicked, this, &CDlgOptEMailSettings::OnCheckEmailUserOwnSubjectLine);
  connect(m_subject, &QLineEdit::textChanged, this, &CDlgOptEMailSettings::OnChangeEditEmailUserOwnSubjectLine);
  connect(m_otherTo, &QCheckBox::clicked, this, &CDlgOptEMailSettings::OnCheckEmailUserOtherToAddress);
  connect(m_to, &QLineEdit::textChanged, this, &CDlgOptEMailSettings::OnChangeEditEmailUserOtherToAddress);
  connect(help, &QPushButton::clicked, this, &CDlgOptEMailSettings::OnButtonEmailOnlineHelp);
  connect(test, &QPushButton::clicked, this, &CDlgOptEMailSettings::OnButtonEmailTestAccountSettings);
  Localize();
  UpdateDlg();
}

CDlgOptEMailSettings::~CDlgOptEMailSettings() = default;

void CDlgOptEMailSettings::SetMailSenderFactory(std::function<std::unique_ptr<CSendSMTP>()> factory) {
  m_senderFactory = std::move(factory);
}

void CDlgOptEMailSettings::Localize() {
  Trace("Localize");
  const std::pair<int, int> texts[] = {{1171, 825}, {1062, 826}, {1064, 830}, {1173, 831}, {1169, 827},
                                       {1065, 828}, {1230, 829}, {1229, 832}, {1232, 833}, {1233, 834},
                                       {1236, 83},  {1084, 835}};
  for (const auto& [id, text] : texts) SetText(id, text);
}

void CDlgOptEMailSettings::UpdateDlg() {
  Trace("UpdateDlg");
  m_address->setText(QString::fromStdU16String(g_YourEMailAddress.Get()));
  m_login->setText(QString::fromStdU16String(g_EMailLoginName.Get()));
  m_password->setText(g_EMailLoginPass.IsEmpty() ? QString() : QString::fromUtf16(kPasswordPlaceholder));
  m_server->setText(QString::fromStdU16String(g_SMTPServerAddress.Get()));
  m_port->setText(QString::number(g_SMTPServerPort.Get()));
  m_ssl->setChecked(g_SMTPSSLEnabled.Get() != 0);
  m_spa->setChecked(g_SMTPSPAEnabled.Get() != 0);
  m_ownSubject->setChecked(g_EMailUserOwnSubjectLineAllow.Get() != 0);
  m_subject->setText(QString::fromStdU16String(g_EMailUserOwnSubjectLineText.Get()));
  m_otherTo->setChecked(g_EMailOtherTOAddressAllow.Get() != 0);
  m_to->setText(QString::fromStdU16String(g_EMailOtherTOAddressText.Get()));
}

void CDlgOptEMailSettings::OnChangeEditEmailYourAddress() {
  Trace("OnChangeEditEmailYourAddress");
  OnTextEdit(m_address->text().toStdU16String(), g_YourEMailAddress);
}

void CDlgOptEMailSettings::OnChangeEditEmailLoginName() {
  Trace("OnChangeEditEmailLoginName");
  OnTextEdit(m_login->text().toStdU16String(), g_EMailLoginName);
}

void CDlgOptEMailSettings::OnChangeEditEmailLoginPass() {
  Trace("OnChangeEditEmailLoginPass");
  const std::u16string typed = m_password->text().toStdU16String();
  // The placeholder shown for a stored password must never replace it.
  if (typed == kPasswordPlaceholder) return;
  OnTextEdit(typed, g_EMailLoginPass);
}

void CDlgOptEMailSettings::OnChangeEditEmailSmtpServerAddress() {
  Trace("OnChangeEditEmailSmtpServerAddress");
  OnTextEdit(m_server->text().toStdU16String(), g_SMTPServerAddress);
}

void CDlgOptEMailSettings::OnChangeEditEmailSmtpServerPort() {
  Trace("OnChangeEditEmailSmtpServerPort");
  OnNumberEdit(m_port, g_SMTPServerPort, kMaxPort, GetLangString(IDS_OPT_EMAIL_VALID_SMTP_PORT), qav::MB_OK);
}

void CDlgOptEMailSettings::OnCheckEmailSmtpSSLEnabled() {
  Trace("OnCheckEmailSmtpSSLEnabled");
  OnCheck(m_ssl, g_SMTPSSLEnabled);
}

void CDlgOptEMailSettings::OnCheckEmailSecPassAuthEnabled() {
  Trace("OnCheckEmailSecPassAuthEnabled");
  OnCheck(m_spa, g_SMTPSPAEnabled);
}

void CDlgOptEMailSettings::OnCheckEmailUserOwnSubjectLine() {
  Trace("OnCheckEmailUserOwnSubjectLine");
  OnCheck(m_ownSubject, g_EMailUserOwnSubjectLineAllow);
}

void CDlgOptEMailSettings::OnChangeEditEmailUserOwnSubjectLine() {
  Trace("OnChangeEditEmailUserOwnSubjectLine");
  if (!OnTextEdit(m_subject->text().toStdU16String(), g_EMailUserOwnSubjectLineText)) return;
  // The switch follows the text; the text change has marked the page already.
  const bool empty = g_EMailUserOwnSubjectLineText.IsEmpty();
  if (empty && g_EMailUserOwnSubjectLineAllow.Get() == 1) {
    g_EMailUserOwnSubjectLineAllow = 0;
    m_ownSubject->setChecked(false);
  } else if (!empty && g_EMailUserOwnSubjectLineAllow.Get() == 0) {
    g_EMailUserOwnSubjectLineAllow = 1;
    m_ownSubject->setChecked(true);
  }
}

void CDlgOptEMailSettings::OnCheckEmailUserOtherToAddress() {
  Trace("OnCheckEmailUserOtherToAddress");
  OnCheck(m_otherTo, g_EMailOtherTOAddressAllow);
}

void CDlgOptEMailSettings::OnChangeEditEmailUserOtherToAddress() {
  Trace("OnChangeEditEmailUserOtherToAddress");
  OnTextEdit(m_to->text().toStdU16String(), g_EMailOtherTOAddressText);
}

void CDlgOptEMailSettings::OnButtonEmailOnlineHelp() {
  Trace("OnButtonEmailOnlineHelp");
  Services().OpenUrl(ProductPageLink(u"applinks/QAVDlgOptEmailSettings_1_1/", {{u"lang", GetLangCodeFromFile()}}));
}

void CDlgOptEMailSettings::OnButtonEmailTestAccountSettings() {
  Trace("OnButtonEmailTestAccountSettings");
  if (CheckRequiredSettings()) {
    qav::ShowMessageBox(GetLangString(IDS_OPT_EMAIL_SETTINGS_NOT_VALID), u"QAV", qav::MB_ICONINFORMATION);
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const std::u16string to = g_EMailOtherTOAddressAllow.Get() ? g_EMailOtherTOAddressText.Get() : g_YourEMailAddress.Get();
  const std::u16string subject = g_EMailUserOwnSubjectLineAllow.Get() ? g_EMailUserOwnSubjectLineText.Get()
                                                                      : GetLangString(IDS_EMAIL_TEST_SUBJECT);
  const std::u16string body = GetLangString(IDS_EMAIL_TEST_SUBJECT) + u".\r\n" +
                              GetLangString(IDS_EMAIL_TEST_BODY_NO_ATTACHMENT) + u"\r\n" +
                              u"\r\n______________________________________________" + u"\r\n- " + kProductTitle +
                              u"\r\n- " + MakerWebSiteAddress();
  std::unique_ptr<CSendSMTP> mail = m_senderFactory();
  // Setting up the mail contacts nobody; only the exchange itself waits on the server.
  const bool ready =
      mail->SetServer(g_SMTPServerAddress.Get(), g_SMTPServerPort, g_SMTPSSLEnabled != 0, kTestMailTimeoutSec) > 0 &&
      mail->SetSender(g_YourEMailAddress.Get(), g_EMailLoginName.Get(), g_EMailLoginPass.Get(), g_SMTPSPAEnabled != 0) >
          0 &&
      mail->SetTo(to) > 0 && mail->SetSubject(subject) > 0 && mail->SetBody(body) > 0;
  QApplication::restoreOverrideCursor();
  int result = qav::kProgressJobFailed;
  if (ready) {
    // The exchange runs on a worker behind the progress dialog, so the GUI thread goes on running
    // the call link and the answer timers meanwhile. The job owns the sender: after a cancel it
    // may still be ending (within a second) while the dialog has gone.
    if (!m_testMailRunner) m_testMailRunner = std::make_unique<CUPDialog>(this);
    std::shared_ptr<CSendSMTP> sender(std::move(mail));
    const std::u16string status = GetLangString(IDS_EMAIL_TEST_SUBJECT) + u"...";
    result = m_testMailRunner->RunModal(
        GetLangString(IDS_OPT_EMAIL_TEST_ACCOUNT_SETTINGS), [sender, status](qav::ProgressJobContext& context) {
          context.PostText(status);
          sender->SetStopCheck([&context] { return context.IsTerminated(); });
          return sender->Send() > 0 ? qav::kProgressJobSucceeded : qav::kProgressJobFailed;
        });
  }
  if (result == qav::kProgressJobSucceeded) {
    qav::ShowMessageBox(GetLangString(IDS_EMAIL_TEST_SENT), u"QAV", qav::MB_ICONINFORMATION);
  } else if (result == qav::kProgressJobCancelled) {
    QAV_LOG(LOG_INFO, u"The test e-mail was cancelled");
  } else {
    QAV_LOG(LOG_WARNING, u"E-Mail Send Failed!!");
    qav::ShowMessageBox(GetLangString(IDS_EMAIL_TEST_FAILED), u"QAV", qav::MB_ICONINFORMATION);
  }
}
