// Mail recipients and header texts: the address list as the user types it, split into entries,
// each made an envelope address and a header value, and any text (a caller's name in the subject,
// an attachment's name) made a header value. No value may end its header line and start another,
// and every header line is folded within RFC 5322's 998 characters.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "net/mail_address_list.h"
#include "net/mail_header_text.h"
#include "platform/text.h"

namespace {

// A header value may hold line breaks only as folding: CR LF followed by a blank.
void CheckHeaderValue(const std::string& value) {
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r') {
      if (i + 2 >= value.size() || value[i + 1] != '\n' || (value[i + 2] != ' ' && value[i + 2] != '\t')) {
        __builtin_trap();
      }
    } else if (value[i] == '\n' && (i == 0 || value[i - 1] != '\r')) {
      __builtin_trap();
    } else if (value[i] == '\0') {
      __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input = qav::fuzz::Bytes(data, size);
  const uint8_t choice = qav::fuzz::TakeByte(input);
  const std::u16string text = (choice & 1) ? qav::fuzz::Units(input) : qav::U16(input);

  qav::net::MailHeaderFields fields;
  for (const std::string& entry : qav::net::SplitMailAddresses(text)) {
    const std::string envelope = qav::net::EnvelopeAddress(entry);
    if (envelope.find_first_of("\r\n<> \t") != std::string::npos) __builtin_trap();
    CheckHeaderValue(qav::net::AddressHeaderText(entry));
    // Only what SetTo takes reaches the header.
    if (!envelope.empty()) fields.to.push_back(entry);
  }
  CheckHeaderValue(qav::net::EncodeHeaderText(text));
  CheckHeaderValue(qav::net::AttachmentDisposition(qav::U8(text)));
  fields.from = fields.to.empty() ? std::string("user@example.invalid") : fields.to.front();
  fields.subject = text;
  fields.messageId = qav::net::MakeMessageId(fields.from);
  for (const std::string& line : qav::net::BuildMailHeaders(fields)) {
    CheckHeaderValue(line);
    // RFC 5322's limit holds for every physical line, and unfolding gives back one line.
    size_t start = 0;
    while (true) {
      const size_t end = line.find("\r\n", start);
      if ((end == std::string::npos ? line.size() : end) - start > 998) __builtin_trap();
      if (end == std::string::npos) break;
      start = end + 2;
    }
  }
  return 0;
}
