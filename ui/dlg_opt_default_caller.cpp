#include "ui/dlg_opt_default_caller.h"

#include <QGroupBox>

#include "foundation/settings.h"

namespace {
const CDlgOptGreeting::Settings kContacts = {
    true,
    &g_GreetingSoundMsgPath,
    &g_GreetingTextMsgAllowed,
    &g_GreetingTextMsg,
    &g_MaxRecordingDurationSec,
    &g_EMailNotificationAllowed,
    &g_EMailAttachmentAllowed,
    &g_AutoDelMsgAfterEMailAllowed,
    {1186, 1147, 1013, 1198, 1148, 1020, 1037, 1284, 1187, 1077, 1079, 1149, 1172, 1173, 1233}};
}  // namespace

CDlgOptDefaultCaller::CDlgOptDefaultCaller(COptionsSheetLink& sheet, QWidget* parent)
    : CDlgOptGreeting(sheet, kDialogId, "CDlgOptDefaultCaller", kContacts, parent) {
  Trace("OnInitDialog");
  Add<QGroupBox>(1185, 0, 5, 396, 50)->lower();
  Localize();
  UpdateDlg();
}

void CDlgOptDefaultCaller::Localize() {
  SetText(1185, 600);
  CDlgOptGreeting::Localize();
}
