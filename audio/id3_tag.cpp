#include "audio/id3_tag.h"

#include <algorithm>
#include <cstring>

#include "audio/byte_order.h"
#include "platform/text.h"

namespace {

constexpr int kHeaderSize = 10;
constexpr int kFrameHeaderSize = 10;
constexpr size_t kShortText = 30;

// One text frame: id, size (text + the encoding byte, big-endian, not syncsafe), two flag bytes,
// encoding 0, the text. Returns the bytes written.
int PutTextFrame(uint8_t* p, const char* id, const std::string& text) {
  std::memcpy(p, id, 4);
  qav::PutBE32(p + 4, static_cast<uint32_t>(text.size() + 1));
  p[8] = 0;
  p[9] = 0;
  p[10] = 0;
  std::memcpy(p + 11, text.data(), text.size());
  return kFrameHeaderSize + 1 + static_cast<int>(text.size());
}

}  // namespace

CID3Tag::CID3Tag(bool padding) : m_padding(padding) {}

void CID3Tag::SetYear(std::u16string_view text) {
  if (text.empty()) return;
  const int value = qav::AtoI(text);
  if (value > 0) m_year = std::min(value, 9999);
}

int CID3Tag::BuildV2(uint8_t* buffer, int capacity) const {
  if (m_title.size() <= kShortText && m_artist.size() <= kShortText) return 0;
  const std::string year = m_year ? std::to_string(m_year) : std::string();
  auto frameSize = [](const std::string& text) {
    return text.empty() ? size_t{0} : text.size() + kFrameHeaderSize + 1;
  };
  const size_t needed = kHeaderSize + frameSize(m_title) + frameSize(m_artist) + frameSize(year);
  // Texts come from the program; a tag beyond what the 28-bit size can say is refused.
  if (needed > 0x0FFFFFFF) return -1;
  int total = static_cast<int>(needed);
  if (m_padding && total < kPaddedSize) total = kPaddedSize;
  if (!buffer || capacity < total) return -1;

  uint8_t* p = buffer;
  std::memcpy(p, "ID3", 3);
  p[3] = 3;  // version 2.3
  p[4] = 0;  // revision
  p[5] = 0;  // flags
  const uint32_t size = static_cast<uint32_t>(total - kHeaderSize);
  for (int i = 0; i < 4; ++i) p[6 + i] = static_cast<uint8_t>((size >> (21 - 7 * i)) & 0x7F);  // syncsafe
  p += kHeaderSize;
  if (!m_title.empty()) p += PutTextFrame(p, "TIT2", m_title);
  if (!m_artist.empty()) p += PutTextFrame(p, "TPE1", m_artist);
  if (!year.empty()) p += PutTextFrame(p, "TYER", year);
  std::memset(p, 0, static_cast<size_t>(buffer + total - p));
  return total;
}

namespace qav {

std::string ToLatin1(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) out.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
  return out;
}

}  // namespace qav
