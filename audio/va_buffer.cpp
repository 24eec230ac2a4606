#include "audio/va_buffer.h"

#include <atomic>

#include "foundation/logger.h"
#include "platform/message_loop.h"

namespace qav {

namespace {
std::atomic<uint64_t> g_nextLinkId{1};
}  // namespace

uint64_t NextLoopbackLinkId() { return g_nextLinkId.fetch_add(1); }

void ReturnLinkBuffer(ThreadId owner, uint32_t message, uint64_t linkId, VaHeaderPtr header, const char16_t* link) {
  if (owner == 0) {
    QAV_LOG(LOG_WARNING, u"%s::ReturnBufferToApplication() FAILED", link);
    return;
  }
  if (!PostThreadMessage(owner, message, linkId, 0, std::move(header))) {
    QAV_LOG(LOG_WARNING, u"%s PostThreadMessage( pWinThread = %#X)", link, owner);
  }
}

void ReturnLinkBuffers(ThreadId owner, uint32_t message, uint64_t linkId, VaHeaderPtr* current,
                       std::deque<VaHeaderPtr>* queue, const char16_t* link) {
  if (*current) ReturnLinkBuffer(owner, message, linkId, std::move(*current), link);
  while (!queue->empty()) {
    VaHeaderPtr header = std::move(queue->front());
    queue->pop_front();
    ReturnLinkBuffer(owner, message, linkId, std::move(header), link);
  }
}

}  // namespace qav
