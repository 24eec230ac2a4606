#include "app/headless_message_box.h"

#include <cstdio>

#include "foundation/logger.h"
#include "platform/text.h"

int CHeadlessMessageBox::Show(std::u16string_view text, std::u16string_view caption, uint32_t type) {
  const int answer = qav::DefaultMessageBoxAnswer(type);
  const bool warning = (type & qav::kMessageBoxIconMask) == qav::MB_ICONSTOP ||
                       (type & qav::kMessageBoxIconMask) == qav::MB_ICONEXCLAMATION;
  QAV_LOG(warning ? LOG_WARNING : LOG_INFO, u"Message box [%s]: %s (answered %d)", caption, text, answer);
  // Before logging has started (a second copy's warning) standard error is the only witness.
  const std::string line = qav::Utf16ToUtf8(qav::Format(u"%s: %s\n", caption, text));
  std::fwrite(line.data(), 1, line.size(), stderr);
  return answer;
}
