#include "audio/va_socket.h"

#include <cassert>
#include <unistd.h>

#include "audio/loopback_listen.h"
#include "audio/loopback_peer.h"
#include "foundation/logger.h"

CVASocket::CVASocket(const char16_t* traceName) : m_traceName(traceName), m_allowedUser(::geteuid()) {}

CVASocket::~CVASocket() {
  m_connection.reset();  // hands back its buffer while the owner still exists
  m_listener.reset();
}

bool CVASocket::Open(int port, int* boundPort) {
  m_listener = qav::ListenOnLoopback(this, port, boundPort);
  return m_listener != nullptr;
}

void CVASocket::OnAccept(int) {
  assert(m_listener && "only an open listener is told of connections");
  std::unique_ptr<CSocConnection> connection = MakeConnection();
  if (!m_listener->Accept(*connection)) {
    // (both directions have always logged this text)
    QAV_LOG(LOG_WARNING, u"CSocReceiver->Accept() return [%x]", m_listener->LastError());
    return;
  }
  if (!FromAllowedUser(*connection)) return;  // closed with `connection`
  if (!connection->AsyncSelect(qav::FD_READ | qav::FD_CLOSE)) {
    QAV_LOG(LOG_WARNING, u"%s->AsyncSelect() return [%x]", connection->TraceName(), connection->LastError());
    return;
  }
  if (m_connection) {
    QAV_LOG(LOG_INFO, u"%s::OnAccept() replaces the connection (total = %d)", m_traceName, m_connection->GetTotal());
    m_connection->EndConnection();
  }
  m_connection = std::move(connection);
  m_connection->Serve();  // what came or was written before the client connected moves now, in order
}

bool CVASocket::FromAllowedUser(CSocConnection& connection) const {
  const std::optional<uid_t> owner = qav::LoopbackPeerOwner(connection.Handle());
  if (owner && *owner == m_allowedUser) return true;
  if (owner) {
    QAV_LOG(LOG_WARNING, u"%s::OnAccept() [refused a connection from user %u: only user %u may connect]", m_traceName,
            static_cast<unsigned>(*owner), static_cast<unsigned>(m_allowedUser));
  } else {
    QAV_LOG(LOG_WARNING, u"%s::OnAccept() [refused a connection whose user cannot be told]", m_traceName);
  }
  connection.Close();
  return false;
}
