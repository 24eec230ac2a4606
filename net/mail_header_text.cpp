#include "net/mail_header_text.h"

#include <time.h>

#include <atomic>
#include <cstdio>
#include <random>

#include "foundation/base64.h"
#include "platform/text.h"

namespace qav::net {
namespace {

// Raw bytes per encoded word: "=?UTF-8?B?" + base64(42 bytes) + "?=" is 68 characters, within
// RFC 2047's 75 and short enough that "Subject: " and the first word stay within 78.
constexpr size_t kEncodedWordBytes = 42;
// RFC 5322: lines should be at most 78 characters and must be at most 998 (CR LF not counted).
constexpr size_t kFoldAt = 78;
constexpr size_t kLongestLine = 998;
// A plain word longer than this could not stay under the limit on a line of its own after the
// longest header name ("Message-ID: "), so text holding one goes as encoded words, which may be
// split anywhere.
constexpr size_t kLongestPlainWord = kLongestLine - 16;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Whether a line of the text could outgrow the limit however it is folded. A fold goes only before
// a blank that ends a word, and never among the blanks after the last word (FoldHeaderLine), so
// what must fit on one line is a word with the blanks before it, and the last word with the blanks
// after it as well: a long run of blanks counts, not the word alone.
bool HasOverlongWord(std::string_view text) {
  const size_t lastText = text.find_last_not_of(" \t");
  size_t run = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool foldsHere = i > 0 && i < lastText && IsBlank(text[i]) && !IsBlank(text[i - 1]);
    run = foldsHere ? 1 : run + 1;
    if (run > kLongestPlainWord) return true;
  }
  return false;
}

std::string BlankControls(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) c = ' ';
  }
  return out;
}

bool IsPlainHeaderText(std::string_view text) {
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u >= 0x7F) return false;
  }
  // A plain value that looks like an encoded word would be decoded by the reader.
  return text.find("=?") == std::string_view::npos && !HasOverlongWord(text);
}

// The length of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

}  // namespace

std::string EncodeHeaderText(std::u16string_view text) {
  // Utf16ToUtf8 has already replaced unpaired surrogates, so the bytes are whole UTF-8 sequences.
  const std::string utf8 = BlankControls(Utf16ToUtf8(text));
  if (IsPlainHeaderText(utf8)) return utf8;
  std::string out;
  size_t pos = 0;
  while (pos < utf8.size()) {
    size_t end = pos;
    while (end < utf8.size()) {
      const size_t next = end + SequenceLength(static_cast<unsigned char>(utf8[end]));
      if (next - pos > kEncodedWordBytes) break;
      end = std::min(next, utf8.size());
    }
    if (!out.empty()) out += "\r\n ";
    out += "=?UTF-8?B?" + Base64Encode(std::string_view(utf8).substr(pos, end - pos)) + "?=";
    pos = end;
  }
  return out;
}

std::string FormatMailDate(int64_t time) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const time_t t = static_cast<time_t>(time);
  struct tm local {};
  if (localtime_r(&t, &local) == nullptr) return "Thu, 01 Jan 1970 00:00:00 +0000";
  const long offsetMinutes = local.tm_gmtoff / 60;
  const long absolute = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld", kDays[local.tm_wday % 7],
                local.tm_mday, kMonths[local.tm_mon % 12], local.tm_year + 1900, local.tm_hour, local.tm_min,
                local.tm_sec, offsetMinutes < 0 ? '-' : '+', absolute / 60, absolute % 60);
  return buffer;
}

std::string MakeMessageId(std::string_view senderAddress) {
  static std::atomic<uint64_t> counter{0};
  std::string domain = "qav.invalid";
  const size_t at = senderAddress.rfind('@');
  if (at != std::string_view::npos && at + 1 < senderAddress.size()) {
    std::string candidate(senderAddress.substr(at + 1));
    bool usable = true;
    for (char c : candidate) {
      const auto u = static_cast<unsigned char>(c);
      if (u <= 0x20 || u >= 0x7F || c == '<' || c == '>' || c == '@') usable = false;
    }
    if (usable) domain = std::move(candidate);
  }
  std::random_device random;
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "<%llx.%08x%08x.%llu@", static_cast<unsigned long long>(::time(nullptr)),
                random(), random(), static_cast<unsigned long long>(++counter));
  return buffer + domain + ">";
}

std::string AttachmentDisposition(std::string_view fileName) {
  const std::string name = BlankControls(fileName);
  bool plain = !name.empty();
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x7F || c == '"' || c == '\\') plain = false;
  }
  if (plain) return "attachment; filename=\"" + name + "\"";
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    const bool keep = (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') ||
                      c == '.' || c == '-' || c == '_';
    if (keep) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[u >> 4];
      encoded += kHex[u & 0xF];
    }
  }
  return "attachment; filename*=UTF-8''" + encoded;
}

std::string AddressHeaderText(std::string_view entry) {
  const std::string clean = BlankControls(entry);
  const size_t open = clean.rfind('<');
  if (open == std::string::npos || open == 0) return clean;
  const std::string name = Trim(std::string_view(clean).substr(0, open));
  // What follows the closing bracket is no part of the address (nor of the envelope's).
  const size_t close = clean.find('>', open);
  const std::string address = clean.substr(open, close == std::string::npos ? std::string::npos : close - open + 1);
  if (IsPlainHeaderText(name)) return name + " " + address;
  return EncodeHeaderText(Utf8ToUtf16(name)) + " " + address;
}

std::string FoldHeaderLine(std::string_view line) {
  std::string out;
  out.reserve(line.size() + line.size() / kFoldAt * 2);
  // The first physical line must keep some of the value after "Name:".
  const size_t colon = line.find(':');
  size_t firstBreak = colon == std::string_view::npos ? 1 : colon + 2;
  size_t at = 0;
  while (true) {
    const size_t lineEnd = line.find("\r\n", at);
    std::string_view piece = line.substr(at, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - at);
    while (piece.size() > kFoldAt) {
      // A fold goes before a blank that ends a word, so neither line is blanks alone; the last
      // text of the piece stays on its line.
      const size_t lastText = piece.find_last_not_of(" \t");
      size_t fold = std::string_view::npos;
      for (size_t i = std::max<size_t>(firstBreak, 1); i < piece.size() && i < lastText; ++i) {
        if (i > kFoldAt && fold != std::string_view::npos) break;
        if (!IsBlank(piece[i]) || IsBlank(piece[i - 1])) continue;
        if (i <= kFoldAt || fold == std::string_view::npos) fold = i;
      }
      if (fold == std::string_view::npos) break;  // one word: nowhere to fold
      out.append(piece.substr(0, fold));
      out += "\r\n";
      piece.remove_prefix(fold);
      firstBreak = 1;
    }
    out.append(piece);
    if (lineEnd == std::string_view::npos) break;
    out += "\r\n";
    at = lineEnd + 2;
    firstBreak = 1;
  }
  return out;
}

std::vector<std::string> BuildMailHeaders(const MailHeaderFields& fields) {
  std::string to;
  for (const std::string& entry : fields.to) {
    if (!to.empty()) to += ", ";
    to += AddressHeaderText(entry);
  }
  std::vector<std::string> lines = {
      "From: " + AddressHeaderText(fields.from),
      "To: " + to,
      "Subject: " + EncodeHeaderText(fields.subject),
      "Date: " + FormatMailDate(fields.time),
      "Message-ID: " + BlankControls(fields.messageId),
  };
  for (std::string& line : lines) line = FoldHeaderLine(line);
  return lines;
}

}  // namespace qav::net
