// MP3 to PCM (decoding) and PCM to MP3 (encoding).
//
// Decoding: the decoder always produces 16-bit PCM at the MP3's rate and channel count; a
// CPCMConvert follows when the destination differs. Feed one frame (or any piece of the stream) at
// a time; the output lags by a frame. An empty block, like Flush, ends the stream.
//
// Encoding: the encoder library is bound when the converter is set up and let go when it is
// destroyed (platform/codecs/lame_encoder.h). It takes 16-bit PCM at the MP3's rate and channel
// count; a CPCMConvert runs first when the source differs. The MP3 format is taken over with the
// bit rate the encoder actually uses (a rate the MPEG version does not allow, such as 256000 bit/s
// at 16000 Hz, becomes the nearest it does), so GetMPEGFormat() is what durations and frame
// lengths must be computed from. Convert often returns 0 while the encoder gathers a frame. Flush
// writes the last frames; call it when the recording stops, before the file is closed. Without the
// encoder library Init fails (logged) and everything else keeps working.
//
// Output capacity: decoding needs room for the frames that become complete (4608 bytes each at
// most, after the follow-up conversion); encoding needs at least EncoderOutputBufferSize() bytes
// free for every chunk of samples it passes to the encoder (one frame's worth).
#pragma once

#include <memory>
#include <vector>

#include "audio/audio_format_converter.h"
#include "audio/pcm_convert.h"
#include "platform/codecs/lame_encoder.h"
#include "platform/codecs/mp3_decode_stream.h"

class CMPEGConvert : public CAudioFormatConverter {
 public:
  // The converter's own buffer for the intermediate PCM.
  static constexpr uint32_t kWorkBufferSize = 100000;

  CMPEGConvert() = default;
  ~CMPEGConvert() override;

  int Init(const WAVEFORMATEX* source, const WAVEFORMATEX* destination) override;
  int Convert(const uint8_t* data, uint32_t size, uint8_t* out, uint32_t capacity) override;
  int Flush(uint8_t* out, uint32_t capacity) override;

  bool IsEncoder() const { return m_mode == Mode::kEncode; }
  // The MP3 side of the conversion; for an encoder, with the bit rate actually used.
  const MPEGLAYER3WAVEFORMAT& GetMPEGFormat() const { return IsEncoder() ? m_destination : m_source; }
  uint32_t EncoderOutputBufferSize() const { return m_lame.outputBufferSize; }
  const BE_VERSION& GetEncoderVersion() const { return m_lame.version; }

  // The encoder configuration for an MP3 format: LAME kind, the format's rate, mono (3) for one
  // channel and stereo (0) otherwise, its bit rate in kbit/s, original, no bit reservoir, no VBR.
  static void FillEncoderConfig(const MPEGLAYER3WAVEFORMAT& mp3, BE_CONFIG* config);

 private:
  enum class Mode { kNone, kDecode, kEncode };

  struct LameBinding {
    qav::LameEncoderLibrary* library = nullptr;
    BEINITSTREAM beInitStream = nullptr;
    BEENCODECHUNK beEncodeChunk = nullptr;
    BEDEINITSTREAM beDeinitStream = nullptr;
    BECLOSESTREAM beCloseStream = nullptr;
    BEVERSION beVersion = nullptr;
    BEWRITEVBRHEADER beWriteVBRHeader = nullptr;
    BE_VERSION version{};
    BE_CONFIG config{};
    HBE_STREAM stream = nullptr;
    uint32_t samplesPerChunk = 0;
    uint32_t outputBufferSize = 0;
  };

  int InitDecode();
  int InitEncode();
  bool BindLame();
  // The follow-up (decoding) or preceding (encoding) PCM step between `from` and `to`, when they
  // differ; false when it cannot be set up.
  bool SetUpPcmStep(const WAVEFORMATEX& from, const WAVEFORMATEX& to);
  void Release();
  int Decode(const uint8_t* data, uint32_t size, uint8_t* out, uint32_t capacity);
  int EndDecoding(uint8_t* out, uint32_t capacity);
  int EncodeSamples(const uint8_t* pcm, size_t bytes, uint8_t* out, uint32_t capacity);

  Mode m_mode = Mode::kNone;
  std::unique_ptr<qav::Mp3DecodeStream> m_decoder;
  LameBinding m_lame;
  std::unique_ptr<CPCMConvert> m_pcm;
  std::vector<uint8_t> m_work;
  std::vector<int16_t> m_chunk;  // one chunk of encoder input, aligned
  bool m_ended = false;          // the encoder has been flushed
};
