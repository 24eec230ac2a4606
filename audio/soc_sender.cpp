#include "audio/soc_sender.h"

#include "foundation/logger.h"

CSocSender::~CSocSender() {
  HandBack(true);
  QAV_LOG(LOG_FINE, u"CSocSender::~CSocSender(total sent = %d)", m_total);
}

void CSocSender::HandBack(bool ended) {
  if (!m_data) return;
  uint8_t* data = m_data;
  void* user = m_user;
  const uint32_t count = m_position;
  m_data = nullptr;
  m_user = nullptr;
  m_length = m_position = 0;
  m_callbacks->ReleaseBuffer(data, count, user, ended);
}

void CSocSender::SelectWriting(bool on) {
  const uint32_t wanted = on ? (qav::FD_READ | qav::FD_WRITE | qav::FD_CLOSE) : (qav::FD_READ | qav::FD_CLOSE);
  if (IsOpen() && SelectedEvents() != wanted) AsyncSelect(wanted);
}

void CSocSender::OnSend(int) { SendData(); }

void CSocSender::OnReceive(int) {
  uint8_t scratch[512];
  const int n = Receive(scratch, sizeof scratch);
  if (n == 0) {
    OnClose(0);
  } else if (n < 0 && LastError() != qav::kWouldBlock) {
    QAV_LOG(LOG_WARNING, u"CSocSender::Receive(SOCKET_ERROR) [socerr = %#x] -> Close", LastError());
    EndConnection();
  }
}

void CSocSender::OnClose(int) {
  QAV_LOG(LOG_INFO, u"CSocSender::OnClose()");
  EndConnection();
}

void CSocSender::EndConnection() {
  HandBack(true);
  if (IsOpen()) {
    ShutDown();
    Close();
  }
}

void CSocSender::SendData() {
  while (IsOpen()) {
    if (!m_data) {
      uint8_t* data = nullptr;
      uint32_t length = 0;
      void* user = nullptr;
      if (!m_callbacks->GetBuffer(&data, &length, &user)) {
        SelectWriting(false);
        return;
      }
      if (length == 0) {
        m_callbacks->ReleaseBuffer(data, 0, user, false);
        SelectWriting(false);
        return;
      }
      m_data = data;
      m_length = length;
      m_user = user;
      m_position = 0;
    }
    QAV_LOG(LOG_FINEST, u"CSocSender::Send(%d)", m_length - m_position);
    const int n = Send(m_data + m_position, static_cast<int>(m_length - m_position));
    if (n < 0) {
      if (LastError() == qav::kWouldBlock) {
        QAV_LOG(LOG_FINEST, u"CSocSender::Send(SOCKET_ERROR) WSAEWOULDBLOCK [socerr = %#x]", LastError());
        SelectWriting(true);
      } else {
        QAV_LOG(LOG_WARNING, u"CSocSender::Send(SOCKET_ERROR) [socerr = %#x] -> Close", LastError());
        EndConnection();
      }
      return;
    }
    m_position += static_cast<uint32_t>(n);
    m_total += static_cast<uint64_t>(n);
    if (m_position == m_length) HandBack(false);
  }
}
