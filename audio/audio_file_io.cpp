#include "audio/audio_file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <ctime>
#include <string>

#include "audio/fd_io.h"
#include "audio/id3_tag.h"
#include "audio/mpeg_utils.h"
#include "audio/pcm_convert.h"
#include "audio/wave_utils.h"
#include "foundation/logger.h"
#include "platform/clock.h"
#include "platform/text.h"

namespace qav {

namespace {

constexpr int kId3BufferSize = 5000;
constexpr unsigned kNewFileMode = 0600;

int CurrentLocalYear() {
  const time_t now = static_cast<time_t>(CurrentClock().Now().seconds);
  struct tm local {};
  if (!localtime_r(&now, &local)) return 0;
  return local.tm_year + 1900;
}

// Opens the file for a recording; -1 (logged) on failure.
int OpenRecordingFile(std::u16string_view path) {
  const int fd = OpenPath(path, O_RDWR | O_CREAT, kNewFileMode);
  if (fd < 0) QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR: unable to open output file]");
  return fd;
}

}  // namespace

int PrepareAudioFileForWritingWave(std::u16string_view path, const WAVEFORMATEX& format, uint32_t bytesWritten,
                                   uint32_t* dataOffset, int* fd) {
  QAV_LOG(LOG_INFO, u"CAudioDriver::PrepareAudioFileForWritingWave [sFilePath: %s]", path);
  *fd = -1;
  if (!IsFileExtension(path, u".wav")) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR: output file not WAV extention]");
    return 0;
  }
  // Checked before anything is written: a file laid out otherwise must not lose its header.
  if (*dataOffset != 0 && *dataOffset != kWaveHeaderSize) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [Bad Data Start Offset]");
    return 0;
  }
  FdCloser file(OpenRecordingFile(path));
  if (file.get() < 0) return 0;
  uint32_t offset = 0;
  if (!WriteAudioFileHeaderFormat(file.get(), &format, bytesWritten, &offset)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [FAILED: WriteAudioFileHeaderFormat]");
    return 0;
  }
  if (!SeekTo(file.get(), int64_t{offset} + bytesWritten)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [Bad SEEK(data start)]");
    return 0;
  }
  *dataOffset = offset;
  *fd = file.release();
  return 1;
}

int PrepareAudioFileForWritingMPEG(std::u16string_view path, std::u16string_view title, int* fd) {
  QAV_LOG(LOG_INFO, u"CAudioDriver::PrepareAudioFileForWritingMPEG [sFilePath: %s]", path);
  *fd = -1;
  if (!IsFileExtension(path, u".mp3")) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR: output file not MP3 extention]");
    return 0;
  }
  FdCloser file(OpenRecordingFile(path));
  if (file.get() < 0) return 0;
  const off_t end = ::lseek(file.get(), 0, SEEK_END);
  if (end < 0) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR: unable to find end of output file]");
    return 0;
  }
  if (end == 0) {  // a new file starts with its tag; frames are appended to an existing one
    CID3Tag tag(true);
    tag.SetTitle(ToLatin1(title));
    tag.SetArtist(kRecordingArtist);
    tag.SetYear(U16(std::to_string(CurrentLocalYear())));
    uint8_t buffer[kId3BufferSize];
    const int size = tag.BuildV2(buffer, sizeof buffer);
    if (size <= 0) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR: in creating ID3 tag]");
      return 0;
    }
    if (!WriteFully(file.get(), buffer, static_cast<size_t>(size))) {
      QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR: in _write() ID3 tag to file]");
      return 0;
    }
  }
  *fd = file.release();
  return 1;
}

int ReadAudioFileHeaderFormatWAVE(std::u16string_view path, WAVEFORMATEX* format, uint32_t* dataOffset,
                                  uint32_t* dataSize) {
  if (!IsFileExtension(path, u".wav")) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR output file not WAV extention = '%s']", path);
    return 0;
  }
  FdCloser file(OpenPath(path, O_RDWR));
  if (file.get() < 0) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR unable to open input file = '%s']", path);
    return 0;
  }
  WAVEFORMATEX read{};
  if (!WaveUtilsReadAudioFileHeaderFormat(file.get(), &read, kWaveFormatExSize, dataOffset, dataSize)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from WaveUtilsReadAudioFileHeaderFormat]");
    return 0;
  }
  if (*dataSize == 0) return 0;
  *format = read;
  return 1;
}

int RepairRecordingWaveHeader(std::u16string_view path, WAVEFORMATEX* format, uint32_t* dataSize) {
  FdCloser file(OpenPath(path, O_RDWR));
  if (file.get() < 0) return 0;
  int64_t fileSize = 0;
  WAVEFORMATEX read{};
  uint32_t offset = 0, size = 0;
  if (!WaveUtilsGetAudioFileSize(file.get(), &fileSize) ||
      !WaveUtilsReadAudioFileHeaderFormat(file.get(), &read, kWaveFormatExSize, &offset, &size) ||
      offset != kWaveHeaderSize || !IsConsistentPcmFormat(read) || fileSize > int64_t{UINT32_MAX}) {
    return 0;
  }
  const uint64_t data = static_cast<uint64_t>(fileSize - offset) / read.nBlockAlign * read.nBlockAlign;
  if (::ftruncate(file.get(), static_cast<off_t>(offset + data)) != 0 ||
      !UpdateAudioFileHeaderSizes(file.get(), static_cast<uint32_t>(data))) {
    return 0;
  }
  *format = read;
  *dataSize = static_cast<uint32_t>(data);
  return 1;
}

int ReadAudioFileHeaderFormatMPEG(std::u16string_view path, MPEGLAYER3WAVEFORMAT* format, uint32_t* dataOffset,
                                  uint32_t* bytesWritten) {
  if (!IsFileExtension(path, u".mp3")) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR output file not MP3 extention]");
    return 0;
  }
  FdCloser file(OpenPath(path, O_RDWR));
  if (file.get() < 0) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR unable to open input file]");
    return 0;
  }
  MPEGLAYER3WAVEFORMAT read{};
  uint32_t offset = 0;
  uint32_t length = 0;
  if (!MPEGUtilsReadAudioFileHeaderFormat(file.get(), &read, kMpegLayer3WaveFormatSize, &offset, &length) ||
      read.wfx.nSamplesPerSec == 0) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [no good MP3 headers found]");
    return 0;
  }
  *format = read;
  *dataOffset = offset;
  *bytesWritten = length;
  return 1;
}

}  // namespace qav
