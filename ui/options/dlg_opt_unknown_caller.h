// The unknown-caller child of the options page: whether callers outside the contact list get
// settings of their own (or are not answered at all), and those settings.
#pragma once

#include "ui/options/dlg_opt_greeting.h"

class QCheckBox;

class CDlgOptUnknownCaller : public CDlgOptGreeting {
 public:
  static constexpr int kDialogId = 148;
  CDlgOptUnknownCaller(COptionsPageSite& site, QWidget* parent);
  void Localize() override;
  void UpdateDlg() override;

  void OnCheckUseSettingsForNonAuthorizedCallers();
  void OnCheckDisableAnsweringOfNonAuthorizedCallers();

 protected:
  bool GreetingControlsActive() const override;

 private:
  QCheckBox* m_ownSettings;
  QCheckBox* m_noAnswer;
};
