#include "platform/sound/alsa_wave_device.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/crash_signals.h"
#include "platform/message_loop.h"

namespace qav {

namespace {

// ALSA's own buffer: deep enough to ride over scheduling jitter, short enough to keep the delay
// of the call low.
constexpr unsigned kLatencyUs = 100000;
// How long the worker waits for the device before it looks at its flags again.
constexpr int kPollMs = 200;

bool AlsaFormat(const WAVEFORMATEX& f, snd_pcm_format_t* out) {
  if (f.wFormatTag != WAVE_FORMAT_PCM || f.nChannels < 1 || f.nChannels > 8 || f.nSamplesPerSec < 1000 ||
      f.nSamplesPerSec > 384000 || f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8) {
    return false;
  }
  switch (f.wBitsPerSample) {
    case 8: *out = SND_PCM_FORMAT_U8; return true;
    case 16: *out = SND_PCM_FORMAT_S16_LE; return true;
    case 24: *out = SND_PCM_FORMAT_S24_3LE; return true;
    case 32: *out = SND_PCM_FORMAT_S32_LE; return true;
    default: return false;
  }
}

// One open PCM with its worker. The opener's thread calls the public operations; the worker alone
// touches the PCM between open and close.
class AlsaStream {
 public:
  AlsaStream(snd_pcm_t* pcm, const WAVEFORMATEX& format, ThreadId callback, uint32_t doneMessage, uint64_t deviceId,
             bool capture)
      : pcm_(pcm),
        frameBytes_(format.nBlockAlign),
        callback_(callback),
        doneMessage_(doneMessage),
        deviceId_(deviceId),
        capture_(capture) {}

  ~AlsaStream() {
    {
      std::lock_guard lock(mutex_);
      closing_ = true;
    }
    Wake();
    if (worker_.joinable()) worker_.join();
    snd_pcm_close(pcm_);
    if (wakeFd_ >= 0) ::close(wakeFd_);
  }

  bool Begin() {
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0) return false;
    worker_ = std::thread([this] {
      PrepareThreadForCrashes();
      Run();
    });
    return true;
  }

  void Queue(WaveHeaderPtr header) {
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(std::move(header));
    }
    Wake();
  }

  void SetRunning(bool running) {
    std::unique_lock lock(mutex_);
    wantRunning_ = running;
    ++requests_;
    const uint64_t mine = requests_;
    Wake();
    done_.wait(lock, [&] { return served_ >= mine || workerGone_; });
  }

  // Stops and hands every block back before returning.
  void Reset() {
    std::unique_lock lock(mutex_);
    resetWanted_ = true;
    ++requests_;
    const uint64_t mine = requests_;
    Wake();
    done_.wait(lock, [&] { return served_ >= mine || workerGone_; });
  }

 private:
  void Wake() {
    const uint64_t one = 1;
    ssize_t n = ::write(wakeFd_, &one, sizeof one);
    (void)n;
  }
  void ClearWake() {
    uint64_t v;
    ssize_t n = ::read(wakeFd_, &v, sizeof v);
    (void)n;
  }

  void Return(WaveHeaderPtr header) { PostThreadMessage(callback_, doneMessage_, deviceId_, 0, std::move(header)); }

  // Serves the flags; false when closing.
  bool ServeRequests() {
    std::unique_lock lock(mutex_);
    if (resetWanted_) {
      resetWanted_ = false;
      running_ = false;
      wantRunning_ = capture_ ? false : wantRunning_;
      snd_pcm_drop(pcm_);
      snd_pcm_prepare(pcm_);
      if (current_) Return(std::move(current_));
      while (!queue_.empty()) {
        Return(std::move(queue_.front()));
        queue_.pop_front();
      }
    }
    if (capture_ && wantRunning_ != running_) {
      running_ = wantRunning_;
      if (running_) {
        snd_pcm_prepare(pcm_);
        snd_pcm_start(pcm_);
      } else {
        snd_pcm_drop(pcm_);
        snd_pcm_prepare(pcm_);
        if (current_ && current_->bytesRecorded > 0) Return(std::move(current_));
      }
    }
    served_ = requests_;
    done_.notify_all();
    if (closing_) {
      if (current_) Return(std::move(current_));
      while (!queue_.empty()) {
        Return(std::move(queue_.front()));
        queue_.pop_front();
      }
      workerGone_ = true;
      done_.notify_all();
      return false;
    }
    if (!current_ && !queue_.empty() && (!capture_ || running_)) {
      current_ = std::move(queue_.front());
      queue_.pop_front();
      position_ = capture_ ? current_->bytesRecorded : 0;
    }
    return true;
  }

  void WaitForDevice(bool withDevice) {
    std::vector<pollfd> fds(1);
    fds[0] = {wakeFd_, POLLIN, 0};
    if (withDevice) {
      const int count = snd_pcm_poll_descriptors_count(pcm_);
      if (count > 0) {
        fds.resize(1 + static_cast<size_t>(count));
        snd_pcm_poll_descriptors(pcm_, fds.data() + 1, static_cast<unsigned>(count));
      }
    }
    ::poll(fds.data(), fds.size(), withDevice ? kPollMs : -1);
    if (fds[0].revents & POLLIN) ClearWake();
  }

  void Run() {
    while (ServeRequests()) {
      if (!current_) {
        WaitForDevice(false);
        continue;
      }
      const snd_pcm_uframes_t left = (current_->data.size() - position_) / frameBytes_;
      if (left == 0) {
        Finish();
        continue;
      }
      uint8_t* at = current_->data.data() + position_;
      const snd_pcm_sframes_t n = capture_ ? snd_pcm_readi(pcm_, at, left) : snd_pcm_writei(pcm_, at, left);
      if (n == -EAGAIN) {
        WaitForDevice(true);
      } else if (n < 0) {
        // An underrun, an overrun or a suspend: start the device again and go on.
        if (snd_pcm_recover(pcm_, static_cast<int>(n), 1) < 0) {
          WaitForDevice(true);
        } else if (capture_) {
          snd_pcm_start(pcm_);
        }
      } else {
        position_ += static_cast<size_t>(n) * frameBytes_;
        if (capture_) current_->bytesRecorded = static_cast<uint32_t>(position_);
        if ((current_->data.size() - position_) < frameBytes_) Finish();
      }
    }
  }

  void Finish() {
    std::lock_guard lock(mutex_);
    if (current_) Return(std::move(current_));
  }

  snd_pcm_t* const pcm_;
  const uint32_t frameBytes_;
  const ThreadId callback_;
  const uint32_t doneMessage_;
  const uint64_t deviceId_;
  const bool capture_;
  int wakeFd_ = -1;
  std::thread worker_;

  std::mutex mutex_;
  std::condition_variable done_;
  std::deque<WaveHeaderPtr> queue_;
  WaveHeaderPtr current_;  // the worker's, under mutex_ when it is handed back
  size_t position_ = 0;
  bool closing_ = false;
  bool resetWanted_ = false;
  bool wantRunning_ = false;
  bool running_ = false;
  bool workerGone_ = false;
  uint64_t requests_ = 0;
  uint64_t served_ = 0;
};

int OpenPcm(const std::string& alsaName, const WAVEFORMATEX& format, bool capture, snd_pcm_t** pcm) {
  snd_pcm_format_t alsaFormat;
  if (!AlsaFormat(format, &alsaFormat)) return WAVERR_BADFORMAT;
  if (snd_pcm_open(pcm, alsaName.c_str(), capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK,
                   SND_PCM_NONBLOCK) < 0) {
    return MMSYSERR_NODRIVER;
  }
  if (snd_pcm_set_params(*pcm, alsaFormat, SND_PCM_ACCESS_RW_INTERLEAVED, format.nChannels, format.nSamplesPerSec, 1,
                         kLatencyUs) < 0) {
    snd_pcm_close(*pcm);
    return WAVERR_BADFORMAT;
  }
  return MMSYSERR_NOERROR;
}

class AlsaWaveOut final : public WaveOutDevice {
 public:
  AlsaWaveOut(snd_pcm_t* pcm, const WAVEFORMATEX& format, ThreadId callback)
      : stream_(pcm, format, callback, MM_WOM_DONE, id(), false) {}
  bool Begin() { return stream_.Begin(); }
  int Write(WaveHeaderPtr& block) override {
    if (!block || block->data.empty()) return MMSYSERR_INVALPARAM;
    stream_.Queue(std::move(block));
    return MMSYSERR_NOERROR;
  }
  int Reset() override {
    stream_.Reset();
    return MMSYSERR_NOERROR;
  }

 private:
  AlsaStream stream_;
};

class AlsaWaveIn final : public WaveInDevice {
 public:
  AlsaWaveIn(snd_pcm_t* pcm, const WAVEFORMATEX& format, ThreadId callback)
      : stream_(pcm, format, callback, MM_WIM_DATA, id(), true), frameBytes_(format.nBlockAlign) {}
  bool Begin() { return stream_.Begin(); }
  int AddBuffer(WaveHeaderPtr& buffer) override {
    if (!buffer || buffer->data.size() < frameBytes_ || buffer->bytesRecorded != 0) return MMSYSERR_INVALPARAM;
    stream_.Queue(std::move(buffer));
    return MMSYSERR_NOERROR;
  }
  int Start() override {
    stream_.SetRunning(true);
    return MMSYSERR_NOERROR;
  }
  int Stop() override {
    stream_.SetRunning(false);
    return MMSYSERR_NOERROR;
  }
  int Reset() override {
    stream_.Reset();
    return MMSYSERR_NOERROR;
  }

 private:
  AlsaStream stream_;
  const uint32_t frameBytes_;
};

// Opens the PCM and starts the device's worker.
template <typename Device, typename Base>
int OpenAlsaDevice(std::unique_ptr<Base>* device, const std::string& alsaName, const WAVEFORMATEX& format,
                   ThreadId callbackThread, bool capture) {
  snd_pcm_t* pcm = nullptr;
  if (int r = OpenPcm(alsaName, format, capture, &pcm); r != MMSYSERR_NOERROR) return r;
  auto opened = std::make_unique<Device>(pcm, format, callbackThread);
  if (!opened->Begin()) return MMSYSERR_ERROR;
  *device = std::move(opened);
  return MMSYSERR_NOERROR;
}

}  // namespace

int OpenAlsaWaveOut(std::unique_ptr<WaveOutDevice>* device, const std::string& alsaName, const WAVEFORMATEX& format,
                    ThreadId callbackThread) {
  return OpenAlsaDevice<AlsaWaveOut>(device, alsaName, format, callbackThread, false);
}

int OpenAlsaWaveIn(std::unique_ptr<WaveInDevice>* device, const std::string& alsaName, const WAVEFORMATEX& format,
                   ThreadId callbackThread) {
  return OpenAlsaDevice<AlsaWaveIn>(device, alsaName, format, callbackThread, true);
}

}  // namespace qav
