#include "platform/codecs/mp3_decode_stream.h"

#include <mpg123.h>

#include <cstring>
#include <mutex>

namespace qav {

namespace {

// Older libmpg123 versions need one global initialisation before the first handle.
bool InitialiseLibrary() {
  static std::once_flag once;
  static int result = MPG123_ERR;
  std::call_once(once, [] { result = mpg123_init(); });
  return result == MPG123_OK;
}

}  // namespace

std::unique_ptr<Mp3DecodeStream> Mp3DecodeStream::Open(uint32_t rate, uint16_t channels, int* error,
                                                       std::string* detail) {
  auto fail = [&](int code, const char* why) -> std::unique_ptr<Mp3DecodeStream> {
    if (error) *error = code;
    if (detail) *detail = why;
    return nullptr;
  };
  if (channels < 1 || channels > 2 || rate == 0) return fail(kErrorUnsupportedFormat, "1 or 2 channels only");
  if (!InitialiseLibrary()) return fail(kErrorDecoder, "mpg123_init failed");

  int status = MPG123_OK;
  mpg123_handle* handle = mpg123_new(nullptr, &status);
  if (!handle) return fail(kErrorDecoder, mpg123_plain_strerror(status));
  std::unique_ptr<Mp3DecodeStream> stream(new Mp3DecodeStream);
  stream->handle_ = handle;

  // Plain frame-by-frame decoding: no messages on stderr, no trimming by encoder tags (the
  // program refuses files that carry them), and exactly the one output format asked for.
  if (mpg123_param(handle, MPG123_FLAGS, MPG123_QUIET, 0) != MPG123_OK || mpg123_format_none(handle) != MPG123_OK ||
      mpg123_format(handle, static_cast<long>(rate), channels == 1 ? MPG123_MONO : MPG123_STEREO,
                    MPG123_ENC_SIGNED_16) != MPG123_OK) {
    return fail(kErrorUnsupportedFormat, mpg123_strerror(handle));
  }
  if (mpg123_open_feed(handle) != MPG123_OK) return fail(kErrorDecoder, mpg123_strerror(handle));
  if (error) *error = kErrorNone;
  return stream;
}

Mp3DecodeStream::~Mp3DecodeStream() {
  if (handle_) mpg123_delete(handle_);
}

int64_t Mp3DecodeStream::Decode(const uint8_t* in, size_t inBytes, uint8_t* out, size_t capacity) {
  if (inBytes > 0 && mpg123_feed(handle_, in, inBytes) != MPG123_OK) return -1;
  size_t written = 0;
  for (;;) {
    off_t frameNumber = 0;
    unsigned char* audio = nullptr;
    size_t bytes = 0;
    const int status = mpg123_decode_frame(handle_, &frameNumber, &audio, &bytes);
    if (status == MPG123_NEW_FORMAT) continue;
    if (status == MPG123_NEED_MORE || status == MPG123_DONE) break;
    if (status != MPG123_OK) return -1;
    if (bytes > capacity - written) return -1;
    if (bytes > 0) std::memcpy(out + written, audio, bytes);
    written += bytes;
  }
  return static_cast<int64_t>(written);
}

}  // namespace qav
