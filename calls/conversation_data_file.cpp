#include "calls/conversation_data_file.h"

#include <optional>

#include "platform/text.h"

namespace {

constexpr char kByteOrderMark[] = "\xFF\xFE";

// A duration as the writer writes it: a number that is not negative.
std::optional<int32_t> Seconds(std::u16string_view value) {
  if (value.empty()) return std::nullopt;
  for (char16_t c : value) {
    if (c < u'0' || c > u'9') return std::nullopt;
  }
  return qav::ParseInt32(value);
}

}  // namespace

std::string BuildConversationData(int32_t duration, const std::vector<std::u16string>& partners) {
  std::u16string text = qav::Format(u"Duration:%d;", duration);
  for (const std::u16string& partner : partners) text += u"Partner:" + partner + u";";
  return std::string(kByteOrderMark, 2) + qav::TextToUtf16LeBytes(text);
}

ConversationData ParseConversationData(std::string_view bytes) {
  ConversationData data;
  if (bytes.size() < 2 || bytes.substr(0, 2) != std::string_view(kByteOrderMark, 2)) return data;
  bytes.remove_prefix(2);
  const std::u16string text = qav::Utf16LeBytesToText(bytes.data(), bytes.size() & ~size_t{1});
  size_t start = 0;
  for (size_t end = text.find(u';'); end != std::u16string::npos; start = end + 1, end = text.find(u';', start)) {
    const std::u16string_view record = std::u16string_view(text).substr(start, end - start);
    const size_t colon = record.find(u':');
    if (colon == std::u16string_view::npos) continue;
    const std::u16string_view key = record.substr(0, colon);
    const std::u16string_view value = record.substr(colon + 1);
    if (key == u"Duration") {
      if (const std::optional<int32_t> seconds = Seconds(value)) data.duration = *seconds;
    } else if (key == u"Partner" && !value.empty()) {
      data.partners.emplace_back(value);
    }
  }
  return data;
}
