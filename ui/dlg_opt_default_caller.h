// The default-caller child of the options page: the greeting, text greeting, message length and
// e-mail notice for callers in the user's contact list.
#pragma once

#include "ui/dlg_opt_greeting.h"

class CDlgOptDefaultCaller : public CDlgOptGreeting {
 public:
  static constexpr int kDialogId = 347;
  CDlgOptDefaultCaller(COptionsSheetLink& sheet, QWidget* parent);
  void Localize() override;
};
