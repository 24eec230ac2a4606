// The Skype link as far as this build has it: the transport (CSTL) alone, attached to the call
// client and kept alive, without the dispatcher and the call model that consume what it reports.
// Connection states are logged; received lines are logged by the transport itself.
//
// It stands in CAppLink's place until the dispatcher is part of the build; the dispatcher then
// owns the transport (CSkypeMsgHndl::StartSTL) and this file goes.
#pragma once

#include <memory>

#include "app/app_parts.h"
#include "platform/message_loop.h"
#include "skype/link/stl_transport.h"

class CTransportLink : public CAppLink, CSTLCallbackConnectionStateChange, CSTLCallbackReceivedSkypeCmd {
 public:
  explicit CTransportLink(qav::MessageLoop& guiLoop) : m_guiLoop(guiLoop) {}
  ~CTransportLink() override;

  int Start(qav::Hwnd mainWindow) override;
  bool Shutdown(int timeoutMs) override;
  bool TransportExists() override { return m_transport != nullptr; }
  std::vector<int32_t> CallIdsWithStatus(int32_t) override { return {}; }
  int QueueCommand(const DeviceToSkypeCmd& command) override;
  CAppCurrentUser CurrentUser() override { return {}; }

 private:
  void ConnectionStateNotify(int32_t state) override;
  void OnSkypeCmdReceived(const SkypeToDeviceCmd&) override {}

  qav::MessageLoop& m_guiLoop;
  std::unique_ptr<CSTL> m_transport;
};
