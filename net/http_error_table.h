// The HTTP client library's error codes and their messages.
#pragma once

#include <cstdint>
#include <string_view>

namespace Vemra {

// The codes the library raises (the rest of the table is in GetErrorMessage).
inline constexpr uint32_t kHttpErrorUnexpected = 100;
inline constexpr uint32_t kHttpErrorOutOfMemory = 102;
inline constexpr uint32_t kHttpErrorInvalidUrl = 103;
inline constexpr uint32_t kHttpErrorNotStarted = 104;
inline constexpr uint32_t kHttpErrorShortRead = 105;
inline constexpr uint32_t kHttpErrorInvalidPort = 107;
inline constexpr uint32_t kHttpErrorOverflow = 112;
inline constexpr uint32_t kHttpErrorFileExists = 114;
inline constexpr uint32_t kHttpErrorQueryInfo = 400;
inline constexpr uint32_t kHttpErrorReadFile = 401;
inline constexpr uint32_t kHttpErrorOpen = 402;
inline constexpr uint32_t kHttpErrorConnect = 403;
inline constexpr uint32_t kHttpErrorOpenRequest = 404;
inline constexpr uint32_t kHttpErrorAddHeaders = 405;
inline constexpr uint32_t kHttpErrorSendRequest = 406;
inline constexpr uint32_t kHttpErrorSendRequestEx = 407;
inline constexpr uint32_t kHttpErrorWriteFile = 408;
inline constexpr uint32_t kHttpErrorEndRequest = 409;
inline constexpr uint32_t kHttpErrorSetOption = 410;
inline constexpr uint32_t kHttpErrorToCodePage = 600;
inline constexpr uint32_t kHttpErrorFromCodePage = 601;
inline constexpr uint32_t kHttpErrorFileRead = 602;
inline constexpr uint32_t kHttpErrorFileOpen = 603;
inline constexpr uint32_t kHttpErrorFileSeek = 604;
inline constexpr uint32_t kHttpErrorFileSize = 605;
inline constexpr uint32_t kHttpErrorFileWrite = 606;

// The message of a code: codes below 100 give the code's own entry of the first table (only 0 has
// one), 100-999 the entry of their hundred's table, 1000 and above "user-defined error message".
// Codes without an entry give "".
std::u16string_view GetErrorMessage(uint32_t errorCode);

}  // namespace Vemra
