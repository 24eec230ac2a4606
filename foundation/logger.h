// The program's one logger and the interface of its handlers.
//
// Every subsystem traces through `g_Logger` with QAV_LOG, which compares the level with the lowest
// level of the installed handlers before it formats anything, so disabled logging costs one load
// and one compare. Levels: 1 ALL, 2 FINEST, 3 FINER, 4 FINE, 5 CONFIG, 6 INFO, 7 WARNING,
// 8 SEVERE, 9 OFF.
//
// Threading: any thread may log. Handlers are added and removed on the GUI thread, but a removal
// must not pull a handler from under a thread that is writing to it, so the slots are read under a
// shared lock and changed under an exclusive one: once RemoveHandler returns, no thread is inside
// the removed handler and its owner may delete it. Each handler kind serialises its own output.
#pragma once

#include <atomic>
#include <cstdint>
#include <shared_mutex>
#include <string>
#include <string_view>

#include "platform/text.h"

enum LogLevel : int32_t {
  LOG_ALL = 1,
  LOG_FINEST = 2,
  LOG_FINER = 3,
  LOG_FINE = 4,
  LOG_CONFIG = 5,
  LOG_INFO = 6,
  LOG_WARNING = 7,
  LOG_SEVERE = 8,
  LOG_OFF = 9,
};

// One log call's record, built on the caller's stack. Its texts are views of what the caller
// holds (the formatted message, the logger's name, the call site's file name) for the time of the
// call: a handler that keeps a record copies what it keeps, once, into its own storage.
struct CLogRecord {
  int32_t level = 0;
  std::u16string_view loggerName;
  std::u16string_view message;
  int64_t timeSeconds = 0;  // seconds since 1970; the text form shows local time
  int32_t milliseconds = 0;
  uint32_t sequence = 0;  // set by each handler just before it formats the record
  std::u16string_view sourceFile;
  int32_t sourceLine = 0;
  uint32_t threadId = 0;
  uint32_t processId = 0;
};

class CLogHandler {
 public:
  explicit CLogHandler(int32_t level) : m_level(level) {}
  virtual ~CLogHandler() = default;
  CLogHandler(const CLogHandler&) = delete;
  CLogHandler& operator=(const CLogHandler&) = delete;

  // Returns 1 when the record was written or filtered out, 0 on a failure.
  virtual int Log(CLogRecord& record) = 0;

  int32_t GetLevel() const { return m_level; }

 protected:
  // True when the record passes this handler's level (a level-9 handler writes nothing).
  bool Accepts(const CLogRecord& record) const { return m_level != LOG_OFF && record.level >= m_level; }
  // The handler's own sequence counter; callers hold the handler kind's lock.
  uint32_t NextSequence() { return m_sequence++; }

 private:
  const int32_t m_level;
  uint32_t m_sequence = 0;
};

class CLogger {
 public:
  static constexpr int kSlotCount = 16;

  explicit CLogger(std::u16string name);

  // Installs the handler in the first empty slot and returns its index; a handler already
  // installed keeps its slot. Returns 16 when every slot is taken.
  int AddHandler(CLogHandler* handler);
  // Empties the first slot holding the handler: 1, or 0 when it was not installed. Waits for
  // threads that are inside the handler, so the caller may delete it afterwards.
  int RemoveHandler(CLogHandler* handler);
  CLogHandler* GetHandler(int slot) const;
  CLogHandler* TakeHandler(int slot);

  // Lowest level among the installed handlers; 9 with none installed.
  int32_t GetMinLevel() const { return m_minLevel.load(std::memory_order_relaxed); }

  // Builds one record and gives it to every installed handler in slot order. Returns 1.
  int Log(int32_t level, std::u16string_view sourceFile, int32_t sourceLine, std::u16string_view message);

  const std::u16string& GetName() const { return m_name; }

 private:
  void RecomputeMinLevel();  // under the exclusive lock

  const std::u16string m_name;
  mutable std::shared_mutex m_slotsMutex;
  CLogHandler* m_slots[kSlotCount] = {};
  std::atomic<int32_t> m_minLevel{LOG_OFF};
};

// The program's logger, named "QAV".
extern CLogger g_Logger;

// The file name part of a source path, as the traces show it.
constexpr std::string_view QavSourceName(std::string_view path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// QAV_LOG(level, format, args...): formats (qav::Format rules) only when a handler takes the level.
// The message is formatted once and handed to the handlers as it is; the call site's file name is
// converted the first time the site logs and kept.
#define QAV_LOG(level, ...)                                                                              \
  do {                                                                                                   \
    if (static_cast<int32_t>(level) >= g_Logger.GetMinLevel()) {                                         \
      static const std::u16string qavLogSourceName = qav::Utf8ToUtf16(QavSourceName(__FILE__));          \
      g_Logger.Log(static_cast<int32_t>(level), qavLogSourceName, __LINE__, qav::Format(__VA_ARGS__));   \
    }                                                                                                    \
  } while (0)
