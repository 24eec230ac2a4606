#include "ui/bridge/qt_loop_bridge.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <algorithm>
#include <climits>
#include <cstdlib>

QtLoopBridge::QtLoopBridge(qav::MessageLoop& loop)
    : m_loop(loop), m_notifier(loop.PollFd(), QSocketNotifier::Read) {
  m_timer.setSingleShot(true);
  m_timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&m_notifier, &QSocketNotifier::activated, [this] { Serve(); });
  QObject::connect(&m_timer, &QTimer::timeout, [this] { Serve(); });
  if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
    m_aboutToBlock = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [this] { RearmTimer(); });
  }
  RearmTimer();
}

QtLoopBridge::~QtLoopBridge() { QObject::disconnect(m_aboutToBlock); }

int QtLoopBridge::Run() {
  m_quitting = false;
  // Work queued before Qt's loop starts is served by the first round.
  QTimer::singleShot(0, [this] { Serve(); });
  const int code = QCoreApplication::exec();
  return m_quitting ? m_loop.ExitCode() : code;
}

void QtLoopBridge::Serve() {
  if (m_quitting) return;
  m_loop.ProcessDue();
  if (m_loop.QuitRequested()) {
    m_quitting = true;
    m_timer.stop();
    m_notifier.setEnabled(false);
    // Ends the outermost loop and every nested one (an open box or menu) with it.
    QCoreApplication::exit(m_loop.ExitCode());
    return;
  }
  RearmTimer();
}

void QtLoopBridge::RearmTimer() {
  if (m_quitting) return;
  const auto delay = m_loop.NextTimerDelayMs();
  if (!delay) {
    m_timer.stop();
    return;
  }
  const int64_t wait = std::clamp<int64_t>(m_loop.clock().RealWaitMs(*delay), 0, INT_MAX);
  // Re-arming restarts the timer; skip it when it already fires at that moment, so a busy Qt loop
  // that keeps waking does not keep pushing the deadline.
  if (m_timer.isActive() && std::abs(m_timer.remainingTime() - wait) <= 1) return;
  m_timer.start(static_cast<int>(wait));
}
