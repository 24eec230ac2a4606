#include "platform/message_thread.h"

#include <pthread.h>

#include "platform/crash_signals.h"

namespace qav {

MessageThread::~MessageThread() {
  if (!thread_.joinable()) return;
  Quit(0);
  Join(kInfinite);
}

bool MessageThread::Start(std::string name, std::function<void(MessageLoop&)> setup, Clock& clock) {
  if (thread_.joinable() || ended_) return false;
  auto started = std::make_shared<Event>(true);
  auto ended = std::make_shared<Event>(true);
  ended_ = ended;
  thread_ = std::thread([this, name = std::move(name), setup = std::move(setup), &clock, started, ended] {
    PrepareThreadForCrashes();
    if (!name.empty()) pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
    int code = -1;
    try {
      MessageLoop loop(clock);
      threadId_ = loop.threadId();
      if (setup) setup(loop);
      started->Set();
      code = loop.Run();
    } catch (...) {
      // A thread catches what it throws: the thread ends, the program goes on.
    }
    started->Set();
    exitCode_ = code;
    ended->Set();
  });
  started->Wait();
  return true;
}

bool MessageThread::PostThreadMessage(uint32_t message, WParam wParam, LParam lParam,
                                      std::unique_ptr<Payload> payload) {
  if (threadId_ == 0) return false;
  return qav::PostThreadMessage(threadId_, message, wParam, lParam, std::move(payload));
}

void MessageThread::Quit(int exitCode) {
  PostThreadMessage(WM_QUIT, static_cast<WParam>(static_cast<uint32_t>(exitCode)));
}

bool MessageThread::Join(int timeoutMs) {
  if (!thread_.joinable()) return ended_ != nullptr;
  if (!ended_->Wait(timeoutMs)) return false;
  thread_.join();
  return true;
}

}  // namespace qav
