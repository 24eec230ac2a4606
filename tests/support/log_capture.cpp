#include "tests/support/log_capture.h"

namespace qav::test {

LogCapture::LogCapture() : CLogHandler(LOG_ALL) { g_Logger.AddHandler(this); }

LogCapture::~LogCapture() { g_Logger.RemoveHandler(this); }

int LogCapture::Log(CLogRecord& record) {
  std::lock_guard lock(mutex_);
  lines_.push_back({record.level, std::u16string(record.message)});
  return 1;
}

std::vector<LogCapture::Line> LogCapture::Lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

bool LogCapture::Has(int32_t level, std::u16string_view message) const {
  std::lock_guard lock(mutex_);
  for (const Line& line : lines_) {
    if (line.level == level && line.message == message) return true;
  }
  return false;
}

void LogCapture::Clear() {
  std::lock_guard lock(mutex_);
  lines_.clear();
}

}  // namespace qav::test
