// The e-mail child of the options page: the SMTP account that sends the voice-message notices, an
// own subject line and another recipient, and a test mail sent at once with the settings as they
// stand (before Apply), on a worker behind the progress dialog (ui/up_dialog.h), which can cancel it.
#pragma once

#include <functional>
#include <memory>

#include "ui/options/option_child.h"

class CSendSMTP;
namespace qav {
class ProgressDialogRunner;
}
class QCheckBox;
class QLineEdit;
class QPushButton;

class CDlgOptEMailSettings : public COptionChild {
 public:
  static constexpr int kDialogId = 344;
  // What the password edit shows for a stored password; it never shows the password itself.
  static constexpr const char16_t* kPasswordPlaceholder = u"1234567890";
  static constexpr uint32_t kMaxPort = 65535;

  CDlgOptEMailSettings(COptionsPageSite& site, QWidget* parent);

  void Localize() override;
  void UpdateDlg() override;

  CDlgOptEMailSettings(const CDlgOptEMailSettings&) = delete;
  CDlgOptEMailSettings& operator=(const CDlgOptEMailSettings&) = delete;
  ~CDlgOptEMailSettings() override;

  // Makes the sender of the test mail (a plain CSendSMTP unless a test gives another).
  void SetMailSenderFactory(std::function<std::unique_ptr<CSendSMTP>()> factory);

  void OnChangeEditEmailYourAddress();
  void OnChangeEditEmailLoginName();
  void OnChangeEditEmailLoginPass();
  void OnChangeEditEmailSmtpServerAddress();
  void OnChangeEditEmailSmtpServerPort();
  void OnCheckEmailSmtpSSLEnabled();
  void OnCheckEmailSecPassAuthEnabled();
  void OnCheckEmailUserOwnSubjectLine();
  void OnChangeEditEmailUserOwnSubjectLine();
  void OnCheckEmailUserOtherToAddress();
  void OnChangeEditEmailUserOtherToAddress();
  void OnButtonEmailOnlineHelp();
  void OnButtonEmailTestAccountSettings();

 private:
  std::function<std::unique_ptr<CSendSMTP>()> m_senderFactory;
  // Kept after a run: a cancelled job may still be ending, and its runner waits for it only at the
  // next run or when the page goes.
  std::unique_ptr<qav::ProgressDialogRunner> m_testMailRunner;
  QLineEdit* m_address;
  QLineEdit* m_login;
  QLineEdit* m_password;
  QLineEdit* m_server;
  QLineEdit* m_port;
  QCheckBox* m_ssl;
  QCheckBox* m_spa;
  QCheckBox* m_ownSubject;
  QLineEdit* m_subject;
  QCheckBox* m_otherTo;
  QLineEdit* m_to;
};
