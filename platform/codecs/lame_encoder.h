// The MP3 encoder interface, over LAME loaded at run time.
//
// The program binds its MP3 encoder when it sets one up and lets it go when the encoder is
// destroyed, so that a machine without the encoder still plays, records WAV and loads greetings;
// only MP3 recording fails. This layer keeps that shape on Linux: LoadLameEncoderLibrary opens
// Debian's libmp3lame with dlopen by its soname ("libmp3lame.so.0", or the file named by the
// environment variable QAV_LAME_LIBRARY, which tests use to make it missing), binds the LAME calls
// it needs, and GetLameEncoderEntryPoint gives the program the six entry points of the encoder
// interface by name: beInitStream, beEncodeChunk, beDeinitStream, beCloseStream, beVersion and
// beWriteVBRHeader. They are implemented here over the bound LAME calls.
//
// What the entry points do:
// - beInitStream maps the configuration record (BE_CONFIG, kind BE_CONFIG_LAME) onto LAME's
//   settings: rate, mode, bit rate, the flag bits, emphasis, bit reservoir, strict ISO, quality
//   (applied when its high byte is the complement of its low byte) and VBR. The output rate is the
//   input rate unless dwReSampleRate asks for another. LAME picks the MPEG version from the rate
//   and clamps a bit rate the version does not allow to the nearest one it does; dwMpegVersion,
//   dwPsyModel and nPreset are not used. No VBR/Info header frame is ever reserved or written:
//   the program's own reader refuses files that carry one.
//   It reports the samples to pass per chunk (one frame of every channel) and the output buffer
//   size every call needs.
// - beEncodeChunk takes at most that many interleaved 16-bit samples (a multiple of the channel
//   count) and writes the frames that are complete; often 0 bytes.
// - beDeinitStream flushes the samples LAME still holds as the last frames; after it the stream
//   only closes.
// - beCloseStream frees the stream.
// - beWriteVBRHeader writes nothing and succeeds: streams never carry a header frame to fill in.
//
// A stream holds the library it was made with, so a stream closed after its library was let go
// stays valid. Streams may be used from any thread, one thread per stream at a time.
//
// Several loads share one opened library: the environment variable is read when no encoder is
// loaded, and the library is closed when the last load and the last stream are gone.
#pragma once

#include <cstdint>
#include <string>

#pragma pack(push, 1)

// The configuration record of the encoder interface (331 bytes). It is packed: read and write its
// fields by value, never bind a reference or a pointer to one (they are not aligned).
struct BE_CONFIG {
  uint32_t dwConfig;  // BE_CONFIG_LAME
  struct {
    uint32_t dwStructVersion;  // 1
    uint32_t dwStructSize;     // sizeof(BE_CONFIG)
    uint32_t dwSampleRate;     // input rate
    uint32_t dwReSampleRate;   // output rate; 0 for the input rate
    int32_t nMode;             // BE_MP3_MODE_*
    uint32_t dwBitrate;        // kbit/s (CBR), minimum (VBR)
    uint32_t dwMaxBitrate;     // kbit/s, VBR maximum
    int32_t nPreset;
    uint32_t dwMpegVersion;  // MPEG1 or MPEG2
    uint32_t dwPsyModel;
    uint32_t dwEmphasis;
    int32_t bPrivate;
    int32_t bCRC;
    int32_t bCopyright;
    int32_t bOriginal;
    int32_t bWriteVBRHeader;
    int32_t bEnableVBR;
    int32_t nVBRQuality;  // 0 best .. 9
    uint32_t dwVbrAbr_bps;
    int32_t nVbrMethod;  // VBR_METHOD_*
    int32_t bNoRes;      // no bit reservoir
    int32_t bStrictIso;
    uint16_t nQuality;  // low byte: 0 best .. 9; high byte: its complement, else the default
    uint8_t btReserved[237];
  } LHV1;
};

// The version record beVersion fills.
struct BE_VERSION {
  uint8_t byDLLMajorVersion;  // this layer
  uint8_t byDLLMinorVersion;
  uint8_t byMajorVersion;  // the encoder
  uint8_t byMinorVersion;
  uint8_t byDay;  // release date; 0 when unknown
  uint8_t byMonth;
  uint16_t wYear;
  char zHomepage[129];
  uint8_t byAlphaLevel;
  uint8_t byBetaLevel;
  uint8_t byMMXEnabled;
  uint8_t btReserved[125];
};

#pragma pack(pop)

static_assert(sizeof(BE_CONFIG) == 331);

struct BeEncoderStream;
using BE_ERR = uint32_t;
using HBE_STREAM = BeEncoderStream*;

constexpr uint32_t BE_CONFIG_MP3 = 0;
constexpr uint32_t BE_CONFIG_LAME = 256;

constexpr BE_ERR BE_ERR_SUCCESSFUL = 0;
constexpr BE_ERR BE_ERR_INVALID_FORMAT = 1;
constexpr BE_ERR BE_ERR_INVALID_FORMAT_PARAMETERS = 2;
constexpr BE_ERR BE_ERR_NO_MORE_HANDLES = 3;
constexpr BE_ERR BE_ERR_INVALID_HANDLE = 4;
constexpr BE_ERR BE_ERR_BUFFER_TOO_SMALL = 5;

constexpr int32_t BE_MP3_MODE_STEREO = 0;
constexpr int32_t BE_MP3_MODE_JSTEREO = 1;
constexpr int32_t BE_MP3_MODE_DUALCHANNEL = 2;
constexpr int32_t BE_MP3_MODE_MONO = 3;

constexpr uint32_t MPEG1 = 1;
constexpr uint32_t MPEG2 = 0;

constexpr int32_t VBR_METHOD_NONE = -1;
constexpr int32_t VBR_METHOD_DEFAULT = 0;
constexpr int32_t VBR_METHOD_OLD = 1;
constexpr int32_t VBR_METHOD_NEW = 2;
constexpr int32_t VBR_METHOD_MTRH = 3;
constexpr int32_t VBR_METHOD_ABR = 4;

// The entry points, as the program binds them.
using BEINITSTREAM = BE_ERR (*)(BE_CONFIG* config, uint32_t* samplesPerChunk, uint32_t* outputBufferSize,
                                HBE_STREAM* stream);
using BEENCODECHUNK = BE_ERR (*)(HBE_STREAM stream, uint32_t sampleCount, const int16_t* samples, uint8_t* output,
                                 uint32_t* bytesWritten);
using BEDEINITSTREAM = BE_ERR (*)(HBE_STREAM stream, uint8_t* output, uint32_t* bytesWritten);
using BECLOSESTREAM = BE_ERR (*)(HBE_STREAM stream);
using BEVERSION = void (*)(BE_VERSION* version);
using BEWRITEVBRHEADER = BE_ERR (*)(const char* mp3Path);

namespace qav {

struct LameEncoderLibrary;

enum class LameLoadResult {
  kLoaded,
  kNotFound,      // the library could not be opened
  kMissingCalls,  // it opened but lacks calls the encoder needs
};

// The file LoadLameEncoderLibrary opens: $QAV_LAME_LIBRARY when set and not empty, else the soname.
std::string LameEncoderLibraryName();

// Opens and binds the encoder library. nullptr on failure, with *result saying why and *detail
// (when given) holding the loader's message.
LameEncoderLibrary* LoadLameEncoderLibrary(LameLoadResult* result, std::string* detail = nullptr);

// A generic entry-point type; cast the result to the entry point's own type (BEINITSTREAM, ...).
using LameEntryPoint = void (*)();
// The entry point of that name, or nullptr for a name the interface does not have.
LameEntryPoint GetLameEncoderEntryPoint(LameEncoderLibrary* library, const char* name);

// Lets the library go. Streams still open keep it loaded until they are closed.
void FreeLameEncoderLibrary(LameEncoderLibrary* library);

}  // namespace qav
