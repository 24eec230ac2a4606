#include "net/http_client_exception.h"

#include "net/http_error_table.h"
#include "net/varerrmsg_exception.h"
#include "platform/text.h"

namespace Vemra {

void ThrowHttpError(uint32_t errorCode) { ThrowHttpError(errorCode, 0); }

void ThrowHttpError(uint32_t errorCode, uint32_t lastError) {
  throw httpclientexceptionW(std::u16string(GetErrorMessage(errorCode)), errorCode, lastError);
}

void ThrowHttpTransferError(uint32_t errorCode, uint32_t transferError, std::string_view description) {
  std::u16string message(GetErrorMessage(errorCode));
  if (!description.empty()) message += u" " + qav::Utf8ToUtf16(description);
  throw httpclientexceptionW(std::move(message), errorCode, transferError);
}

void ThrowHttpFileError(uint32_t errorCode, std::u16string_view path, uint32_t lastError) {
  throw httpclientexceptionW(CutFormattedMessage(qav::Format(GetErrorMessage(errorCode), path)), errorCode, lastError);
}

void ThrowHttpArgument(std::u16string_view message) {
  throw httpclientexceptionW(std::u16string(message), 0, 0);
}

uint32_t CheckedAdd(uint32_t a, uint64_t b) {
  const uint64_t sum = static_cast<uint64_t>(a) + b;
  if (b > UINT32_MAX || sum > UINT32_MAX) ThrowHttpError(kHttpErrorOverflow);
  return static_cast<uint32_t>(sum);
}

}  // namespace Vemra
