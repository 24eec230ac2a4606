#include "calls/leftover_recording.h"

#include "audio/audio_file_io.h"
#include "calls/recording_files.h"
#include "platform/text.h"

namespace {

LeftoverRecording Measured(uint32_t bytes, uint32_t bytesPerSecond) {
  if (bytes == 0) return {LeftoverRecording::Kind::kEmpty, 0};
  if (bytesPerSecond == 0) return {};
  return {LeftoverRecording::Kind::kAudio, static_cast<int>((uint64_t{bytes} + bytesPerSecond - 1) / bytesPerSecond)};
}

}  // namespace

LeftoverRecording RepairLeftoverRecording(const std::u16string& path, std::u16string_view extension) {
  // Killed before its header was written.
  if (qav::RecordingFileSize(path) == 0) return {LeftoverRecording::Kind::kEmpty, 0};
  if (qav::EqualsNoCase(extension, u"wav")) {
    WAVEFORMATEX format{};
    uint32_t data = 0;
    if (!qav::RepairRecordingWaveHeader(path, &format, &data)) return {};
    return Measured(data, format.nAvgBytesPerSec);
  }
  MPEGLAYER3WAVEFORMAT mp3{};
  uint32_t offset = 0, bytes = 0;
  if (!qav::ReadAudioFileHeaderFormatMPEG(path, &mp3, &offset, &bytes)) return {};
  return Measured(bytes, mp3.wfx.nAvgBytesPerSec);
}
