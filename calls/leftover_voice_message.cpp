#include "calls/leftover_voice_message.h"

#include <sys/stat.h>

#include "audio/audio_file_io.h"
#include "calls/recording_file_names.h"
#include "calls/recording_files.h"
#include "foundation/logger.h"
#include "platform/text.h"

namespace {

// The audio's length in seconds (rounded up), or -1 when the file holds no audio.
int RepairedLength(const std::u16string& path, std::u16string_view extension) {
  if (extension == u"wav") {
    WAVEFORMATEX format{};
    uint32_t data = 0;
    if (!qav::RepairRecordingWaveHeader(path, &format, &data) || data == 0 || format.nAvgBytesPerSec == 0) return -1;
    return static_cast<int>((uint64_t{data} + format.nAvgBytesPerSec - 1) / format.nAvgBytesPerSec);
  }
  MPEGLAYER3WAVEFORMAT mp3{};
  uint32_t offset = 0, bytes = 0;
  if (!qav::ReadAudioFileHeaderFormatMPEG(path, &mp3, &offset, &bytes) || bytes == 0 || mp3.wfx.nAvgBytesPerSec == 0) {
    return -1;
  }
  return static_cast<int>((uint64_t{bytes} + mp3.wfx.nAvgBytesPerSec - 1) / mp3.wfx.nAvgBytesPerSec);
}

}  // namespace

void RecoverLeftoverVoiceMessages(const std::u16string& folder) {
  for (const std::u16string_view extension : {std::u16string_view(u"wav"), std::u16string_view(u"mp3")}) {
    const std::u16string path = folder + std::u16string(kVoiceMessageTemporaryBase) + u"." + std::u16string(extension);
    struct stat st {};
    if (::stat(qav::U8(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    const int seconds = RepairedLength(path, extension);
    if (seconds < 0) {
      QAV_LOG(LOG_WARNING, u"RecoverLeftoverVoiceMessages [%s holds no audio: removed]", path);
      qav::DeleteRecordingFile(path);
      continue;
    }
    const std::u16string name =
        BuildVoiceMessageFileName(kUnknownCallerHandle, static_cast<int64_t>(st.st_mtime) - seconds, seconds, false,
                                  extension);
    if (name.empty() || !qav::MoveRecordingFile(path, folder + name)) {
      QAV_LOG(LOG_WARNING, u"RecoverLeftoverVoiceMessages [ERROR keeping %s as %s]", path, name);
      continue;
    }
    QAV_LOG(LOG_WARNING, u"RecoverLeftoverVoiceMessages [an unfinished voice message of %d sec is kept as %s]",
            seconds, name);
  }
}
