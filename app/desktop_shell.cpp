#include "app/desktop_shell.h"

#include <chrono>

#include "app/app_messages.h"
#include "app/link_opening.h"
#include "app/web_links.h"
#include "app/zv_app.h"
#include "app/zv_app_wnd.h"
#include "foundation/logger.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/window.h"

namespace {

// The desktop's opener, found on $PATH.
constexpr char16_t kOpener[] = u"xdg-open";
// An opener that gives up does so at once (xdg-open with no browser: exit 3); one that ends later
// has run the browser in the foreground, and its end says nothing about the opening.
constexpr auto kOpenerVerdictTime = std::chrono::seconds(20);
// xdg-open's exit code for a file that does not exist.
constexpr int kOpenerNoSuchFile = 2;

}  // namespace

CDesktopShell::CDesktopShell(NoticeWindow noticeWindow) : m_noticeWindow(std::move(noticeWindow)) {
  if (!m_noticeWindow) {
    m_noticeWindow = [] { return g_pApp && g_pApp->MainWindow() ? g_pApp->MainWindow()->GetSafeHwnd() : qav::Hwnd{0}; };
  }
}

// Hands the address to the opener as its one argument, never shell text. Every address given here
// begins with "http://", "https://" or "file://", so the opener cannot take it for an option.
// When the opener soon ends with a failure, the main window (if it still exists then) tells the
// user in the "Unable to open hyperlink" box; the box is posted, since the opener is reaped on a
// thread of its own.
bool CDesktopShell::RunOpener(const std::u16string& address) {
  const qav::Hwnd window = m_noticeWindow();
  const auto started = std::chrono::steady_clock::now();
  const pid_t pid = qav::SpawnDetached({kOpener, {address}, u""}, [window, started, address](int code) {
    if (code == 0 || std::chrono::steady_clock::now() - started > kOpenerVerdictTime) return;
    QAV_LOG(LOG_WARNING, u"CDesktopShell: %s ended with %d for [%s]", kOpener, code, address);
    const int reason = code == kOpenerNoSuchFile ? kOpenerNoSuchFile : kOpenLinkNoHandler;
    CQueuedMessageBox box{UnableToOpenLinkText(reason), qav::MB_OK | qav::MB_ICONEXCLAMATION};
    if (window != 0) qav::PostMessage(window, UM_APP_MESSAGEBOX, 0, 0, qav::MakePayload<CQueuedMessageBox>(std::move(box)));
  });
  if (pid < 0) QAV_LOG(LOG_WARNING, u"CDesktopShell: %s could not be started for [%s]", kOpener, address);
  return pid >= 0;
}

bool CDesktopShell::OpenUrl(std::u16string_view url, bool) {
  if (!IsWebAddress(url)) {
    QAV_LOG(LOG_WARNING, u"CDesktopShell::OpenUrl: [%s] is no http or https address; it is not opened", url);
    return false;
  }
  return RunOpener(std::u16string(url));
}

bool CDesktopShell::OpenLocalFile(std::u16string_view path) {
  const std::u16string address = LocalFileAddress(path);
  if (address.empty()) {
    QAV_LOG(LOG_WARNING, u"CDesktopShell::OpenLocalFile: [%s] is no absolute path; it is not opened", path);
    return false;
  }
  return RunOpener(address);
}

bool CDesktopShell::StartProgram(std::u16string_view program, const std::vector<std::u16string>& arguments) {
  if (program.empty()) return false;
  const pid_t pid = qav::SpawnDetached({std::u16string(program), arguments, u""});
  if (pid < 0) QAV_LOG(LOG_WARNING, u"CDesktopShell::StartProgram: [%s] could not be started", program);
  return pid >= 0;
}
