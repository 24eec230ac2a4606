// The default-caller child of the options page: the greeting, text greeting, message length and
// e-mail notice for callers in the user's contact list, and the video greeting shown to them
// through the webcam application (its row only while the program has its video driver; otherwise
// a link that tries again or opens the support page).
#pragma once

#include "ui/options/dlg_opt_greeting.h"

class CHyperLink;
class CIconButtonBar;
class QLabel;
class QPushButton;

class CDlgOptDefaultCaller : public CDlgOptGreeting {
 public:
  static constexpr int kDialogId = 347;
  CDlgOptDefaultCaller(COptionsPageSite& site, QWidget* parent);
  void Localize() override;
  void UpdateDlg() override;

  void OnCheckGreetingVideoEnabled();
  void OnButtonGreetingVideoBrowse();
  void OnButtonGreetingVideoPlay();
  // The link (or, in screen-reader mode, the button) shown without the video driver.
  void OnVideoDriverSupport();

 private:
  // Builds the video driver when there is none, under the wait cursor.
  void TryCreateVideoDriver();

  QLabel* m_videoLabel;
  QCheckBox* m_videoAllowed;
  QLineEdit* m_videoPath;
  CButtonSSL* m_videoBrowse;
  CButtonSSL* m_videoPlay;
  CIconButtonBar* m_videoBar;
  CHyperLink* m_supportLink;
  QPushButton* m_supportButton;
};
