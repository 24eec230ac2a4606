#include "audio/loopback_listen.h"

#include "foundation/logger.h"

namespace qav {

std::unique_ptr<CSocListener> ListenOnLoopback(CSocListenerCallbacks* callbacks, int port, int* boundPort) {
  if (port < 0 || port > 65535) {
    QAV_LOG(LOG_WARNING, u"CSocListener->Create(%d) return [%x]", port, EINVAL);
    return nullptr;
  }
  auto listener = std::make_unique<CSocListener>(callbacks);
  if (!listener->Create(static_cast<uint16_t>(port), kLoopbackAddress, FD_ACCEPT | FD_CLOSE)) {
    QAV_LOG(LOG_WARNING, u"CSocListener->Create(%d) return [%x]", port, listener->LastError());
    return nullptr;
  }
  if (!listener->Listen(5)) {
    QAV_LOG(LOG_WARNING, u"CSocListener->Listen() return [%x]", listener->LastError());
    return nullptr;
  }
  *boundPort = listener->GetLocalPort();
  return listener;
}

}  // namespace qav
