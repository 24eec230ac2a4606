#include "audio/va_out_socket.h"

#include "audio/loopback_listen.h"
#include "foundation/logger.h"

CVAOutSocket::~CVAOutSocket() {
  m_sender.reset();
  m_listener.reset();
}

bool CVAOutSocket::Open(int port, int* boundPort) {
  m_listener = qav::ListenOnLoopback(this, port, boundPort);
  return m_listener != nullptr;
}

void CVAOutSocket::OnAccept(int) {
  auto sender = std::make_unique<CSocSender>(m_callbacks);
  if (!m_listener->Accept(*sender)) {
    QAV_LOG(LOG_WARNING, u"CSocReceiver->Accept() return [%x]", m_listener->LastError());
    return;
  }
  if (!sender->AsyncSelect(qav::FD_READ | qav::FD_CLOSE)) {
    QAV_LOG(LOG_WARNING, u"CSocSender->AsyncSelect() return [%x]", sender->LastError());
    return;
  }
  if (m_sender) {
    QAV_LOG(LOG_INFO, u"CVAOutSocket::OnAccept() replaces the connection (total sent = %d)", m_sender->GetTotal());
    m_sender->EndConnection();
  }
  m_sender = std::move(sender);
  m_sender->SendData();  // what was written before the client connected goes now, in order
}

void CVAOutSocket::Send() {
  if (IsConnected()) m_sender->SendData();
}
