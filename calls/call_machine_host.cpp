#include "calls/call_machine_host.h"

#include <atomic>

namespace {

std::atomic<CCallMachineHost*> g_callMachineHost{nullptr};

}  // namespace

void SetCallMachineHost(CCallMachineHost* host) { g_callMachineHost.store(host, std::memory_order_release); }

CCallMachineHost* GetCallMachineHost() { return g_callMachineHost.load(std::memory_order_acquire); }
