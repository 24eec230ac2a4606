// The server envelope (the obfuscated text the program's web server exchanges) and Base64: decoded
// from anything, and what is encoded decodes back to itself.
#include <cstddef>
#include <cstdint>

#include "foundation/base64.h"
#include "foundation/server_string.h"
#include "fuzz/fuzz_support.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input = qav::fuzz::Bytes(data, size);
  const uint8_t key = qav::fuzz::TakeByte(input);

  qav::Base64Decode(input);
  const std::optional<std::string> back = qav::Base64Decode(qav::Base64Encode(input));
  if (!back || *back != input) __builtin_trap();

  const std::u16string units = qav::fuzz::Units(input);
  DecodeServerString(units);
  // The envelope carries UTF-8, so text that UTF-8 can hold (lone surrogates cannot) comes back.
  const std::u16string text = qav::U16(qav::U8(units));
  if (DecodeServerString(EncodeServerString(text, key)) != text) __builtin_trap();
  return 0;
}
