// An MP3 decoding stream: MPEG audio bytes in, 16-bit PCM out, one piece at a time.
//
// This stands where the platform's installed MP3 codec stood. libmpg123 runs in feed mode: the
// program hands it what it read (usually one frame) and gets back every frame that is complete.
// The output lags: a frame's samples may come out only when the next frame has been fed, and the
// first frame may need the second to confirm the stream, so callers must not expect output for
// every frame. The output format is fixed when the stream is opened (the rate and channel count the
// file's first frame announced); a mono stream downmixes stereo frames, a stereo stream doubles
// mono ones, and a frame at another rate is an error.
//
// A stream belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct mpg123_handle_struct;

namespace qav {

class Mp3DecodeStream {
 public:
  static constexpr int kErrorNone = 0;
  static constexpr int kErrorUnsupportedFormat = 1;
  static constexpr int kErrorDecoder = 2;  // libmpg123 could not be set up

  // Largest PCM output of one MP3 frame: 1152 samples x 2 channels x 2 bytes.
  static constexpr size_t kMaxFrameOutputBytes = 4608;

  static std::unique_ptr<Mp3DecodeStream> Open(uint32_t rate, uint16_t channels, int* error,
                                               std::string* detail = nullptr);
  ~Mp3DecodeStream();
  Mp3DecodeStream(const Mp3DecodeStream&) = delete;
  Mp3DecodeStream& operator=(const Mp3DecodeStream&) = delete;

  // Feeds `inBytes` bytes and writes the PCM of every frame that became complete. Returns the
  // bytes written, or -1 when the decoder fails or the output does not fit (the frame that did not
  // fit is dropped). Garbage between frames is skipped by the decoder.
  int64_t Decode(const uint8_t* in, size_t inBytes, uint8_t* out, size_t capacity);

 private:
  Mp3DecodeStream() = default;

  mpg123_handle_struct* handle_ = nullptr;
};

}  // namespace qav
