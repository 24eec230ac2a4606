#include "ui/bridge/thread_notice_receiver.h"

#include <QObject>

bool CThreadNoticeReceiver::Open(std::string_view className, MessageHandler onMessage) {
  Close();
  qav::MessageLoop* loop = qav::MessageLoop::Current();
  if (!loop) return false;
  return m_window.Create(*loop, className, u"", qav::WindowKind::kLocal,
                         [this, onMessage = std::move(onMessage)](qav::Msg& message) -> qav::LResult {
                           // A widget being torn down (or gone) hears nothing more.
                           if (!m_widget) return 0;
                           return onMessage(message) ? 0 : qav::DefWindowProc(message);
                         });
}

bool CThreadNoticeReceiver::OpenForPlayback(std::string_view className, PlaybackHandler onNotice) {
  return Open(className, [onNotice = std::move(onNotice)](qav::Msg& message) {
    const std::optional<PlaybackNotice> notice = DecodePlaybackNotice(message);
    if (notice) onNotice(*notice);
    return message.message == UM_AUDIONOTIFY;
  });
}
