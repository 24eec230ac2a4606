#include "platform/codecs/lame_encoder.h"

#include <dlfcn.h>
#include <lame/lame.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/crash_signals.h"

namespace qav {

namespace {

constexpr const char* kLameSoname = "libmp3lame.so.0";
constexpr uint8_t kLayerMajorVersion = 1;
constexpr uint8_t kLayerMinorVersion = 0;

// The LAME calls the entry points use, bound from the opened library. The prototypes come from
// LAME's own header; nothing here links against the library.
struct LameApi {
  void* dl = nullptr;
  decltype(&::lame_init) init = nullptr;
  decltype(&::lame_close) close = nullptr;
  decltype(&::lame_init_params) initParams = nullptr;
  decltype(&::lame_set_in_samplerate) setInRate = nullptr;
  decltype(&::lame_set_out_samplerate) setOutRate = nullptr;
  decltype(&::lame_set_num_channels) setChannels = nullptr;
  decltype(&::lame_set_mode) setMode = nullptr;
  decltype(&::lame_set_brate) setBitRate = nullptr;
  decltype(&::lame_set_VBR) setVbr = nullptr;
  decltype(&::lame_set_VBR_q) setVbrQuality = nullptr;
  decltype(&::lame_set_VBR_min_bitrate_kbps) setVbrMin = nullptr;
  decltype(&::lame_set_VBR_max_bitrate_kbps) setVbrMax = nullptr;
  decltype(&::lame_set_VBR_mean_bitrate_kbps) setVbrMean = nullptr;
  decltype(&::lame_set_copyright) setCopyright = nullptr;
  decltype(&::lame_set_original) setOriginal = nullptr;
  decltype(&::lame_set_extension) setPrivate = nullptr;
  decltype(&::lame_set_error_protection) setCrc = nullptr;
  decltype(&::lame_set_emphasis) setEmphasis = nullptr;
  decltype(&::lame_set_disable_reservoir) setNoReservoir = nullptr;
  decltype(&::lame_set_strict_ISO) setStrictIso = nullptr;
  decltype(&::lame_set_quality) setQuality = nullptr;
  decltype(&::lame_set_bWriteVbrTag) setWriteVbrTag = nullptr;
  decltype(&::lame_set_write_id3tag_automatic) setWriteId3Automatic = nullptr;
  decltype(&::lame_get_framesize) getFrameSize = nullptr;
  decltype(&::lame_encode_buffer) encode = nullptr;
  decltype(&::lame_encode_buffer_interleaved) encodeInterleaved = nullptr;
  decltype(&::lame_encode_flush) flush = nullptr;
  decltype(&::get_lame_version_numerical) versionNumbers = nullptr;
  decltype(&::get_lame_url) url = nullptr;

  ~LameApi() {
    if (dl) dlclose(dl);
  }
};

template <typename Fn>
bool Bind(void* dl, const char* name, Fn* slot) {
  void* symbol = dlsym(dl, name);
  *slot = reinterpret_cast<Fn>(symbol);
  return symbol != nullptr;
}

bool BindAll(LameApi& api) {
  void* dl = api.dl;
  return Bind(dl, "lame_init", &api.init) && Bind(dl, "lame_close", &api.close) &&
         Bind(dl, "lame_init_params", &api.initParams) && Bind(dl, "lame_set_in_samplerate", &api.setInRate) &&
         Bind(dl, "lame_set_out_samplerate", &api.setOutRate) && Bind(dl, "lame_set_num_channels", &api.setChannels) &&
         Bind(dl, "lame_set_mode", &api.setMode) && Bind(dl, "lame_set_brate", &api.setBitRate) &&
         Bind(dl, "lame_set_VBR", &api.setVbr) && Bind(dl, "lame_set_VBR_q", &api.setVbrQuality) &&
         Bind(dl, "lame_set_VBR_min_bitrate_kbps", &api.setVbrMin) &&
         Bind(dl, "lame_set_VBR_max_bitrate_kbps", &api.setVbrMax) &&
         Bind(dl, "lame_set_VBR_mean_bitrate_kbps", &api.setVbrMean) &&
         Bind(dl, "lame_set_copyright", &api.setCopyright) && Bind(dl, "lame_set_original", &api.setOriginal) &&
         Bind(dl, "lame_set_extension", &api.setPrivate) && Bind(dl, "lame_set_error_protection", &api.setCrc) &&
         Bind(dl, "lame_set_emphasis", &api.setEmphasis) &&
         Bind(dl, "lame_set_disable_reservoir", &api.setNoReservoir) &&
         Bind(dl, "lame_set_strict_ISO", &api.setStrictIso) && Bind(dl, "lame_set_quality", &api.setQuality) &&
         Bind(dl, "lame_set_bWriteVbrTag", &api.setWriteVbrTag) &&
         Bind(dl, "lame_set_write_id3tag_automatic", &api.setWriteId3Automatic) &&
         Bind(dl, "lame_get_framesize", &api.getFrameSize) && Bind(dl, "lame_encode_buffer", &api.encode) &&
         Bind(dl, "lame_encode_buffer_interleaved", &api.encodeInterleaved) &&
         Bind(dl, "lame_encode_flush", &api.flush) &&
         Bind(dl, "get_lame_version_numerical", &api.versionNumbers) && Bind(dl, "get_lame_url", &api.url);
}

std::mutex g_loadMutex;
std::weak_ptr<LameApi> g_loaded;  // the library every current load shares

std::shared_ptr<LameApi> LoadedApi() {
  std::lock_guard lock(g_loadMutex);
  return g_loaded.lock();
}

}  // namespace

struct LameEncoderLibrary {
  std::shared_ptr<LameApi> api;
};

}  // namespace qav

// One encoder stream.
struct BeEncoderStream {
  std::shared_ptr<qav::LameApi> api;
  lame_global_flags* flags = nullptr;
  uint32_t channels = 1;
  uint32_t samplesPerChunk = 0;
  uint32_t outputBufferSize = 0;
  bool finished = false;  // beDeinitStream has run
};

namespace qav {

namespace {

vbr_mode VbrModeFor(int32_t method) {
  switch (method) {
    case VBR_METHOD_OLD:
      return vbr_rh;
    case VBR_METHOD_ABR:
      return vbr_abr;
    case VBR_METHOD_NONE:
      return vbr_off;
    default:
      return vbr_mtrh;  // the default, the new and the mtrh methods
  }
}

MPEG_mode ModeFor(int32_t mode) {
  switch (mode) {
    case BE_MP3_MODE_MONO:
      return MONO;
    case BE_MP3_MODE_JSTEREO:
      return JOINT_STEREO;
    default:
      return STEREO;  // LAME has no dual-channel mode
  }
}

BE_ERR beInitStream(BE_CONFIG* config, uint32_t* samplesPerChunk, uint32_t* outputBufferSize, HBE_STREAM* stream) {
  if (!config || !samplesPerChunk || !outputBufferSize || !stream) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  *stream = nullptr;
  if (config->dwConfig != BE_CONFIG_LAME || config->LHV1.dwStructVersion < 1 ||
      config->LHV1.dwStructSize < sizeof(BE_CONFIG)) {
    return BE_ERR_INVALID_FORMAT;
  }
  const auto& c = config->LHV1;
  if (c.nMode < BE_MP3_MODE_STEREO || c.nMode > BE_MP3_MODE_MONO || c.dwSampleRate == 0) {
    return BE_ERR_INVALID_FORMAT_PARAMETERS;
  }
  std::shared_ptr<LameApi> api = LoadedApi();
  if (!api) return BE_ERR_INVALID_HANDLE;

  lame_global_flags* flags = api->init();
  if (!flags) return BE_ERR_NO_MORE_HANDLES;
  const int channels = c.nMode == BE_MP3_MODE_MONO ? 1 : 2;
  api->setInRate(flags, static_cast<int>(c.dwSampleRate));
  api->setOutRate(flags, static_cast<int>(c.dwReSampleRate ? c.dwReSampleRate : c.dwSampleRate));
  api->setChannels(flags, channels);
  api->setMode(flags, ModeFor(c.nMode));
  api->setCopyright(flags, c.bCopyright ? 1 : 0);
  api->setOriginal(flags, c.bOriginal ? 1 : 0);
  api->setPrivate(flags, c.bPrivate ? 1 : 0);
  api->setCrc(flags, c.bCRC ? 1 : 0);
  api->setEmphasis(flags, static_cast<int>(c.dwEmphasis));
  api->setNoReservoir(flags, c.bNoRes ? 1 : 0);
  api->setStrictIso(flags, c.bStrictIso ? 1 : 0);
  const int quality = c.nQuality & 0xFF;
  if ((c.nQuality >> 8) == (~quality & 0xFF)) api->setQuality(flags, quality);
  if (c.bEnableVBR) {
    const vbr_mode mode = VbrModeFor(c.nVbrMethod);
    api->setVbr(flags, mode);
    if (mode == vbr_abr) {
      api->setVbrMean(flags, static_cast<int>(c.dwVbrAbr_bps / 1000));
    } else if (mode != vbr_off) {
      api->setVbrQuality(flags, c.nVBRQuality);
    }
    if (mode != vbr_off) {
      api->setVbrMin(flags, static_cast<int>(c.dwBitrate));
      api->setVbrMax(flags, static_cast<int>(c.dwMaxBitrate));
    } else {
      api->setBitRate(flags, static_cast<int>(c.dwBitrate));
    }
  } else {
    api->setVbr(flags, vbr_off);
    api->setBitRate(flags, static_cast<int>(c.dwBitrate));
  }
  api->setWriteVbrTag(flags, 0);
  api->setWriteId3Automatic(flags, 0);
  if (api->initParams(flags) < 0) {
    api->close(flags);
    return BE_ERR_INVALID_FORMAT_PARAMETERS;
  }

  auto* s = new BeEncoderStream;
  s->api = std::move(api);
  s->flags = flags;
  s->channels = static_cast<uint32_t>(channels);
  const uint32_t frameSamples = static_cast<uint32_t>(s->api->getFrameSize(flags));
  s->samplesPerChunk = frameSamples * s->channels;
  // LAME's bound for one call of n samples per channel: 1.25 n + 7200 bytes.
  s->outputBufferSize = frameSamples + (frameSamples + 3) / 4 + 7200;
  *samplesPerChunk = s->samplesPerChunk;
  *outputBufferSize = s->outputBufferSize;
  *stream = s;
  return BE_ERR_SUCCESSFUL;
}

BE_ERR beEncodeChunk(HBE_STREAM stream, uint32_t sampleCount, const int16_t* samples, uint8_t* output,
                     uint32_t* bytesWritten) {
  if (!stream || stream->finished) return BE_ERR_INVALID_HANDLE;
  if (!bytesWritten || !output || (sampleCount > 0 && !samples)) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  *bytesWritten = 0;
  if (sampleCount > stream->samplesPerChunk || sampleCount % stream->channels != 0) {
    return BE_ERR_INVALID_FORMAT_PARAMETERS;
  }
  if (sampleCount == 0) return BE_ERR_SUCCESSFUL;
  const int perChannel = static_cast<int>(sampleCount / stream->channels);
  const int size = static_cast<int>(stream->outputBufferSize);
  const int written = stream->channels == 1
                          ? stream->api->encode(stream->flags, samples, nullptr, perChannel, output, size)
                          : stream->api->encodeInterleaved(stream->flags, const_cast<short*>(samples), perChannel,
                                                           output, size);
  if (written == -1) return BE_ERR_BUFFER_TOO_SMALL;
  if (written < 0) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  *bytesWritten = static_cast<uint32_t>(written);
  return BE_ERR_SUCCESSFUL;
}

BE_ERR beDeinitStream(HBE_STREAM stream, uint8_t* output, uint32_t* bytesWritten) {
  if (!stream || stream->finished) return BE_ERR_INVALID_HANDLE;
  if (!output || !bytesWritten) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  *bytesWritten = 0;
  const int written = stream->api->flush(stream->flags, output, static_cast<int>(stream->outputBufferSize));
  stream->finished = true;
  if (written == -1) return BE_ERR_BUFFER_TOO_SMALL;
  if (written < 0) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  *bytesWritten = static_cast<uint32_t>(written);
  return BE_ERR_SUCCESSFUL;
}

BE_ERR beCloseStream(HBE_STREAM stream) {
  if (!stream) return BE_ERR_INVALID_HANDLE;
  stream->api->close(stream->flags);
  delete stream;
  return BE_ERR_SUCCESSFUL;
}

void beVersion(BE_VERSION* version) {
  if (!version) return;
  std::memset(version, 0, sizeof(*version));
  version->byDLLMajorVersion = kLayerMajorVersion;
  version->byDLLMinorVersion = kLayerMinorVersion;
  std::shared_ptr<LameApi> api = LoadedApi();
  if (!api) return;
  lame_version_t numbers{};
  api->versionNumbers(&numbers);
  version->byMajorVersion = static_cast<uint8_t>(numbers.major);
  version->byMinorVersion = static_cast<uint8_t>(numbers.minor);
  version->byAlphaLevel = static_cast<uint8_t>(numbers.alpha);
  version->byBetaLevel = static_cast<uint8_t>(numbers.beta);
  if (const char* url = api->url()) std::strncpy(version->zHomepage, url, sizeof(version->zHomepage) - 1);
}

BE_ERR beWriteVBRHeader(const char* /*mp3Path*/) { return BE_ERR_SUCCESSFUL; }

}  // namespace

std::string LameEncoderLibraryName() {
  const char* name = std::getenv("QAV_LAME_LIBRARY");
  return name && *name ? name : kLameSoname;
}

LameEncoderLibrary* LoadLameEncoderLibrary(LameLoadResult* result, std::string* detail) {
  std::lock_guard lock(g_loadMutex);
  std::shared_ptr<LameApi> api = g_loaded.lock();
  if (!api) {
    const std::string name = LameEncoderLibraryName();
    void* dl = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl) {
      if (result) *result = LameLoadResult::kNotFound;
      if (detail) *detail = dlerror();
      return nullptr;
    }
    RefreshCrashModules();
    api = std::make_shared<LameApi>();
    api->dl = dl;
    if (!BindAll(*api)) {
      if (result) *result = LameLoadResult::kMissingCalls;
      if (detail) *detail = name + " lacks the LAME encoder calls";
      return nullptr;  // closes the library
    }
    g_loaded = api;
  }
  if (result) *result = LameLoadResult::kLoaded;
  return new LameEncoderLibrary{std::move(api)};
}

LameEntryPoint GetLameEncoderEntryPoint(LameEncoderLibrary* library, const char* name) {
  if (!library || !name) return nullptr;
  struct Entry {
    const char* name;
    LameEntryPoint entry;
  };
  static const Entry kEntries[] = {
      {"beInitStream", reinterpret_cast<LameEntryPoint>(&beInitStream)},
      {"beEncodeChunk", reinterpret_cast<LameEntryPoint>(&beEncodeChunk)},
      {"beDeinitStream", reinterpret_cast<LameEntryPoint>(&beDeinitStream)},
      {"beCloseStream", reinterpret_cast<LameEntryPoint>(&beCloseStream)},
      {"beVersion", reinterpret_cast<LameEntryPoint>(&beVersion)},
      {"beWriteVBRHeader", reinterpret_cast<LameEntryPoint>(&beWriteVBRHeader)},
  };
  for (const Entry& e : kEntries) {
    if (std::strcmp(e.name, name) == 0) return e.entry;
  }
  return nullptr;
}

void FreeLameEncoderLibrary(LameEncoderLibrary* library) {
  if (!library) return;
  std::lock_guard lock(g_loadMutex);  // the last reference closes the library under the lock
  delete library;
}

}  // namespace qav
