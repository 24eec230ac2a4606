// Header lines of an outgoing mail (RFC 5322), built from the program's UTF-16 text.
//
// Every value that can come from outside the program (the caller's display name in the subject,
// addresses the user typed, a file name) passes through here: line breaks and other controls are
// blanked first, so no value can end its header line and start another.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qav::net {

// A header value from text: printable ASCII stays as it is (unless a word of it is too long for a
// header line); anything else is written as RFC 2047 encoded words (UTF-8, base64), each at
// most 75 characters, folded onto continuation lines.
std::string EncodeHeaderText(std::u16string_view text);

// An address entry for From or To: "user@host" as it is; the display name of "Name <user@host>"
// encoded like any other text.
std::string AddressHeaderText(std::string_view entry);

// The Date header's value for a time (seconds since 1970), in local time with its UTC offset:
// "Thu, 10 Dec 2026 14:32:03 +0100".
std::string FormatMailDate(int64_t time);

// A Message-ID "<...@domain>", unique for each call; the domain is the sender address's, or
// "qav.invalid" when it has none.
std::string MakeMessageId(std::string_view senderAddress);

// The Content-Disposition value for an attachment named `fileName` (UTF-8): a quoted filename for
// a plain ASCII name, an RFC 2231 "filename*" for anything else.
std::string AttachmentDisposition(std::string_view fileName);

// A header line folded as RFC 5322 allows (CR LF before a blank, so unfolding gives the line
// back): every physical line at most 78 characters where a blank allows it, and at most 998 for
// any text these functions make (a plain word too long for that is encoded instead).
std::string FoldHeaderLine(std::string_view line);

// The message's own header lines, in order, each folded: From, To (the entries joined by ", "),
// Subject, Date, Message-ID. `from` and `to` are the entries as split by SplitMailAddresses.
struct MailHeaderFields {
  std::string from;
  std::vector<std::string> to;
  std::u16string subject;
  int64_t time = 0;
  std::string messageId;
};
std::vector<std::string> BuildMailHeaders(const MailHeaderFields& fields);

}  // namespace qav::net
