#include "audio/soc_receiver.h"

#include "foundation/logger.h"

namespace {
// Reads of dropped input go through a small scratch buffer; a bound keeps one notification short.
constexpr int kScratchSize = 4096;
constexpr int kMaxDropReads = 256;
}  // namespace

CSocReceiver::~CSocReceiver() {
  HandBack(true);
  QAV_LOG(LOG_FINE, u"CSocReceiver::~CSocReceiver(total recv = %d)", m_total);
}

void CSocReceiver::HandBack(bool ended) {
  if (!m_data) return;
  uint8_t* data = m_data;
  void* user = m_user;
  const uint32_t count = m_position;
  m_data = nullptr;
  m_user = nullptr;
  m_length = m_position = 0;
  m_callbacks->ReleaseBuffer(data, count, user, ended);
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
  HandBack(true);
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
  if (!m_data && m_callbacks->DiscardingInput()) {
    SelectReading(true);
    DropPending();
    return;
  }
  if (!m_data) {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    void* user = nullptr;
    if (!m_callbacks->GetBuffer(&data, &length, &user) || length == 0) {
      if (data) m_callbacks->ReleaseBuffer(data, 0, user, false);
      SelectReading(false);  // the data waits in the socket until a buffer comes
      return;
    }
    m_data = data;
    m_length = length;
    m_user = user;
    m_position = 0;
  }
  SelectReading(true);
  const int n = Receive(m_data + m_position, static_cast<int>(m_length - m_position));
  if (n > 0) {
    QAV_LOG(LOG_FINEST, u"CSocReceiver::Received(%d)", n);
    m_position += static_cast<uint32_t>(n);
    m_total += static_cast<uint64_t>(n);
    if (m_position == m_length) HandBack(false);
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
