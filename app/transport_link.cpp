#include "app/transport_link.h"

#include "foundation/logger.h"

CTransportLink::~CTransportLink() { Shutdown(0); }

int CTransportLink::Start(qav::Hwnd) {
  auto transport = std::make_unique<CSTL>(m_guiLoop);
  // One command awaits its reply at a time, as the dispatcher has it.
  if (transport->Init(1, this, this) < 1) return 0;
  m_transport = std::move(transport);
  SetSkypeTransport(m_transport.get());
  m_transport->Connect();
  return 1;
}

bool CTransportLink::Shutdown(int) {
  if (!m_transport) return true;
  SetSkypeTransport(nullptr);
  m_transport->End();  // joins the sender thread
  m_transport.reset();
  return true;
}

int CTransportLink::QueueCommand(const DeviceToSkypeCmd& command) {
  return m_transport ? m_transport->SendCmdAcknowledged(command) : 0;
}

void CTransportLink::ConnectionStateNotify(int32_t state) {
  QAV_LOG(LOG_INFO, u"CTransportLink: connection state %d", state);
}
