#include "app/link_opening.h"

#include "app/app_names.h"
#include "app/parts/shell.h"
#include "app/web_links.h"
#include "foundation/logger.h"
#include "platform/message_box.h"
#include "platform/open_errors.h"

std::u16string UnableToOpenLinkText(int code) { return u"Unable to open hyperlink:\n\n" + qav::OpenErrorText(code); }

void ShowUnableToOpenLink(int code) {
  qav::ShowMessageBox(UnableToOpenLinkText(code), kAppName, qav::MB_OK | qav::MB_ICONEXCLAMATION);
}

bool OpenWebLinkForUser(CAppShell& shell, std::u16string_view url, bool maximized) {
  if (!IsWebAddress(url)) {
    QAV_LOG(LOG_WARNING, u"The link [%s] is no http or https address; it is not opened", url);
    return false;
  }
  if (shell.OpenUrl(url, maximized)) return true;
  ShowUnableToOpenLink();
  return false;
}

bool OpenLocalFileForUser(CAppShell& shell, std::u16string_view path) {
  if (shell.OpenLocalFile(path)) return true;
  ShowUnableToOpenLink();
  return false;
}
