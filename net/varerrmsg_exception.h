// An exception whose message is formatted from a printf-style format (qav::Format rules), cut to
// the 511 characters the library's message buffer holds.
#pragma once

#include "net/errmsg_exception.h"
#include "platform/text.h"

namespace Vemra {

// The longest message a formatted exception keeps.
inline constexpr size_t kMaxFormattedMessage = 511;

class varerrmsg_exceptionW : public errmsg_exceptionW {
 public:
  template <typename... Args>
  explicit varerrmsg_exceptionW(std::u16string_view format, const Args&... args) {
    setvarerrmsg(format, args...);
  }

  const char* what() const noexcept override { return "varerrmsg_exceptionW"; }

  template <typename... Args>
  void setvarerrmsg(std::u16string_view format, const Args&... args) {
    SetFormatted(qav::Format(format, args...));
  }

 private:
  void SetFormatted(std::u16string text);
};

// Cuts a formatted message to kMaxFormattedMessage characters.
std::u16string CutFormattedMessage(std::u16string text);

}  // namespace Vemra
