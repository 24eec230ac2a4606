// Collects what the program logs while a test runs: installs itself on g_Logger at level 1 and
// removes itself when destroyed.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/logger.h"

namespace qav::test {

class LogCapture : public CLogHandler {
 public:
  struct Line {
    int32_t level;
    std::u16string message;
  };

  LogCapture();
  ~LogCapture() override;

  int Log(CLogRecord& record) override;

  std::vector<Line> Lines() const;
  // True when a line of exactly this level and message was logged.
  bool Has(int32_t level, std::u16string_view message) const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<Line> lines_;
};

}  // namespace qav::test
