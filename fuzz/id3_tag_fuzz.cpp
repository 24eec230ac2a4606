// ID3v2 tags: the tag the program writes into a voice message from the caller's name and handle
// (texts that come from the call client) and the year, and the reader that skips a tag in front
// of the first MP3 frame, given that tag followed by the rest of the input.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/id3_tag.h"
#include "audio/mpeg_utils.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input = qav::fuzz::Bytes(data, size);
  const uint8_t choice = qav::fuzz::TakeByte(input);
  // Title, artist and year, separated by NUL; what follows the third NUL is the MP3 behind the tag.
  std::string_view fields[3];
  for (auto& field : fields) {
    const size_t end = input.find('\0');
    field = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
  }
  CID3Tag tag((choice & 1) != 0);
  tag.SetTitle(qav::ToLatin1(qav::fuzz::Units(fields[0])));
  tag.SetArtist(fields[1]);
  tag.SetYear(qav::fuzz::Units(fields[2]));
  if (tag.GetYear() < 0 || tag.GetYear() > 9999) __builtin_trap();

  std::vector<uint8_t> buffer(CID3Tag::kPaddedSize + 2 * size + (choice >> 1));
  const int capacity = static_cast<int>(buffer.size()) - (choice >> 1);
  const int written = tag.BuildV2(buffer.data(), capacity);
  if (written > capacity) __builtin_trap();

  std::string file(reinterpret_cast<const char*>(buffer.data()), written > 0 ? written : 0);
  file.append(input);
  const int fd = qav::fuzz::MemoryFile(file);
  MPEGLAYER3WAVEFORMAT format{};
  uint32_t dataOffset = 0;
  uint32_t dataLength = 0;
  if (MPEGUtilsReadAudioFileHeaderFormat(fd, &format, kMpegLayer3WaveFormatSize, &dataOffset, &dataLength) &&
      !file.empty() && (written > 0 && dataOffset < static_cast<uint32_t>(written))) {
    __builtin_trap();  // a frame found inside the tag
  }
  close(fd);
  return 0;
}
