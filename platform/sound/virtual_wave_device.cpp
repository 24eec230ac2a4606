#include "platform/sound/virtual_wave_device.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

#include "platform/message_loop.h"
#include "platform/window.h"

namespace qav {

namespace {

constexpr uint64_t kTimerId = 1;
// The recording's tick; playback wakes when its next block is due.
constexpr uint32_t kRecordTickMs = 10;

std::atomic<uint64_t> g_microphoneFramesLost{0};

bool UsablePcm(const WAVEFORMATEX& f) {
  return f.wFormatTag == WAVE_FORMAT_PCM && f.nChannels >= 1 && f.nChannels <= 8 && f.nSamplesPerSec >= 1000 &&
         f.nSamplesPerSec <= 384000 && (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) &&
         f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8;
}

uint64_t BytesPerSecond(const WAVEFORMATEX& f) { return uint64_t{f.nBlockAlign} * f.nSamplesPerSec; }

// A hidden window on the current loop whose timer drives the device.
class DeviceTimer {
 public:
  template <typename F>
  bool Create(F onTick) {
    MessageLoop* loop = MessageLoop::Current();
    if (!loop) return false;
    clock_ = &loop->clock();
    return window_.Create(*loop, "QAVVirtualSound", u"", WindowKind::kLocal, [onTick](Msg& msg) {
      if (msg.message == WM_TIMER) onTick();
      return LResult{0};
    });
  }
  void Arm(int64_t delayMs) {
    SetTimer(window_.handle(), kTimerId, static_cast<uint32_t>(std::max<int64_t>(1, delayMs)));
    armed_ = true;
  }
  void Disarm() {
    if (armed_) KillTimer(window_.handle(), kTimerId);
    armed_ = false;
  }
  int64_t NowMs() const { return clock_->MonotonicMs(); }

 private:
  Window window_;
  Clock* clock_ = nullptr;
  bool armed_ = false;
};

class VirtualWaveOut final : public WaveOutDevice {
 public:
  VirtualWaveOut(const WAVEFORMATEX& format, ThreadId callback) : format_(format), callback_(callback) {
    if (const char* path = std::getenv("QAV_VIRTUAL_SPEAKER_FILE"); path && *path) {
      speakerFd_ = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    }
  }
  ~VirtualWaveOut() override {
    Reset();
    if (speakerFd_ >= 0) ::close(speakerFd_);
  }
  bool Init() {
    return timer_.Create([this] { OnTick(); });
  }

  int Write(WaveHeaderPtr& block) override {
    if (!block || block->data.empty()) return MMSYSERR_INVALPARAM;
    if (queue_.empty()) blockStartMs_ = timer_.NowMs();
    queue_.push_back(std::move(block));
    if (queue_.size() == 1) ArmForHead();
    return MMSYSERR_NOERROR;
  }

  int Reset() override {
    timer_.Disarm();
    while (!queue_.empty()) ReturnHead(false);
    return MMSYSERR_NOERROR;
  }

 private:
  int64_t DurationMs(const WaveHeader& h) const {
    return static_cast<int64_t>(uint64_t{h.data.size()} * 1000 / BytesPerSecond(format_));
  }
  void ArmForHead() {
    if (queue_.empty()) return;
    timer_.Arm(blockStartMs_ + DurationMs(*queue_.front()) - timer_.NowMs());
  }
  void OnTick() {
    timer_.Disarm();
    const int64_t now = timer_.NowMs();
    while (!queue_.empty() && blockStartMs_ + DurationMs(*queue_.front()) <= now) {
      blockStartMs_ += DurationMs(*queue_.front());
      ReturnHead(true);
    }
    ArmForHead();
  }
  void ReturnHead(bool played) {
    WaveHeaderPtr h = std::move(queue_.front());
    queue_.pop_front();
    if (played && speakerFd_ >= 0) {
      ssize_t n = ::write(speakerFd_, h->data.data(), h->data.size());
      (void)n;  // the tap is a convenience: a short write changes nothing for the program
    }
    PostThreadMessage(callback_, MM_WOM_DONE, id(), 0, std::move(h));
  }

  const WAVEFORMATEX format_;
  const ThreadId callback_;
  DeviceTimer timer_;
  std::deque<WaveHeaderPtr> queue_;
  int64_t blockStartMs_ = 0;
  int speakerFd_ = -1;
};

class VirtualWaveIn final : public WaveInDevice {
 public:
  VirtualWaveIn(const WAVEFORMATEX& format, ThreadId callback) : format_(format), callback_(callback) {
    if (const char* tone = std::getenv("QAV_VIRTUAL_MIC_TONE")) toneHz_ = std::atof(tone);
  }
  ~VirtualWaveIn() override { Reset(); }
  bool Init() {
    return timer_.Create([this] { OnTick(); });
  }

  int AddBuffer(WaveHeaderPtr& buffer) override {
    if (!buffer || buffer->data.size() < format_.nBlockAlign || buffer->bytesRecorded != 0) {
      return MMSYSERR_INVALPARAM;
    }
    queue_.push_back(std::move(buffer));
    return MMSYSERR_NOERROR;
  }

  int Start() override {
    if (started_) return MMSYSERR_NOERROR;
    started_ = true;
    startMs_ = timer_.NowMs();
    framesMade_ = 0;
    timer_.Arm(kRecordTickMs);
    return MMSYSERR_NOERROR;
  }

  int Stop() override {
    if (!started_) return MMSYSERR_NOERROR;
    OnTick();
    started_ = false;
    timer_.Disarm();
    if (!queue_.empty() && queue_.front()->bytesRecorded > 0) ReturnHead();
    return MMSYSERR_NOERROR;
  }

  int Reset() override {
    started_ = false;
    timer_.Disarm();
    while (!queue_.empty()) ReturnHead();
    return MMSYSERR_NOERROR;
  }

 private:
  void OnTick() {
    if (!started_) return;
    const int64_t elapsed = timer_.NowMs() - startMs_;
    const uint64_t due = static_cast<uint64_t>(elapsed) * format_.nSamplesPerSec / 1000;
    while (framesMade_ < due) {
      MakeFrame();
      ++framesMade_;
    }
    timer_.Arm(kRecordTickMs);
  }

  void MakeFrame() {
    if (queue_.empty()) {  // no buffer: the frame is lost
      g_microphoneFramesLost.fetch_add(1, std::memory_order_relaxed);
      return;
    }
    WaveHeader& h = *queue_.front();
    double v = 0;
    if (toneHz_ > 0) v = 0.5 * std::sin(2 * M_PI * toneHz_ * static_cast<double>(framesMade_) / format_.nSamplesPerSec);
    for (int c = 0; c < format_.nChannels; ++c) {
      uint8_t* p = h.data.data() + h.bytesRecorded;
      if (format_.wBitsPerSample == 8) {
        *p = static_cast<uint8_t>(128 + std::lround(v * 127));
        h.bytesRecorded += 1;
      } else {
        const auto s = static_cast<int16_t>(std::lround(v * 32767));
        std::memcpy(p, &s, 2);
        h.bytesRecorded += 2;
      }
    }
    if (h.bytesRecorded + format_.nBlockAlign > h.data.size()) ReturnHead();
  }

  void ReturnHead() {
    WaveHeaderPtr h = std::move(queue_.front());
    queue_.pop_front();
    PostThreadMessage(callback_, MM_WIM_DATA, id(), 0, std::move(h));
  }

  const WAVEFORMATEX format_;
  const ThreadId callback_;
  DeviceTimer timer_;
  std::deque<WaveHeaderPtr> queue_;
  bool started_ = false;
  int64_t startMs_ = 0;
  uint64_t framesMade_ = 0;
  double toneHz_ = 0;
};

}  // namespace

uint64_t VirtualMicrophoneFramesLost() { return g_microphoneFramesLost.load(std::memory_order_relaxed); }

int OpenVirtualWaveOut(std::unique_ptr<WaveOutDevice>* device, const WAVEFORMATEX& format, ThreadId callbackThread) {
  if (!UsablePcm(format)) return WAVERR_BADFORMAT;
  auto out = std::make_unique<VirtualWaveOut>(format, callbackThread);
  if (!out->Init()) return MMSYSERR_NODRIVER;
  *device = std::move(out);
  return MMSYSERR_NOERROR;
}

int OpenVirtualWaveIn(std::unique_ptr<WaveInDevice>* device, const WAVEFORMATEX& format, ThreadId callbackThread) {
  if (!UsablePcm(format)) return WAVERR_BADFORMAT;
  auto in = std::make_unique<VirtualWaveIn>(format, callbackThread);
  if (!in->Init()) return MMSYSERR_NODRIVER;
  *device = std::move(in);
  return MMSYSERR_NOERROR;
}

}  // namespace qav
