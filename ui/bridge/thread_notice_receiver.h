// CThreadNoticeReceiver: where other threads' notices for one widget arrive. It owns the platform
// window of the GUI thread's loop that a worker or the audio thread posts to, hands each message
// to the widget's handler there, and drops whatever arrives once the widget has gone (or the
// receiver is closed): a post to a closed receiver fails and frees its payload. The audio thread's
// playback notices come decoded (audio/playback_notice.h).
//
// The player and the greeting pages hear playback through one; the progress dialog hears its job.
// GUI thread only; the GUI thread's loop must be driven by Qt (ui/bridge/qt_loop_bridge.h).
#pragma once

#include <QPointer>
#include <functional>
#include <string_view>

#include "audio/playback_notice.h"
#include "platform/window.h"

class QObject;

class CThreadNoticeReceiver {
 public:
  // The handler's answer: whether it took the message (others get the default handling).
  using MessageHandler = std::function<bool(qav::Msg& message)>;
  using PlaybackHandler = std::function<void(const PlaybackNotice& notice)>;

  explicit CThreadNoticeReceiver(QObject* widget) : m_widget(widget) {}
  ~CThreadNoticeReceiver() { Close(); }
  CThreadNoticeReceiver(const CThreadNoticeReceiver&) = delete;
  CThreadNoticeReceiver& operator=(const CThreadNoticeReceiver&) = delete;

  // Opens a new window (closing the one before) on the calling thread's loop; false when the
  // thread has no loop. The class name tells the window apart in logs.
  bool Open(std::string_view className, MessageHandler onMessage);
  // The same for the audio thread's playback notices, asked under UM_AUDIONOTIFY.
  bool OpenForPlayback(std::string_view className, PlaybackHandler onNotice);
  // Nothing reaches the handler afterwards; notices still queued are freed.
  void Close() { m_window.Destroy(); }

  // The window to post to (0 when closed).
  qav::Hwnd Window() const { return m_window.handle(); }

 private:
  QPointer<QObject> m_widget;
  qav::Window m_window;
};
