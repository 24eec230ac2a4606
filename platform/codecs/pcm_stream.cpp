#include "platform/codecs/pcm_stream.h"

#include <soxr.h>

#include <algorithm>
#include <cstring>

namespace qav {

namespace {

// Frames the resampler writes per call; the output is copied on from there.
constexpr size_t kScratchFrames = 4096;

bool IsSupportedPcm(const WAVEFORMATEX& f) {
  return f.wFormatTag == WAVE_FORMAT_PCM && (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) &&
         f.nChannels >= 1 && f.nSamplesPerSec >= PcmStream::kMinRate && f.nSamplesPerSec <= PcmStream::kMaxRate;
}

}  // namespace

void WidenPcm8To16(const uint8_t* in, size_t count, int16_t* out) {
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<int16_t>((static_cast<int>(in[i]) - 128) * 256);
}

void NarrowPcm16To8(const int16_t* in, size_t count, uint8_t* out) {
  for (size_t i = 0; i < count; ++i) {
    int v = (static_cast<int>(in[i]) + 128) >> 8;  // arithmetic shift: rounds to nearest
    if (v > 127) v = 127;
    out[i] = static_cast<uint8_t>(v + 128);
  }
}

std::unique_ptr<PcmStream> PcmStream::Open(const WAVEFORMATEX& from, const WAVEFORMATEX& to, int* error,
                                           std::string* detail) {
  auto fail = [&](int code, const char* why) -> std::unique_ptr<PcmStream> {
    if (error) *error = code;
    if (detail) *detail = why;
    return nullptr;
  };
  if (!IsSupportedPcm(from) || !IsSupportedPcm(to)) {
    return fail(kErrorUnsupportedFormat, "PCM of 8 or 16 bits at 1000 to 384000 Hz only");
  }
  if (from.nChannels != to.nChannels) return fail(kErrorChannelsDiffer, "channel counts differ");

  std::unique_ptr<PcmStream> stream(new PcmStream);
  stream->channels_ = from.nChannels;
  stream->inBits_ = from.wBitsPerSample;
  stream->outBits_ = to.wBitsPerSample;
  if (from.nSamplesPerSec != to.nSamplesPerSec) {
    soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    io.flags |= SOXR_NO_DITHER;  // the same input always gives the same output
    soxr_quality_spec_t quality = soxr_quality_spec(SOXR_LQ, 0);
    soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    runtime.log2_min_dft_size = 8;  // small transforms: output for every block, not in bursts
    soxr_error_t soxrError = nullptr;
    stream->resampler_ = soxr_create(from.nSamplesPerSec, to.nSamplesPerSec, from.nChannels, &soxrError, &io,
                                     &quality, &runtime);
    if (!stream->resampler_) return fail(kErrorResampler, soxrError ? soxrError : "soxr_create failed");
    stream->scratch_.resize(kScratchFrames * from.nChannels);
  }
  if (error) *error = kErrorNone;
  return stream;
}

PcmStream::~PcmStream() {
  if (resampler_) soxr_delete(resampler_);
}

void PcmStream::Emit(const int16_t* samples, size_t frames, uint8_t* out) const {
  const size_t count = frames * channels_;
  if (outBits_ == 16) {
    std::memcpy(out, samples, count * 2);
  } else {
    NarrowPcm16To8(samples, count, out);
  }
}

int64_t PcmStream::Convert(const uint8_t* in, size_t inBytes, uint8_t* out, size_t capacity) {
  const size_t inFrameBytes = static_cast<size_t>(channels_) * (inBits_ / 8);
  const size_t outFrameBytes = static_cast<size_t>(channels_) * (outBits_ / 8);
  const size_t frames = inBytes / inFrameBytes;
  if (frames == 0) return 0;
  const size_t samples = frames * channels_;

  // Everything goes through 16 bits; the copy also gives the samples their natural alignment.
  if (wide_.size() < samples) wide_.resize(samples);
  if (inBits_ == 8) {
    WidenPcm8To16(in, samples, wide_.data());
  } else {
    std::memcpy(wide_.data(), in, samples * 2);
  }

  if (!resampler_) {  // width only
    if (frames * outFrameBytes > capacity) return -1;
    Emit(wide_.data(), frames, out);
    return static_cast<int64_t>(frames * outFrameBytes);
  }
  return Drain(wide_.data(), frames, out, capacity);
}

int64_t PcmStream::Flush(uint8_t* out, size_t capacity) {
  if (!resampler_) return 0;
  const int64_t written = Drain(nullptr, 0, out, capacity);
  soxr_clear(resampler_);
  return written;
}

// Feeds `inFrames` frames (nullptr: the end of the signal) and copies out everything the
// resampler has ready. Output that does not fit is an error rather than a silent loss.
int64_t PcmStream::Drain(const int16_t* in, size_t inFrames, uint8_t* out, size_t capacity) {
  const size_t outFrameBytes = static_cast<size_t>(channels_) * (outBits_ / 8);
  size_t consumed = 0;
  size_t written = 0;
  for (;;) {
    const size_t room = std::min((capacity - written) / outFrameBytes, kScratchFrames);
    size_t used = 0;
    size_t produced = 0;
    const int16_t* feed = in ? in + consumed * channels_ : nullptr;
    soxr_error_t e = soxr_process(resampler_, feed, in ? inFrames - consumed : 0, &used, scratch_.data(), room,
                                  &produced);
    if (e) return -1;
    consumed += used;
    Emit(scratch_.data(), produced, out + written);
    written += produced * outFrameBytes;
    if (produced == room && room > 0) continue;  // more may be waiting
    if (consumed >= inFrames) break;
    if (used == 0 && produced == 0) return -1;  // input left and no room for its output
  }
  // At the end of the signal, output left behind for want of room would be lost.
  if (!in && written + outFrameBytes > capacity && soxr_delay(resampler_) >= 1.0) return -1;
  return static_cast<int64_t>(written);
}

}  // namespace qav
