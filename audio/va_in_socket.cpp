#include "audio/va_in_socket.h"

#include "audio/loopback_listen.h"
#include "foundation/logger.h"

CVAInSocket::~CVAInSocket() {
  m_receiver.reset();  // hands back its buffer while the owner still exists
  m_listener.reset();
}

bool CVAInSocket::Open(int port, int* boundPort) {
  m_listener = qav::ListenOnLoopback(this, port, boundPort);
  return m_listener != nullptr;
}

void CVAInSocket::OnAccept(int) {
  auto receiver = std::make_unique<CSocReceiver>(m_callbacks);
  if (!m_listener->Accept(*receiver)) {
    QAV_LOG(LOG_WARNING, u"CSocReceiver->Accept() return [%x]", m_listener->LastError());
    return;
  }
  if (!receiver->AsyncSelect(qav::FD_READ | qav::FD_CLOSE)) {
    QAV_LOG(LOG_WARNING, u"CSocReceiver->AsyncSelect() return [%x]", receiver->LastError());
    return;
  }
  if (m_receiver) {
    QAV_LOG(LOG_INFO, u"CVAInSocket::OnAccept() replaces the connection (total recv = %d)", m_receiver->GetTotal());
    m_receiver->EndConnection();
  }
  m_receiver = std::move(receiver);
  m_receiver->ReceiveData();
}

void CVAInSocket::Resume() {
  if (IsConnected()) m_receiver->ReceiveData();
}

void CVAInSocket::DropPending() {
  if (IsConnected()) m_receiver->DropPending();
}
