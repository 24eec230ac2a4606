#include "foundation/logger.h"

#include <mutex>

#include "platform/clock.h"

CLogger g_Logger(u"QAV");

CLogger::CLogger(std::u16string name) : m_name(std::move(name)) {}

int CLogger::AddHandler(CLogHandler* handler) {
  std::unique_lock lock(m_slotsMutex);
  for (int i = 0; i < kSlotCount; ++i) {
    if (m_slots[i] == handler) return i;
  }
  for (int i = 0; i < kSlotCount; ++i) {
    if (m_slots[i] == nullptr) {
      m_slots[i] = handler;
      RecomputeMinLevel();
      return i;
    }
  }
  return kSlotCount;
}

int CLogger::RemoveHandler(CLogHandler* handler) {
  std::unique_lock lock(m_slotsMutex);  // waits for every Log in flight
  for (auto& slot : m_slots) {
    if (slot == handler && handler != nullptr) {
      slot = nullptr;
      RecomputeMinLevel();
      return 1;
    }
  }
  return 0;
}

CLogHandler* CLogger::GetHandler(int slot) const {
  if (slot < 0 || slot >= kSlotCount) return nullptr;
  std::shared_lock lock(m_slotsMutex);
  return m_slots[slot];
}

CLogHandler* CLogger::TakeHandler(int slot) {
  if (slot < 0 || slot >= kSlotCount) return nullptr;
  std::unique_lock lock(m_slotsMutex);
  CLogHandler* h = m_slots[slot];
  m_slots[slot] = nullptr;
  RecomputeMinLevel();
  return h;
}

void CLogger::RecomputeMinLevel() {
  int32_t minimum = LOG_OFF;
  for (CLogHandler* h : m_slots) {
    if (h && h->GetLevel() < minimum) minimum = h->GetLevel();
  }
  m_minLevel.store(minimum, std::memory_order_relaxed);
}

int CLogger::Log(int32_t level, std::u16string_view sourceFile, int32_t sourceLine, std::u16string_view message) {
  CLogRecord record;
  record.level = level;
  record.loggerName = m_name;
  record.message = message;
  const qav::WallTime now = qav::CurrentClock().Now();
  record.timeSeconds = now.seconds;
  record.milliseconds = now.milliseconds;
  record.sourceFile = sourceFile;
  record.sourceLine = sourceLine;
  record.threadId = qav::CurrentThreadId();
  record.processId = qav::CurrentProcessId();

  std::shared_lock lock(m_slotsMutex);
  for (CLogHandler* h : m_slots) {
    if (h) h->Log(record);
  }
  return 1;
}
