#include "audio/soc_receiver.h"

#include "foundation/logger.h"

namespace {
// Reads of dropped input go through a small scratch buffer; a bound keeps one notification short.
constexpr int kScratchSize = 4096;
constexpr int kMaxDropReads = 256;
}  // namespace

CSocReceiver::~CSocReceiver() {
  m_buffer.HandBack(*m_callbacks, true);
  QAV_LOG(LOG_FINE, u"CSocReceiver::~CSocReceiver(total recv = %d)", m_total);
}

void CSocReceiver::SelectReading(bool on) {
  const uint32_t wanted = on ? (qav::FD_READ | qav::FD_CLOSE) : qav::FD_CLOSE;
  if (IsOpen() && SelectedEvents() != wanted) AsyncSelect(wanted);
}

void CSocReceiver::OnReceive(int) { ReceiveData(); }

void CSocReceiver::OnClose(int) {
  QAV_LOG(LOG_INFO, u"CSocReceiver::OnClose()");
  EndConnection();
}

void CSocReceiver::EndConnection() {
  m_buffer.HandBack(*m_callbacks, true);
  if (IsOpen()) {
    ShutDown();
    Close();
  }
}

void CSocReceiver::DropPending() {
  uint8_t scratch[kScratchSize];
  for (int i = 0; i < kMaxDropReads && IsOpen(); ++i) {
    const int n = Receive(scratch, kScratchSize);
    if (n > 0) continue;
    if (n == 0) {
      QAV_LOG(LOG_INFO, u"CSocReceiver::Receive(0) -> Close");
      EndConnection();
    } else if (LastError() != qav::kWouldBlock) {
      QAV_LOG(LOG_WARNING, u"CSocReceiver::Receive(SOCKET_ERROR) [socerr = %#x] -> Close", LastError());
      EndConnection();
    }
    return;
  }
}

void CSocReceiver::ReceiveData() {
  if (!IsOpen()) return;
  if (!m_buffer.Holds() && m_callbacks->DiscardingInput()) {
    SelectReading(true);
    DropPending();
    return;
  }
  if (!m_buffer.Holds() && !m_buffer.Take(*m_callbacks)) {
    SelectReading(false);  // the data waits in the socket until a buffer comes
    return;
  }
  SelectReading(true);
  const int n = Receive(m_buffer.At(), static_cast<int>(m_buffer.Left()));
  if (n > 0) {
    QAV_LOG(LOG_FINEST, u"CSocReceiver::Received(%d)", n);
    m_buffer.Advance(static_cast<uint32_t>(n));
    m_total += static_cast<uint64_t>(n);
    if (m_buffer.Left() == 0) m_buffer.HandBack(*m_callbacks, false);
  } else if (n == 0) {
    QAV_LOG(LOG_INFO, u"CSocReceiver::Receive(0) -> Close");
    EndConnection();
  } else if (LastError() == qav::kWouldBlock) {
    QAV_LOG(LOG_FINEST, u"CSocReceiver::Receive(SOCKET_ERROR) WSAEWOULDBLOCK [socerr = %#x]", LastError());
  } else {
    QAV_LOG(LOG_WARNING, u"CSocReceiver::Receive(SOCKET_ERROR) [socerr = %#x] -> Close", LastError());
    EndConnection();
  }
}
