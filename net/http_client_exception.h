// The one exception every failure of the HTTP client library is thrown as: a message, the
// library's error code (net/http_error_table.h) and the system's error of the failed call (for the
// transfer codes 407-409 and 401, the transfer library's error number; 0 when none applies).
#pragma once

#include <cstdint>
#include <string_view>

#include "net/errmsg_exception.h"

namespace Vemra {

class httpclientexceptionW : public errmsg_exceptionW {
 public:
  httpclientexceptionW(std::optional<std::u16string> message, uint32_t errorCode, uint32_t lastError)
      : errmsg_exceptionW(std::move(message)), m_errorCode(errorCode), m_lastError(lastError) {}

  const char* what() const noexcept override { return "httpclientexceptionW"; }
  uint32_t GetErrorCode() const { return m_errorCode; }
  uint32_t GetLastError() const { return m_lastError; }

 private:
  uint32_t m_errorCode;
  uint32_t m_lastError;
};

// The library's ways to fail.
// By code, with the table's message and no system error.
[[noreturn]] void ThrowHttpError(uint32_t errorCode);
// By code, with the system error of the call that failed.
[[noreturn]] void ThrowHttpError(uint32_t errorCode, uint32_t lastError);
// By one of the transfer codes (407-409, 401), with the transfer library's error number: the
// table's message followed by what went wrong, in the transfer's words.
[[noreturn]] void ThrowHttpTransferError(uint32_t errorCode, uint32_t transferError, std::string_view description);
// By one of the codes whose message names a file (114, 603, 605, 606).
[[noreturn]] void ThrowHttpFileError(uint32_t errorCode, std::u16string_view path, uint32_t lastError = 0);
// A refused argument or a call at the wrong moment: the message names class, operation and
// argument; code 0.
[[noreturn]] void ThrowHttpArgument(std::u16string_view message);

// Overflow-tested arithmetic of lengths and counters: error 112 on overflow.
uint32_t CheckedAdd(uint32_t a, uint64_t b);

}  // namespace Vemra
