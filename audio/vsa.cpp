#include "audio/vsa.h"

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>

#include <fcntl.h>

#include "audio/fd_io.h"
#include "audio/mpeg_utils.h"
#include "audio/vsa_mpeg_source.h"
#include "audio/vsa_wave_source.h"
#include "audio/wave_utils.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"

using qav::ProgressJobContext;
using qav::VsaBlockRead;
using qav::VsaBlockSource;

namespace {

bool IsAnalysed(int channels, int channelChoice) {
  return channels == 1 || (channels == 2 && (channelChoice == qav::kVsaChannelLeft || channelChoice == qav::kVsaChannelRight));
}

// Lets the caller of the dialog wait for the worker: a cancelled dialog returns while its job may
// still run, and the job uses the analysis object and the open file until it returns. A job that
// had not started when the caller gave up never starts.
class WorkerGate {
 public:
  // False when the caller has already given up.
  bool Enter() {
    std::lock_guard lock(m_mutex);
    if (m_state == State::kAbandoned) return false;
    m_state = State::kRunning;
    return true;
  }
  void Leave() {
    {
      std::lock_guard lock(m_mutex);
      m_state = State::kFinished;
    }
    m_finished.notify_all();
  }
  // Waits for a running job; afterwards no job will run.
  void WaitAndClose() {
    std::unique_lock lock(m_mutex);
    m_finished.wait(lock, [&] { return m_state != State::kRunning; });
    if (m_state == State::kWaiting) m_state = State::kAbandoned;
  }

 private:
  enum class State { kWaiting, kRunning, kFinished, kAbandoned };
  std::mutex m_mutex;
  std::condition_variable m_finished;
  State m_state = State::kWaiting;
};

}  // namespace

CVSA::CVSA() { Reset(); }

void CVSA::Reset() { m_results.Reset(); }

int CVSA::Init(std::u16string_view path, int channelChoice, qav::ProgressDialogRunner* dialog) {
  Reset();
  const bool wave = IsFileExtension(path, u".wav") != 0;
  if (!wave && !IsFileExtension(path, u".mp3")) return 0;

  const int fd = qav::OpenPath(path, O_RDONLY);
  if (fd < 0) {
    QAV_LOG(LOG_WARNING, u"CVSA::Init [ERROR unable to open input file - %s]", path);
    return 0;
  }
  qav::FdCloser closer(fd);
  int64_t fileLength = 0;
  if (!WaveUtilsGetAudioFileSize(fd, &fileLength)) {
    QAV_LOG(LOG_WARNING, u"CVSA::Init [ERROR unable to open input file - %s]", path);
    return 0;
  }

  std::unique_ptr<VsaBlockSource> source;
  if (wave) {
    WAVEFORMATEX format{};
    uint32_t dataOffset = 0;
    uint32_t dataSize = 0;
    if (!WaveUtilsReadAudioFileHeaderFormat(fd, &format, kWaveFormatExSize, &dataOffset, &dataSize)) {
      QAV_LOG(LOG_WARNING, u"CVSA::Init [ERROR from WaveUtilsReadAudioFileHeaderFormat]");
      return 0;
    }
    if (format.wFormatTag != WAVE_FORMAT_PCM) {
      QAV_LOG(LOG_WARNING, u"CVSA::Init [ERROR Wave Format not WAVE_FORMAT_PCM (%d)]", format.wFormatTag);
      return 0;
    }
    if (!qav::SeekTo(fd, dataOffset)) {
      QAV_LOG(LOG_WARNING, u"CVSA::Init [ERROR creating CFile from fp]");
      return 0;
    }
    source = std::make_unique<qav::VsaWaveSource>(fd, format, dataOffset, dataSize, fileLength);
  } else {
    MPEGLAYER3WAVEFORMAT format{};
    uint32_t dataOffset = 0;
    uint32_t dataLength = 0;
    if (!MPEGUtilsReadAudioFileHeaderFormat(fd, &format, kMpegLayer3WaveFormatSize, &dataOffset, &dataLength) ||
        !qav::SeekTo(fd, dataOffset)) {
      QAV_LOG(LOG_WARNING, u"CVSA::Init [ERROR from MPEGUtilsReadAudioFileHeaderFormat]");
      return 0;
    }
    source = std::make_unique<qav::VsaMpegSource>(fd, format, dataOffset, fileLength);
  }
  return Analyse(*source, channelChoice, dialog);
}

int CVSA::Analyse(VsaBlockSource& source, int channelChoice, qav::ProgressDialogRunner* dialog) {
  Reset();
  m_channelChoice = channelChoice;
  const int channels = source.Channels();

  auto gate = std::make_shared<WorkerGate>();
  qav::ProgressJob job = [this, gate, &source](ProgressJobContext& progress) {
    if (!gate->Enter()) return 0;
    struct LeaveOnExit {
      WorkerGate& gate;
      ~LeaveOnExit() { gate.Leave(); }
    } leave{*gate};
    return RunWorker(source, progress);
  };

  const std::u16string title = GetLangString(IDS_VSA_PROGRESS_WINDOW_STATIC_TEXT);
  int result = qav::kProgressJobFailed;
  if (dialog != nullptr) {
    result = dialog->RunModal(title, job);
  } else {
    qav::HeadlessProgressRunner headless;
    result = headless.RunModal(title, job);
  }
  gate->WaitAndClose();

  QAV_LOG(LOG_FINE, u"CVSA::Analyse dialog result %d, entries %d", result, m_results.GetCount());
  return result == qav::kProgressJobSucceeded && IsAnalysed(channels, channelChoice) ? 1 : 0;
}

int CVSA::RunWorker(VsaBlockSource& source, ProgressJobContext& progress) {
  try {
    return AnalyseBlocks(source, progress);
  } catch (const qav::VsaSourceError& e) {
    QAV_LOG(LOG_SEVERE, u"CVSA::RunWorker [ERROR %d while reading the recording]", static_cast<int>(e.fault()));
  } catch (const std::exception& e) {
    QAV_LOG(LOG_SEVERE, u"CVSA::RunWorker [ERROR %s while reading the recording]", e.what());
  }
  source.Finish();
  m_results.Reset();
  return 0;
}

int CVSA::AnalyseBlocks(VsaBlockSource& source, ProgressJobContext& progress) {
  m_results.Reset();
  m_analyser.Clear();
  const int64_t start = source.Position();
  const int64_t end = source.FileLength() + kClosingEntryDistance;
  m_results.Append(0, 0, start);

  const int channels = source.Channels();
  if (channels == 1) m_channelChoice = qav::kVsaChannelMono;
  const std::u16string text = GetLangString(IDS_VSA_PROGRESS_WINDOW_STATIC_TEXT);

  if (IsAnalysed(channels, m_channelChoice)) {
    source.Prepare();
    PostText(progress, text);

    // The first value needs a full ring: seven blocks before it and a whole one of its own, so a
    // recording shorter than eight blocks (1.49 s) gives no analysis.
    int wholeBlocks = 0;
    auto tooShort = [&] {
      QAV_LOG(LOG_WARNING, u"CVSA::RunWorker [ERROR file too short: %d blocks, %d needed]", wholeBlocks,
              qav::kVsaRingBlocks);
      source.Finish();
      m_results.Reset();
      return 0;
    };
    for (; wholeBlocks < qav::kVsaRingBlocks - 1; ++wholeBlocks) {
      if (source.ReadBlock(&m_block) != VsaBlockRead::kFull) return tooShort();
      AddBlockToRing(channels);
    }

    while (!progress.IsTerminated()) {
      const int64_t position = source.Position();
      const VsaBlockRead read = source.ReadBlock(&m_block);
      if (wholeBlocks < qav::kVsaRingBlocks && read != VsaBlockRead::kFull) return tooShort();
      ++wholeBlocks;
      if (read == VsaBlockRead::kNone) break;
      AddBlockToRing(channels);
      m_results.Append(m_analyser.Value(), m_analyser.Level(), position);
      const int percent = static_cast<int>(position * 100 / end);
      PostText(progress, qav::Format(u"%s   [%d%%]", text, percent));
      PostPosition(progress, percent);
      if (read == VsaBlockRead::kLast) break;
    }
  } else {
    QAV_LOG(LOG_WARNING, u"CVSA::RunWorker [not analysed: %d channels, channel choice %d]", channels, m_channelChoice);
  }

  m_results.Append(0, 0, end);
  source.Finish();
  m_results.Normalise();
  PostText(progress, qav::Format(u"%s   [%s]", text, GetLangString(IDS_VSA_PROGRESS_WINDOW_DONE)));
  PostPosition(progress, 100);
  if (!progress.IsTerminated()) progress.Linger(kDoneLinger);
  return 1;
}

void CVSA::AddBlockToRing(int channels) {
  const size_t frames = m_block.size() / static_cast<size_t>(channels);
  m_analyser.AddBlock(m_block.data(), frames, channels, m_channelChoice);
}

void CVSA::PostText(ProgressJobContext& progress, std::u16string text) {
  if (!progress.IsTerminated()) progress.PostText(std::move(text));
}

void CVSA::PostPosition(ProgressJobContext& progress, int percent) {
  if (!progress.IsTerminated()) progress.PostPosition(percent);
}
