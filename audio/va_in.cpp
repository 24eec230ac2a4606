#include "audio/va_in.h"

#include "audio/va_in_socket.h"
#include "foundation/logger.h"
#include "platform/message_loop.h"

CVAIn::CVAIn() : m_id(qav::NextLoopbackLinkId()) {}

CVAIn::~CVAIn() {
  if (m_state != kClosedAfterUse) {
    if (m_state == kClosed) m_state = kStopped;  // never opened: nothing to stop, buffers to give back
    Close();
  }
}

int CVAIn::Open(qav::ThreadId owner, int* port) {
  if (m_state != kClosed) {
    QAV_LOG(LOG_WARNING, u"CVAIn::Open() FAILED");
    return 0;
  }
  auto socket = std::make_unique<CVAInSocket>(this);
  int bound = 0;
  if (!socket->Open(*port, &bound)) {
    QAV_LOG(LOG_WARNING, u"CVAIn::Open() FAILED");
    return 0;
  }
  m_socket = std::move(socket);
  m_owner = owner;
  *port = bound;
  m_state = kOpen;
  return 1;
}

int CVAIn::AddBuffer(VaHeaderPtr& header) {
  if (m_state < kOpen || m_state > kStopped || !header || header->data.empty() || header->bytesDone != 0) {
    QAV_LOG(LOG_WARNING, u"CVAIn::AddBuffer() FAILED");
    return 0;
  }
  m_queue.push_back(std::move(header));
  // After an underrun the receiver stopped reading; a new buffer lets it go on.
  if (m_state == kStarted && !m_lent && m_socket) m_socket->Resume();
  return 1;
}

int CVAIn::Start() {
  if (m_state != kOpen) {
    QAV_LOG(LOG_WARNING, u"CVAIn::Start() FAILED");
    return 0;
  }
  m_state = kStarted;
  if (m_socket) m_socket->Resume();
  return 1;
}

int CVAIn::Stop() {
  if (m_state == kClosed) {
    QAV_LOG(LOG_WARNING, u"CVAIn::Stop() FAILED");
    return 0;
  }
  m_state = kStopped;
  return 1;
}

int CVAIn::Reset() {
  if (m_state != kClosed) Stop();
  ReturnAll();
  return 1;
}

int CVAIn::Close() {
  if (m_state != kStopped && !Stop()) {
    QAV_LOG(LOG_WARNING, u"CVAIn::Close() FAILED");
    return 0;
  }
  m_socket.reset();  // the receiver hands back the buffer it holds
  ReturnAll();
  m_state = kClosedAfterUse;
  return 1;
}

void CVAIn::SetDiscard(bool discard) {
  if (m_discard == discard) return;
  m_discard = discard;
  if (!m_socket) return;
  if (discard) {
    m_socket->Resume();
  } else {
    m_socket->DropPending();  // what came while it was not wanted is not read later as new
  }
}

bool CVAIn::IsConnected() const { return m_socket && m_socket->IsConnected(); }

bool CVAIn::GetBuffer(uint8_t** data, uint32_t* length, void** user) {
  if (m_state != kStarted || m_queue.empty() || m_lent) {
    QAV_LOG(LOG_FINE, u"CVAIn::GetBuffer() FAILED [state = %d, Count = %d]", m_state, m_queue.size());
    return false;
  }
  m_lent = std::move(m_queue.front());
  m_queue.pop_front();
  *data = m_lent->data.data() + m_lent->bytesDone;
  *length = static_cast<uint32_t>(m_lent->data.size()) - m_lent->bytesDone;
  *user = m_lent.get();
  return true;
}

void CVAIn::ReleaseBuffer(uint8_t*, uint32_t count, void* user, bool ended) {
  if (!m_lent || user != m_lent.get()) return;
  VaHeaderPtr header = std::move(m_lent);
  header->bytesDone += count;
  if (header->bytesDone >= header->data.size() || (ended && header->bytesDone > 0)) {
    ReturnBufferToApplication(std::move(header));
  } else {
    m_queue.push_front(std::move(header));
  }
}

void CVAIn::ReturnAll() {
  qav::ReturnLinkBuffers(m_owner, WM_VAIN_DATA, m_id, &m_lent, &m_queue, u"CVAIn");
}

void CVAIn::ReturnBufferToApplication(VaHeaderPtr header) {
  qav::ReturnLinkBuffer(m_owner, WM_VAIN_DATA, m_id, std::move(header), u"CVAIn");
}
