// The base of the HTTP client library's exceptions: a standard exception with one optional UTF-16
// message.
#pragma once

#include <exception>
#include <optional>
#include <string>
#include <string_view>

namespace Vemra {

class errmsg_exceptionW : public std::exception {
 public:
  errmsg_exceptionW() = default;
  explicit errmsg_exceptionW(std::optional<std::u16string> message) : m_message(std::move(message)) {}
  ~errmsg_exceptionW() override = default;

  // The class name, as the library's callers log it.
  const char* what() const noexcept override { return "errmsg_exceptionW"; }
  // The message, or "NULL" when there is none.
  virtual std::u16string errmsg() const { return m_message ? *m_message : std::u16string(u"NULL"); }
  // Replaces the message; nullopt clears it.
  virtual void seterrmsg(std::optional<std::u16string_view> message);

 protected:
  std::optional<std::u16string> m_message;
};

}  // namespace Vemra
