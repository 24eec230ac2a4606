#include "audio/va_out.h"

#include <algorithm>

#include "audio/va_out_socket.h"
#include "foundation/logger.h"
#include "platform/message_loop.h"

namespace {
constexpr uint64_t kPaceTimerId = 1;
}  // namespace

CVAOut::CVAOut() : m_id(qav::NextLoopbackLinkId()) {}

CVAOut::~CVAOut() {
  if (m_state == kOpen || m_state == kPaused) Close();
  ReturnAll();
}

int CVAOut::Open(qav::ThreadId owner, int* port, uint32_t bytesPerSecond) {
  qav::MessageLoop* loop = qav::MessageLoop::Current();
  if (m_state != kClosed || !loop || bytesPerSecond < 100) {
    QAV_LOG(LOG_WARNING, u"CVAOut::Open() FAILED");
    return 0;
  }
  auto socket = std::make_unique<CVAOutSocket>(this);
  int bound = 0;
  if (!socket->Open(*port, &bound) ||
      !m_paceWindow.Create(*loop, "QAVLoopbackPace", u"", qav::WindowKind::kLocal, [this](qav::Msg& msg) {
        if (msg.message == qav::WM_TIMER) OnPaceTimer();
        return qav::LResult{0};
      })) {
    QAV_LOG(LOG_WARNING, u"CVAOut::Open() FAILED");
    return 0;
  }
  m_socket = std::move(socket);
  m_owner = owner;
  m_bytesPerSecond = bytesPerSecond;
  m_leadBytes = std::max<uint32_t>(2, (bytesPerSecond * kLeadMs / 1000) & ~1u);
  m_liveLeadBytes = std::max<uint32_t>(2, (bytesPerSecond * kLiveLeadMs / 1000) & ~1u);
  m_pieceBytes = std::max<uint32_t>(2, (bytesPerSecond * kPieceMs / 1000) & ~1u);
  m_catchUpBytes = (bytesPerSecond * kCatchUpMs / 1000) & ~1u;
  *port = bound;
  m_state = kOpen;
  return 1;
}

uint64_t CVAOut::QueuedBytes() const {
  uint64_t bytes = m_lent ? m_lent->data.size() - m_lent->bytesDone : 0;
  for (const auto& h : m_queue) bytes += h->data.size() - h->bytesDone;
  return bytes;
}

int CVAOut::Write(VaHeaderPtr& header) {
  if ((m_state != kOpen && m_state != kPaused) || !header || header->data.empty() || header->bytesDone != 0) {
    QAV_LOG(LOG_WARNING, u"CVAOut::Write() FAILED");
    return 0;
  }
  const uint64_t limit = uint64_t{m_bytesPerSecond} * kMaxQueuedMs / 1000;
  while (!m_queue.empty() && QueuedBytes() + header->data.size() > limit) {
    QAV_LOG(LOG_FINE, u"CVAOut::Write() the client does not read: the oldest block is dropped");
    VaHeaderPtr oldest = std::move(m_queue.front());
    m_queue.pop_front();
    ReturnBufferToApplication(std::move(oldest));
  }
  m_queue.push_back(std::move(header));
  if (m_state == kOpen && m_socket) m_socket->Send();
  return 1;
}

int CVAOut::Pause() {
  if (m_state != kOpen) {
    QAV_LOG(LOG_WARNING, u"CVAOut::Pause() FAILED");
    return 0;
  }
  m_state = kPaused;
  return 1;
}

int CVAOut::Restart() {
  if (m_state != kPaused) {
    QAV_LOG(LOG_WARNING, u"CVAOut::Restart() FAILED");
    return 0;
  }
  m_state = kOpen;
  m_paceRunning = false;  // the pause is not made up for
  if (m_socket) m_socket->Send();
  return 1;
}

int CVAOut::Reset() {
  ReturnAll();
  return 1;
}

int CVAOut::Close() {
  if (m_state != kOpen && m_state != kPaused) {
    QAV_LOG(LOG_WARNING, u"CVAOut::Close() FAILED");
    return 0;
  }
  m_socket.reset();  // the sender hands back the buffer it holds
  m_paceWindow.Destroy();
  m_paceTimerArmed = false;
  ReturnAll();
  m_state = kClosedAfterUse;
  return 1;
}

bool CVAOut::IsConnected() const { return m_socket && m_socket->IsConnected(); }

uint32_t CVAOut::Allowance() {
  const int64_t now = qav::MessageLoop::Current()->clock().MonotonicMs();
  if (!m_paceRunning) {
    m_paceRunning = true;
    m_paceStartMs = now;
    m_paceSent = 0;
    m_paceStarting = true;
  }
  const uint64_t lead = m_live ? m_liveLeadBytes : m_leadBytes;
  const uint64_t earned = static_cast<uint64_t>(std::max<int64_t>(0, now - m_paceStartMs)) * m_bytesPerSecond / 1000;
  const uint64_t allowed = lead + earned - std::min<uint64_t>(m_paceSent, lead + earned);
  if (allowed > lead + m_catchUpBytes) {
    // The stream paused, or the thread was held up for long: go on from now, with no more than the
    // catch-up ahead, rather than send everything that could have gone meanwhile.
    m_paceStartMs = now;
    m_paceSent = 0;
    m_paceStarting = true;
    return static_cast<uint32_t>(lead + m_catchUpBytes);
  }
  return static_cast<uint32_t>(allowed);
}

bool CVAOut::GetBuffer(uint8_t** data, uint32_t* length, void** user) {
  if (m_state != kOpen || m_queue.empty() || m_lent) {
    QAV_LOG(LOG_FINEST, u"CVAOut::GetBuffer() Nothing to send [state = %d, Count = %d]", m_state, m_queue.size());
    // A piece cut short by an empty queue goes on with the next write: the buffer after a
    // returned one is written a message later, and the piece's rest is due now.
    return false;
  }
  const uint32_t allowance = Allowance() & ~1u;  // whole samples
  // Sending goes in pieces: a piece begins once the pace allows a whole one (or all that is
  // queued), and goes on across buffers until the allowance is spent. One wake-up per piece.
  const uint32_t piece = static_cast<uint32_t>(std::min<uint64_t>(m_pieceBytes, QueuedBytes()));
  if (allowance == 0 || (!m_inPiece && !m_paceStarting && allowance < piece)) {
    m_inPiece = false;
    ArmPaceTimer(allowance, piece);
    return false;
  }
  m_inPiece = true;
  m_paceStarting = false;
  m_lent = std::move(m_queue.front());
  m_queue.pop_front();
  *data = m_lent->data.data() + m_lent->bytesDone;
  *length = std::min<uint32_t>(static_cast<uint32_t>(m_lent->data.size()) - m_lent->bytesDone, allowance);
  *user = m_lent.get();
  if (*length < m_lent->data.size() - m_lent->bytesDone) {
    m_inPiece = false;
    ArmPaceTimer(0, m_pieceBytes);
  }
  return true;
}

void CVAOut::ReleaseBuffer(uint8_t*, uint32_t count, void* user, bool) {
  if (!m_lent || user != m_lent.get()) return;
  VaHeaderPtr header = std::move(m_lent);
  header->bytesDone += count;
  m_paceSent += count;
  if (header->bytesDone >= header->data.size()) {
    ReturnBufferToApplication(std::move(header));
  } else {
    m_queue.push_front(std::move(header));
  }
}

void CVAOut::ArmPaceTimer(uint32_t allowance, uint32_t piece) {
  if (m_paceTimerArmed || !m_paceWindow) return;
  // Wake when the next piece has been earned.
  const uint32_t wanted = piece > allowance ? piece - allowance : 2;
  const uint32_t ms = std::max<uint32_t>(1, static_cast<uint32_t>((uint64_t{wanted} * 1000 + m_bytesPerSecond - 1) /
                                                                   m_bytesPerSecond));
  if (qav::SetTimer(m_paceWindow.handle(), kPaceTimerId, ms)) m_paceTimerArmed = true;
}

void CVAOut::OnPaceTimer() {
  qav::KillTimer(m_paceWindow.handle(), kPaceTimerId);
  m_paceTimerArmed = false;
  if (m_state == kOpen && m_socket) m_socket->Send();
}

void CVAOut::ReturnAll() {
  qav::ReturnLinkBuffers(m_owner, WM_VAOUT_DONE, m_id, &m_lent, &m_queue, u"CVAOut");
}

void CVAOut::ReturnBufferToApplication(VaHeaderPtr header) {
  qav::ReturnLinkBuffer(m_owner, WM_VAOUT_DONE, m_id, std::move(header), u"CVAOut");
}
