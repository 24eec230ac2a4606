#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/audio_file_io.h"
#include "audio/fd_io.h"
#include "audio/mpeg_convert.h"
#include "audio/mpeg_utils.h"
#include "audio/pcm_convert.h"
#include "audio/wave_utils.h"
#include "platform/codecs/lame_encoder.h"
#include "platform/text.h"
#include "tests/audio/audio_test_support.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

using namespace qav;
using namespace qav::test;

namespace {

// The frames of an MP3 file from its first frame: how many, and the bit rates met.
struct FrameWalk {
  int frames = 0;
  int samples = 0;  // per channel
  std::vector<int> bitRates;
};

FrameWalk WalkFrames(const std::string& path, uint32_t offset) {
  FrameWalk walk;
  FdCloser fd(::open(path.c_str(), O_RDONLY));
  SeekTo(fd.get(), offset);
  MPEGFrameInfo info;
  while (MPEGGetNextGoodHeader(fd.get(), &info)) {
    ++walk.frames;
    walk.samples += info.samplesPerFrame;
    if (walk.bitRates.empty() || walk.bitRates.back() != info.bitRate) walk.bitRates.push_back(info.bitRate);
    SeekTo(fd.get(), CurrentOffset(fd.get()) + info.frameLength);
  }
  return walk;
}

// Encodes PCM through the program's converter into a new MP3 recording, flushing at the end.
bool EncodeFile(const std::string& path, const WAVEFORMATEX& pcm, const MPEGLAYER3WAVEFORMAT& mp3,
                const std::string& data, size_t blockBytes, MPEGLAYER3WAVEFORMAT* used) {
  CMPEGConvert encoder;
  if (!encoder.Init(&pcm, &mp3.wfx)) return false;
  *used = encoder.GetMPEGFormat();
  int fd = -1;
  if (!PrepareAudioFileForWritingMPEG(U16(path), kVoiceMessageRecordingTitle, &fd)) return false;
  std::vector<uint8_t> out(20000);
  bool ok = true;
  for (size_t at = 0; at < data.size() && ok; at += blockBytes) {
    const size_t n = std::min(blockBytes, data.size() - at);
    const int got = encoder.Convert(reinterpret_cast<const uint8_t*>(data.data()) + at, uint32_t(n), out.data(),
                                    uint32_t(out.size()));
    ok = got >= 0 && WriteFully(fd, out.data(), size_t(got));
  }
  const int tail = encoder.Flush(out.data(), uint32_t(out.size()));
  ok = ok && tail >= 0 && WriteFully(fd, out.data(), size_t(tail));
  return CommitAndClose(fd) && ok;
}

// Decodes an MP3 through the program's converter, frame by frame, into PCM of `pcm`'s format.
std::vector<int16_t> DecodeFile(const std::string& path, const WAVEFORMATEX& pcm, MPEGLAYER3WAVEFORMAT* format) {
  std::vector<int16_t> all;
  FdCloser fd(::open(path.c_str(), O_RDONLY));
  uint32_t offset = 0, length = 0;
  if (!MPEGUtilsReadAudioFileHeaderFormat(fd.get(), format, kMpegLayer3WaveFormatSize, &offset, &length)) return all;
  CMPEGConvert decoder;
  if (!decoder.Init(&format->wfx, &pcm)) return all;
  SeekTo(fd.get(), offset);
  std::vector<uint8_t> frame(10000), out(100000);
  MPEGFrameInfo info;
  auto append = [&](int n) {
    EXPECT_GE(n, 0);
    const std::vector<int16_t> s = ToSamples(out.data(), size_t(std::max(n, 0)));
    all.insert(all.end(), s.begin(), s.end());
  };
  while (MPEGGetNextGoodHeader(fd.get(), &info)) {
    const int64_t n = ReadUpTo(fd.get(), frame.data(), size_t(info.frameLength));
    append(decoder.Convert(frame.data(), uint32_t(n), out.data(), uint32_t(out.size())));
  }
  append(decoder.Flush(out.data(), uint32_t(out.size())));
  return all;
}

MPEGLAYER3WAVEFORMAT Mp3Format(int bitRate, int rate, int channels) {
  MPEGFrameInfo info;
  EXPECT_EQ(MakeMP3EncoderSettings(bitRate, rate, channels, &info), 1);
  MPEGLAYER3WAVEFORMAT f{};
  EXPECT_EQ(MPEGFormatStructConfig(info, &f), 1);
  // Ask for the bit rate as requested; the converter takes over what the encoder will use.
  f.wfx.nAvgBytesPerSec = uint32_t(bitRate / 8);
  return f;
}

// Two tones, one per channel, so that a swap of channels shows.
std::vector<int16_t> StereoTones(int rate, double seconds) {
  const std::vector<int16_t> left = Tone(rate, 1, 500, seconds), right = Tone(rate, 1, 1200, seconds);
  std::vector<int16_t> s;
  for (size_t i = 0; i < left.size(); ++i) {
    s.push_back(left[i]);
    s.push_back(right[i]);
  }
  return s;
}

}  // namespace

TEST(Mp3Encoding, RecordingsThatMpg123AndSoxDecode) {
  struct Case {
    const char* name;
    int bitRate, rate, channels, sourceChannels, usedBitRate;
    size_t blockBytes;
  } cases[] = {
      {"voice message, quality 1", 96000, 16000, 1, 1, 96000, 2304},
      {"voice message, quality 0: 256000 is too high at 16000 Hz", 256000, 16000, 1, 1, 160000, 2304},
      {"greeting, quality 0", 256000, 44100, 1, 1, 256000, 1152},
      {"stereo conversation", 128000, 16000, 2, 2, 128000, 2560},
      {"mono call audio into a stereo file", 64000, 16000, 2, 1, 64000, 1280},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string mp3Path = dir.File("message.mp3");
    const double seconds = 1.5;
    const std::vector<int16_t> source =
        c.sourceChannels == 2 ? StereoTones(c.rate, seconds) : Tone(c.rate, 1, 500, seconds);
    const size_t inputFrames = source.size() / size_t(c.sourceChannels);
    const WAVEFORMATEX pcm = WaveUtilsMakePCMFormat(uint16_t(c.sourceChannels), 16, uint32_t(c.rate));
    MPEGLAYER3WAVEFORMAT used{};
    ASSERT_TRUE(EncodeFile(mp3Path, pcm, Mp3Format(c.bitRate, c.rate, c.channels), ToBytes(source), c.blockBytes,
                           &used));
    EXPECT_EQ(used.wfx.nAvgBytesPerSec * 8, uint32_t(c.usedBitRate));

    // The program's own reader takes it (no VBR/Info frame), after the 512-byte tag.
    MPEGLAYER3WAVEFORMAT read{};
    uint32_t offset = 0, bytes = 0;
    ASSERT_EQ(ReadAudioFileHeaderFormatMPEG(U16(mp3Path), &read, &offset, &bytes), 1);
    EXPECT_EQ(offset, 512u);
    EXPECT_EQ(read.wfx.nSamplesPerSec, uint32_t(c.rate));
    EXPECT_EQ(read.wfx.nChannels, c.channels);
    const FrameWalk walk = WalkFrames(mp3Path, offset);
    EXPECT_EQ(walk.bitRates, std::vector<int>{c.usedBitRate});
    EXPECT_GE(size_t(walk.samples), inputFrames) << "the last frames were flushed into the file";
    // Duration from the bit rate used matches the frames written.
    EXPECT_NEAR(double(bytes) / used.wfx.nAvgBytesPerSec, double(walk.samples) / c.rate, 0.03);

    for (const std::string tool : {"mpg123", "sox"}) {
      SCOPED_TRACE(tool);
      const std::string wavPath = dir.File(tool + ".wav");
      const std::string command = tool == "mpg123" ? "mpg123 -q -w " + Quote(wavPath) + " " + Quote(mp3Path)
                                                   : "sox -q " + Quote(mp3Path) + " " + Quote(wavPath);
      ASSERT_EQ(RunCommand(command + " 2>/dev/null"), 0);
      WAVEFORMATEX format{};
      std::string data;
      ASSERT_TRUE(ReadWav(wavPath, &format, &data));
      EXPECT_EQ(format.nSamplesPerSec, uint32_t(c.rate));
      ASSERT_EQ(format.nChannels, c.channels);
      const std::vector<int16_t> decoded = ToSamples(data);
      const size_t frames = decoded.size() / size_t(c.channels);
      EXPECT_GE(frames, inputFrames);
      EXPECT_LE(frames, inputFrames + size_t(c.rate) / 5);
      const std::vector<int16_t> left = Channel(decoded, c.channels, 0);
      const size_t middle = size_t(c.rate) / 2;
      EXPECT_NEAR(MeasuredFrequency(left, c.rate, middle, size_t(c.rate) / 2), 500, 5);
      if (c.channels == 2) {
        const double right = MeasuredFrequency(Channel(decoded, 2, 1), c.rate, middle, size_t(c.rate) / 2);
        EXPECT_NEAR(right, c.sourceChannels == 2 ? 1200 : 500, 5);
      }
    }
  }
}

TEST(Mp3Decoding, AnMp3FromTheLameToolIsReadAndDecoded) {
  TempDir dir;
  const std::string wavPath = dir.File("tone.wav"), mp3Path = dir.File("tone.mp3");
  const std::vector<int16_t> tone = Tone(22050, 1, 600, 2.0);
  ASSERT_TRUE(WriteWav(wavPath, WaveUtilsMakePCMFormat(1, 16, 22050), ToBytes(tone)));
  // -t: no Info frame (the program refuses files with one); the ID3v2 tag comes first.
  ASSERT_EQ(RunCommand("lame --quiet -t -b 64 --resample 22.05 --add-id3v2 --tt 'Hello greeting' " + Quote(wavPath) + " " + Quote(mp3Path)),
            0);

  MPEGLAYER3WAVEFORMAT format{};
  uint32_t offset = 0, bytes = 0;
  ASSERT_EQ(ReadAudioFileHeaderFormatMPEG(U16(mp3Path), &format, &offset, &bytes), 1);
  EXPECT_GT(offset, 0u);  // after the tag
  EXPECT_EQ(format.wfx.nSamplesPerSec, 22050u);
  EXPECT_EQ(format.wfx.nChannels, 1);
  EXPECT_EQ(format.wfx.nAvgBytesPerSec, 8000u);
  const FrameWalk walk = WalkFrames(mp3Path, offset);
  EXPECT_EQ(walk.bitRates, std::vector<int>{64000});
  EXPECT_NEAR(walk.samples, 44100, 2 * 576 + 1105);

  // Decoded to the greeting memory format: 44100 Hz 16-bit mono.
  MPEGLAYER3WAVEFORMAT seen{};
  const std::vector<int16_t> pcm = DecodeFile(mp3Path, WaveUtilsMakePCMFormat(1, 16, 44100), &seen);
  EXPECT_NEAR(double(pcm.size()), walk.samples * 2.0, 2);
  EXPECT_NEAR(MeasuredFrequency(pcm, 44100, 22050, 44100), 600, 5);
  EXPECT_GT(Rms(pcm, 22050, 44100), 0.3 * 32767 / std::sqrt(2));

  // lame's default Info frame marks a file the program refuses, as it refuses VBR files.
  ASSERT_EQ(RunCommand("lame --quiet -b 64 --resample 22.05 " + Quote(wavPath) + " " + Quote(mp3Path)), 0);
  LogCapture log;
  EXPECT_EQ(ReadAudioFileHeaderFormatMPEG(U16(mp3Path), &format, &offset, &bytes), 0);
  EXPECT_TRUE(Logged(log, u"[ VBR MPEG File not supported ]"));
}

TEST(Mp3Encoding, FailsCleanlyWithoutTheEncoderLibrary) {
  const WAVEFORMATEX pcm = WaveUtilsMakePCMFormat(1, 16, 16000);
  const MPEGLAYER3WAVEFORMAT mp3 = Mp3Format(96000, 16000, 1);
  struct Case {
    const char* library;
    const char16_t* log;
  } cases[] = {
      {"/nonexistent/libmp3lame.so.0", u"Error loading LAME encoder dll"},
      {"libmpg123.so.0", u"Error binding encoding functions from LAME dll"},  // opens, but is no encoder
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.library);
    ScopedEnv pin("QAV_LAME_LIBRARY", c.library);
    LogCapture log;
    CMPEGConvert encoder;
    EXPECT_EQ(encoder.Init(&pcm, &mp3.wfx), 0);
    EXPECT_TRUE(Logged(log, c.log)) << LogText(log);
    EXPECT_TRUE(Logged(log, u"[ FAILED Encode LAME Init ]"));
    uint8_t out[8];
    EXPECT_EQ(encoder.Convert(out, 2, out, sizeof out), -1);

    // Everything else still works: decoding and PCM conversion.
    CMPEGConvert decoder;
    EXPECT_EQ(decoder.Init(&mp3.wfx, &pcm), 1);
    CPCMConvert rate;
    const WAVEFORMATEX to = WaveUtilsMakePCMFormat(1, 16, 44100);
    EXPECT_EQ(rate.Init(&pcm, &to), 1);
  }
  CMPEGConvert encoder;  // and with the library back, encoding works again
  EXPECT_EQ(encoder.Init(&pcm, &mp3.wfx), 1);
}

TEST(Mp3Encoding, ConfigurationAndTheEncoderInterface) {
  MPEGLAYER3WAVEFORMAT mono256 = Mp3Format(256000, 44100, 1);
  BE_CONFIG config;  // packed: its fields are read by value (+field), never by reference
  CMPEGConvert::FillEncoderConfig(mono256, &config);
  EXPECT_EQ(sizeof config, 331u);
  EXPECT_EQ(+config.dwConfig, BE_CONFIG_LAME);
  EXPECT_EQ(+config.LHV1.dwStructVersion, 1u);
  EXPECT_EQ(+config.LHV1.dwStructSize, 331u);
  EXPECT_EQ(+config.LHV1.dwSampleRate, 44100u);
  EXPECT_EQ(+config.LHV1.dwReSampleRate, 0u);
  EXPECT_EQ(+config.LHV1.nMode, BE_MP3_MODE_MONO);
  EXPECT_EQ(+config.LHV1.dwBitrate, 256u);
  EXPECT_EQ(+config.LHV1.dwMaxBitrate, 256u);
  EXPECT_EQ(+config.LHV1.dwMpegVersion, MPEG1);
  EXPECT_EQ(+config.LHV1.bOriginal, 1);
  EXPECT_EQ(+config.LHV1.bNoRes, 1);
  EXPECT_EQ(+config.LHV1.bEnableVBR, 0);
  EXPECT_EQ(+config.LHV1.bWriteVBRHeader, 0);
  EXPECT_EQ(+config.LHV1.bCRC, 0);
  MPEGLAYER3WAVEFORMAT stereo = Mp3Format(128000, 16000, 2);
  CMPEGConvert::FillEncoderConfig(stereo, &config);
  EXPECT_EQ(+config.LHV1.nMode, BE_MP3_MODE_STEREO);

  // The entry points, bound by name as the program binds them.
  LameLoadResult result;
  LameEncoderLibrary* library = LoadLameEncoderLibrary(&result);
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(GetLameEncoderEntryPoint(library, "beFlushNoGap"), nullptr);
  auto init = reinterpret_cast<BEINITSTREAM>(GetLameEncoderEntryPoint(library, "beInitStream"));
  auto encode = reinterpret_cast<BEENCODECHUNK>(GetLameEncoderEntryPoint(library, "beEncodeChunk"));
  auto deinit = reinterpret_cast<BEDEINITSTREAM>(GetLameEncoderEntryPoint(library, "beDeinitStream"));
  auto close = reinterpret_cast<BECLOSESTREAM>(GetLameEncoderEntryPoint(library, "beCloseStream"));
  auto version = reinterpret_cast<BEVERSION>(GetLameEncoderEntryPoint(library, "beVersion"));
  auto vbrHeader = reinterpret_cast<BEWRITEVBRHEADER>(GetLameEncoderEntryPoint(library, "beWriteVBRHeader"));
  ASSERT_TRUE(init && encode && deinit && close && version && vbrHeader);
  BE_VERSION v;
  version(&v);
  EXPECT_EQ(v.byMajorVersion, 3);

  // 256 kbit/s at 16000 Hz straight to the encoder: it writes what MPEG-2 allows.
  CMPEGConvert::FillEncoderConfig(Mp3Format(96000, 16000, 2), &config);
  config.LHV1.dwBitrate = config.LHV1.dwMaxBitrate = 256;
  uint32_t perChunk = 0, bufferSize = 0;
  HBE_STREAM stream = nullptr;
  ASSERT_EQ(init(&config, &perChunk, &bufferSize, &stream), BE_ERR_SUCCESSFUL);
  FreeLameEncoderLibrary(library);  // a stream keeps its library
  EXPECT_EQ(perChunk, 576u * 2);
  EXPECT_GE(bufferSize, 7200u);
  std::vector<uint8_t> out(bufferSize * 4);
  const std::vector<int16_t> pcm = StereoTones(16000, 0.5);
  uint32_t written = 0, total = 0;
  EXPECT_EQ(encode(stream, perChunk + 2, pcm.data(), out.data(), &written), BE_ERR_INVALID_FORMAT_PARAMETERS);
  EXPECT_EQ(encode(stream, 3, pcm.data(), out.data(), &written), BE_ERR_INVALID_FORMAT_PARAMETERS);  // half a frame
  for (size_t at = 0; at + perChunk <= pcm.size(); at += perChunk) {
    ASSERT_EQ(encode(stream, perChunk, pcm.data() + at, out.data() + total, &written), BE_ERR_SUCCESSFUL);
    total += written;
    if (total + bufferSize > out.size()) break;
  }
  ASSERT_GE(total, 4u);
  MPEGFrameInfo info;
  ASSERT_EQ(MPEGHeaderDecode(uint32_t(out[0]) << 24 | out[1] << 16 | out[2] << 8 | out[3], &info), 1);
  EXPECT_EQ(info.bitRate, 160000);
  EXPECT_EQ(info.channelMode, 0);
  EXPECT_EQ(deinit(stream, out.data(), &written), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(encode(stream, 2, pcm.data(), out.data(), &written), BE_ERR_INVALID_HANDLE);  // flushed: closed to input
  EXPECT_EQ(vbrHeader("unused.mp3"), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(close(stream), BE_ERR_SUCCESSFUL);
}
