#include "audio/soc_sender.h"

#include "foundation/logger.h"

CSocSender::~CSocSender() {
  m_buffer.HandBack(*m_callbacks, true);
  QAV_LOG(LOG_FINE, u"CSocSender::~CSocSender(total sent = %d)", m_total);
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
  m_buffer.HandBack(*m_callbacks, true);
  if (IsOpen()) {
    ShutDown();
    Close();
  }
}

void CSocSender::SendData() {
  while (IsOpen()) {
    if (!m_buffer.Holds() && !m_buffer.Take(*m_callbacks)) {
      SelectWriting(false);
      return;
    }
    QAV_LOG(LOG_FINEST, u"CSocSender::Send(%d)", m_buffer.Left());
    const int n = Send(m_buffer.At(), static_cast<int>(m_buffer.Left()));
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
    m_buffer.Advance(static_cast<uint32_t>(n));
    m_total += static_cast<uint64_t>(n);
    if (m_buffer.Left() == 0) m_buffer.HandBack(*m_callbacks, false);
  }
}
