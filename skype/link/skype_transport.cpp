#include "skype/link/skype_transport.h"

#include <atomic>
#include <utility>

#include "foundation/logger.h"
#include "skype/link/device_to_skype_cmd.h"
#include "skype/link/skype_protocol_error.h"

namespace {

std::atomic<CSkypeCmdSink*> g_transport{nullptr};

}  // namespace

void SetSkypeTransport(CSkypeCmdSink* transport) { g_transport.store(transport, std::memory_order_release); }

CSkypeCmdSink* GetSkypeTransport() { return g_transport.load(std::memory_order_acquire); }

bool BuildSkypeCmd(const SkypeCmdBuilder& build, DeviceToSkypeCmd& cmd, std::u16string_view refusal) {
  try {
    build(cmd);
    return true;
  } catch (const qav::SkypeProtocolError& error) {
    QAV_LOG(LOG_WARNING, u"%s: %s", refusal, error.what());
    return false;
  }
}

namespace {

constexpr char16_t kQueueRefusal[] = u"QueueSkypeCmd - command not sent";

}  // namespace

int CSkypeCmdSink::SendCmdWhenIdle(SkypeCmdBuilder build) {
  DeviceToSkypeCmd cmd;
  return BuildSkypeCmd(build, cmd, kQueueRefusal) ? SendCmdAcknowledged(cmd) : 0;
}

int QueueSkypeCmd(const SkypeCmdBuilder& build) {
  DeviceToSkypeCmd cmd;
  if (!BuildSkypeCmd(build, cmd, kQueueRefusal)) return 0;
  CSkypeCmdSink* transport = GetSkypeTransport();
  if (transport == nullptr) {
    QAV_LOG(LOG_WARNING, u"QueueSkypeCmd - no Skype link, command dropped: %s", cmd.GetText());
    return 0;
  }
  return transport->SendCmdAcknowledged(cmd);
}

int QueueSkypeCmdWhenIdle(SkypeCmdBuilder build) {
  CSkypeCmdSink* transport = GetSkypeTransport();
  if (transport == nullptr) {
    QAV_LOG(LOG_WARNING, u"QueueSkypeCmdWhenIdle - no Skype link, command dropped");
    return 0;
  }
  return transport->SendCmdWhenIdle(std::move(build));
}
