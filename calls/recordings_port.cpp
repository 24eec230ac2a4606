#include "calls/recordings_port.h"

#include <atomic>

namespace {

std::atomic<CRecordingsPort*> g_recordingsPort{nullptr};

}  // namespace

void SetRecordingsPort(CRecordingsPort* port) { g_recordingsPort.store(port, std::memory_order_release); }

CRecordingsPort* GetRecordingsPort() { return g_recordingsPort.load(std::memory_order_acquire); }
