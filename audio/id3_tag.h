// The ID3v2.3 tag the program writes at the start of a new MP3 recording.
//
// Texts are 8-bit (ISO-8859-1). The frames are "TIT2" (title), "TPE1" (artist) and "TYER" (year),
// each only when not empty, with text encoding 0 and no terminator. With padding on, a tag smaller
// than 512 bytes is padded with zeros to 512; a larger one is sized exactly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CID3Tag {
 public:
  static constexpr int kPaddedSize = 512;

  explicit CID3Tag(bool padding);

  void SetTitle(std::string_view title) { m_title = title; }
  void SetArtist(std::string_view artist) { m_artist = artist; }
  // An empty text changes nothing; a decimal value above 0 becomes the year, capped at 9999.
  void SetYear(std::u16string_view text);
  int GetYear() const { return m_year; }

  // Builds the tag into the buffer. Returns its size; 0 when every text fits in 30 characters
  // (no tag is built then); -1 when the capacity is smaller than the tag.
  int BuildV2(uint8_t* buffer, int capacity) const;

 private:
  bool m_padding;
  std::string m_title;
  std::string m_artist;
  int m_year = 0;
};

namespace qav {
// Program text to ISO-8859-1: characters above U+00FF become '?'.
std::string ToLatin1(std::u16string_view text);
}  // namespace qav
