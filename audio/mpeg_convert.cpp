#include "audio/mpeg_convert.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <type_traits>

#include "audio/mpeg_utils.h"
#include "audio/wave_utils.h"
#include "foundation/logger.h"

using qav::ChannelsName;


CMPEGConvert::~CMPEGConvert() { Release(); }

void CMPEGConvert::Release() {
  if (m_lame.stream) {
    const BE_ERR e = m_lame.beCloseStream(m_lame.stream);
    if (e != BE_ERR_SUCCESSFUL) {
      QAV_LOG(LOG_WARNING, u"CMPEGConvert[%#x] [ FAILED beCloseStream with Error Code: %d ]",
              reinterpret_cast<uintptr_t>(this), e);
    }
  }
  if (m_lame.library) qav::FreeLameEncoderLibrary(m_lame.library);
  m_lame = LameBinding{};
  m_decoder.reset();
  m_pcm.reset();
  m_mode = Mode::kNone;
  m_ended = false;
}

void CMPEGConvert::FillEncoderConfig(const MPEGLAYER3WAVEFORMAT& mp3, BE_CONFIG* config) {
  std::memset(config, 0, sizeof(*config));
  config->dwConfig = BE_CONFIG_LAME;
  auto& c = config->LHV1;
  c.dwStructVersion = 1;
  c.dwStructSize = sizeof(BE_CONFIG);
  c.dwSampleRate = mp3.wfx.nSamplesPerSec;
  c.dwReSampleRate = 0;
  c.nMode = mp3.wfx.nChannels == 1 ? BE_MP3_MODE_MONO : BE_MP3_MODE_STEREO;
  c.dwBitrate = mp3.wfx.nAvgBytesPerSec * 8 / 1000;
  c.dwMaxBitrate = c.dwBitrate;
  c.nPreset = 0;
  c.dwMpegVersion = MPEG1;
  c.bOriginal = 1;
  c.bNoRes = 1;
}

int CMPEGConvert::Init(const WAVEFORMATEX* source, const WAVEFORMATEX* destination) {
  Release();
  const bool decode = source && destination && source->wFormatTag == WAVE_FORMAT_MPEGLAYER3 &&
                      destination->wFormatTag == WAVE_FORMAT_PCM;
  const bool encode = source && destination && source->wFormatTag == WAVE_FORMAT_PCM &&
                      destination->wFormatTag == WAVE_FORMAT_MPEGLAYER3;
  if ((!decode && !encode) || !CopyFormat(source, &m_source) || !CopyFormat(destination, &m_destination)) {
    QAV_LOG(LOG_WARNING, u"CMPEGConvert[%#x] [ FAILED: converts MPEG Layer 3 to PCM and PCM to MPEG Layer 3 only ]",
            reinterpret_cast<uintptr_t>(this));
    return 0;
  }
  m_work.assign(kWorkBufferSize, 0);
  const int ok = decode ? InitDecode() : InitEncode();
  if (!ok) Release();
  return ok;
}

bool CMPEGConvert::SetUpPcmStep(const WAVEFORMATEX& from, const WAVEFORMATEX& to) {
  if (SamePcm(from, to)) return true;
  m_pcm = std::make_unique<CPCMConvert>();
  QAV_LOG(LOG_FINE, u"CPCMConvert[%#x]::Init PCM->PCM [From: %d Hz, %d bits, %s, To: %d Hz, %d bits, %s] ",
          reinterpret_cast<uintptr_t>(m_pcm.get()), from.nSamplesPerSec, from.wBitsPerSample,
          ChannelsName(from.nChannels), to.nSamplesPerSec, to.wBitsPerSample, ChannelsName(to.nChannels));
  if (!m_pcm->Init(&from, &to)) {
    QAV_LOG(LOG_WARNING, u"CMPEGConvert::Init [ERROR from PCM Convertor]");
    m_pcm.reset();
    return false;
  }
  return true;
}

int CMPEGConvert::InitDecode() {
  const auto self = reinterpret_cast<uintptr_t>(this);
  const WAVEFORMATEX& mp3 = m_source.wfx;
  const WAVEFORMATEX& pcm = m_destination.wfx;
  QAV_LOG(LOG_FINE, u"CMPEGConvert[%#x]::Init Decode MPEG->PCM [ From: %d Hz, %d bps, %s, To: %d Hz, %d bits, %s] ",
          self, mp3.nSamplesPerSec, mp3.nAvgBytesPerSec * 8, ChannelsName(mp3.nChannels), pcm.nSamplesPerSec,
          pcm.wBitsPerSample, ChannelsName(pcm.nChannels));
  const WAVEFORMATEX decoded = WaveUtilsMakePCMFormat(mp3.nChannels, 16, mp3.nSamplesPerSec);
  if (!SetUpPcmStep(decoded, pcm)) return 0;
  int error = 0;
  std::string detail;
  m_decoder = qav::Mp3DecodeStream::Open(mp3.nSamplesPerSec, mp3.nChannels, &error, &detail);
  if (!m_decoder) {
    QAV_LOG(LOG_WARNING, u"CMPEGConvert[%#x] [ FAILED Decode acmStreamOpen with Error Code: %d ]", self, error);
    QAV_LOG(LOG_WARNING, u"CMPEGConvert[%#x] [ %s ]", self, detail);
    return 0;
  }
  m_mode = Mode::kDecode;
  return 1;
}

bool CMPEGConvert::BindLame() {
  qav::LameLoadResult result = qav::LameLoadResult::kNotFound;
  std::string detail;
  m_lame.library = qav::LoadLameEncoderLibrary(&result, &detail);
  if (!m_lame.library) {
    if (result == qav::LameLoadResult::kMissingCalls) {
      QAV_LOG(LOG_WARNING, u"Error binding encoding functions from LAME dll");
    } else {
      QAV_LOG(LOG_WARNING, u"Error loading LAME encoder dll");
    }
    QAV_LOG(LOG_WARNING, u"%s", detail);
    return false;
  }
  auto bind = [this](const char* name, auto* slot) {
    *slot = reinterpret_cast<std::remove_pointer_t<decltype(slot)>>(
        qav::GetLameEncoderEntryPoint(m_lame.library, name));
    return *slot != nullptr;
  };
  if (!bind("beInitStream", &m_lame.beInitStream) || !bind("beEncodeChunk", &m_lame.beEncodeChunk) ||
      !bind("beDeinitStream", &m_lame.beDeinitStream) || !bind("beCloseStream", &m_lame.beCloseStream) ||
      !bind("beVersion", &m_lame.beVersion) || !bind("beWriteVBRHeader", &m_lame.beWriteVBRHeader)) {
    qav::FreeLameEncoderLibrary(m_lame.library);
    m_lame.library = nullptr;
    QAV_LOG(LOG_WARNING, u"Error binding encoding functions from LAME dll");
    return false;
  }
  m_lame.beVersion(&m_lame.version);
  return true;
}

int CMPEGConvert::InitEncode() {
  const auto self = reinterpret_cast<uintptr_t>(this);
  if (!BindLame()) {
    QAV_LOG(LOG_WARNING, u"CMPEGConvert[%#x] [ FAILED Encode LAME Init ]", self);
    return 0;
  }
  // Take the format over with what the encoder will really write: the bit rate it allows at this
  // rate and the frame length of that MPEG version.
  const WAVEFORMATEX requested = m_destination.wfx;
  MPEGFrameInfo settings;
  if (requested.nChannels < 1 || requested.nChannels > 2 ||
      !qav::MakeMP3EncoderSettings(static_cast<int>(requested.nAvgBytesPerSec * 8),
                                   static_cast<int>(requested.nSamplesPerSec), requested.nChannels, &settings) ||
      !MPEGFormatStructConfig(settings, &m_destination)) {
    QAV_LOG(LOG_WARNING, u"CMPEGConvert[%#x] [ FAILED Encode: no MPEG Layer 3 at %d Hz, %d channels ]", self,
            requested.nSamplesPerSec, requested.nChannels);
    return 0;
  }
  if (static_cast<uint32_t>(settings.bitRate) != requested.nAvgBytesPerSec * 8) {
    QAV_LOG(LOG_INFO, u"CMPEGConvert[%#x]::Init [Bit rate %d bps not allowed at %d Hz, using %d bps]", self,
            requested.nAvgBytesPerSec * 8, requested.nSamplesPerSec, settings.bitRate);
  }
  const WAVEFORMATEX& pcm = m_source.wfx;
  const WAVEFORMATEX& mp3 = m_destination.wfx;
  QAV_LOG(LOG_FINE, u"CMPEGConvert[%#x]::Init Encode PCM->MPEG [From: %d Hz, %d bits, %s, To: %d Hz, %d bps, %s]",
          self, pcm.nSamplesPerSec, pcm.wBitsPerSample, ChannelsName(pcm.nChannels), mp3.nSamplesPerSec,
          mp3.nAvgBytesPerSec * 8, ChannelsName(mp3.nChannels));
  const WAVEFORMATEX input = WaveUtilsMakePCMFormat(mp3.nChannels, 16, mp3.nSamplesPerSec);
  if (!SetUpPcmStep(pcm, input)) return 0;

  FillEncoderConfig(m_destination, &m_lame.config);
  const BE_ERR e =
      m_lame.beInitStream(&m_lame.config, &m_lame.samplesPerChunk, &m_lame.outputBufferSize, &m_lame.stream);
  if (e != BE_ERR_SUCCESSFUL) {
    m_lame.stream = nullptr;
    QAV_LOG(LOG_WARNING, u"CMPEGConvert[%#x] [ FAILED Encode beInitStream with Error Code: %d ]", self, e);
    return 0;
  }
  m_chunk.assign(m_lame.samplesPerChunk, 0);
  m_mode = Mode::kEncode;
  return 1;
}

int CMPEGConvert::Convert(const uint8_t* data, uint32_t size, uint8_t* out, uint32_t capacity) {
  if (!out) return -1;
  if (m_mode == Mode::kDecode) return size == 0 ? EndDecoding(out, capacity) : Decode(data, size, out, capacity);
  if (m_mode != Mode::kEncode || m_ended) return -1;
  if (size == 0) return 0;
  if (!data) return -1;
  if (!m_pcm) return EncodeSamples(data, size, out, capacity);
  const int converted = m_pcm->Convert(data, size, m_work.data(), kWorkBufferSize);
  if (converted < 0) return -1;
  return EncodeSamples(m_work.data(), static_cast<size_t>(converted), out, capacity);
}

int CMPEGConvert::Flush(uint8_t* out, uint32_t capacity) {
  if (!out) return -1;
  if (m_mode == Mode::kDecode) return EndDecoding(out, capacity);
  if (m_mode != Mode::kEncode) return -1;
  if (m_ended) return 0;
  int written = 0;
  if (m_pcm) {  // the resampler's last samples still go into the file
    const int tail = m_pcm->Flush(m_work.data(), kWorkBufferSize);
    if (tail < 0) return -1;
    written = EncodeSamples(m_work.data(), static_cast<size_t>(tail), out, capacity);
    if (written < 0) return -1;
  }
  if (capacity - static_cast<uint32_t>(written) < m_lame.outputBufferSize) {
    QAV_LOG(LOG_WARNING, u"CMPEGConvert[%#x] [ FAILED: %u bytes left for the last frames, %u needed ]",
            reinterpret_cast<uintptr_t>(this), capacity - static_cast<uint32_t>(written), m_lame.outputBufferSize);
    return -1;
  }
  uint32_t last = 0;
  m_ended = true;
  const BE_ERR e = m_lame.beDeinitStream(m_lame.stream, out + written, &last);
  if (e != BE_ERR_SUCCESSFUL) {
    QAV_LOG(LOG_WARNING, u"CMPEGConvert[%#x] [ FAILED beDeinitStream with Error Code: %d ]",
            reinterpret_cast<uintptr_t>(this), e);
    return -1;
  }
  return written + static_cast<int>(last);
}

int CMPEGConvert::Decode(const uint8_t* data, uint32_t size, uint8_t* out, uint32_t capacity) {
  if (!data) return -1;
  uint8_t* target = m_pcm ? m_work.data() : out;
  const size_t room = m_pcm ? kWorkBufferSize : capacity;
  const int64_t decoded = m_decoder->Decode(data, size, target, room);
  if (decoded < 0) {
    QAV_LOG(LOG_WARNING, u"CMPEGConvert[%#x] [ FAILED Decode of %u bytes ]", reinterpret_cast<uintptr_t>(this), size);
    return -1;
  }
  if (!m_pcm) return static_cast<int>(decoded);
  return m_pcm->Convert(m_work.data(), static_cast<uint32_t>(decoded), out, capacity);
}

int CMPEGConvert::EndDecoding(uint8_t* out, uint32_t capacity) {
  // The decoder has given out every complete frame already; only the follow-up step holds samples.
  if (!m_pcm) return 0;
  return m_pcm->Flush(out, capacity);
}

int CMPEGConvert::EncodeSamples(const uint8_t* pcm, size_t bytes, uint8_t* out, uint32_t capacity) {
  const uint32_t channels = m_destination.wfx.nChannels;
  size_t samples = bytes / 2;
  samples -= samples % channels;
  size_t done = 0;
  uint32_t written = 0;
  while (done < samples) {
    const uint32_t count = static_cast<uint32_t>(std::min<size_t>(m_lame.samplesPerChunk, samples - done));
    if (capacity - written < m_lame.outputBufferSize) {
      QAV_LOG(LOG_WARNING, u"CMPEGConvert[%#x] [ FAILED: %u bytes left for encoding, %u needed ]",
              reinterpret_cast<uintptr_t>(this), capacity - written, m_lame.outputBufferSize);
      return -1;
    }
    std::memcpy(m_chunk.data(), pcm + done * 2, count * 2);
    uint32_t chunkBytes = 0;
    const BE_ERR e = m_lame.beEncodeChunk(m_lame.stream, count, m_chunk.data(), out + written, &chunkBytes);
    if (e != BE_ERR_SUCCESSFUL) {
      QAV_LOG(LOG_WARNING, u"CMPEGConvert[%#x] [ FAILED beEncodeChunk with Error Code: %d ]",
              reinterpret_cast<uintptr_t>(this), e);
      return -1;
    }
    written += chunkBytes;
    done += count;
  }
  return static_cast<int>(written);
}
