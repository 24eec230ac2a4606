#include "sim/call_audio_peer.h"

#include "sim/loopback_connect.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace qav::sim {

namespace {

constexpr int64_t kBlockUs = 40000;
constexpr off_t kMaxCallerFileBytes = off_t{512} << 20;
constexpr uint32_t kRecordHeaderBytes = 44;

int64_t NowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24); }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void PutLe16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *error = "cannot open the caller's WAV " + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || st.st_size > kMaxCallerFileBytes) {
    ::close(fd);
    *error = "the caller's WAV " + path + " is too large or unreadable";
    return false;
  }
  bytes->resize(static_cast<size_t>(st.st_size));
  size_t done = 0;
  while (done < bytes->size()) {
    const ssize_t n = ::read(fd, bytes->data() + done, bytes->size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  bytes->resize(done);
  return true;
}

// The samples of a 16000 Hz 16-bit mono PCM WAV; false with the reason otherwise.
bool LoadCallerWav(const std::string& path, std::vector<uint8_t>* samples, std::string* error) {
  std::vector<uint8_t> file;
  if (!ReadWholeFile(path, &file, error)) return false;
  if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 || std::memcmp(file.data() + 8, "WAVE", 4) != 0) {
    *error = path + " is not a WAV file";
    return false;
  }
  bool formatOk = false;
  size_t at = 12;
  while (at + 8 <= file.size()) {
    const uint8_t* chunk = file.data() + at;
    const size_t size = Le32(chunk + 4);
    const size_t body = at + 8;
    const size_t available = std::min(size, file.size() - body);
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (available < 16) break;
      const uint8_t* f = file.data() + body;
      formatOk = Le16(f) == 1 && Le16(f + 2) == 1 && Le32(f + 4) == 16000 && Le16(f + 14) == 16;
      if (!formatOk) {
        *error = path + " is not 16000 Hz 16-bit mono PCM";
        return false;
      }
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!formatOk) break;
      samples->assign(file.begin() + static_cast<long>(body), file.begin() + static_cast<long>(body + (available & ~size_t{1})));
      return true;
    }
    at = body + size + (size & 1);
  }
  *error = path + " has no usable format and data chunks";
  return false;
}

void WriteRecordHeader(int fd, uint32_t dataBytes) {
  uint8_t h[kRecordHeaderBytes];
  std::memcpy(h, "RIFF", 4);
  PutLe32(h + 4, 36 + dataBytes);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  PutLe32(h + 16, 16);
  PutLe16(h + 20, 1);
  PutLe16(h + 22, 1);
  PutLe32(h + 24, 16000);
  PutLe32(h + 28, 32000);
  PutLe16(h + 32, 2);
  PutLe16(h + 34, 16);
  std::memcpy(h + 36, "data", 4);
  PutLe32(h + 40, dataBytes);
  ssize_t n = ::pwrite(fd, h, sizeof h, 0);
  (void)n;
}

void CloseFd(int* fd) {
  if (*fd >= 0) ::close(*fd);
  *fd = -1;
}

}  // namespace

std::unique_ptr<CallAudioPeer> CallAudioPeer::Create(const CallAudioPeerOptions& options, std::string* error) {
  std::unique_ptr<CallAudioPeer> peer(new CallAudioPeer());
  peer->options_ = options;
  if (peer->options_.speed <= 0) peer->options_.speed = 1.0;
  if (!options.callerWavPath.empty() && !LoadCallerWav(options.callerWavPath, &peer->caller_, error)) return nullptr;
  if (!options.recordPath.empty()) {
    peer->recordFd_ = ::open(options.recordPath.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (peer->recordFd_ < 0) {
      *error = "cannot create " + options.recordPath + ": " + std::strerror(errno);
      return nullptr;
    }
    WriteRecordHeader(peer->recordFd_, 0);
    ::lseek(peer->recordFd_, kRecordHeaderBytes, SEEK_SET);
  }
  peer->wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (peer->wakeFd_ < 0) {
    *error = "cannot make the peer's wake-up descriptor";
    return nullptr;
  }
  peer->thread_ = std::thread([p = peer.get()] { p->Run(); });
  return peer;
}

CallAudioPeer::~CallAudioPeer() {
  Stop();
  CloseFd(&wakeFd_);
}

void CallAudioPeer::Wake() {
  const uint64_t one = 1;
  ssize_t n = ::write(wakeFd_, &one, sizeof one);
  (void)n;
}

bool CallAudioPeer::ConnectOutput(int port) { return Attach(port, true); }

bool CallAudioPeer::ConnectInput(int port) { return Attach(port, false); }

bool CallAudioPeer::Attach(int port, bool output) {
  const int fd = ConnectLoopback(port);
  if (fd < 0) return false;
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  {
    std::lock_guard lock(mutex_);
    if (stopping_) {
      ::close(fd);
      return false;
    }
    int* slot = output ? &outputFd_ : &inputFd_;
    CloseFd(slot);
    *slot = fd;
    if (output) {
      outputStartUs_ = NowUs();
      outputBlocksSent_ = 0;
      pendingBlock_.clear();
      pendingOffset_ = 0;
      callerSent_ = false;
    }
  }
  Wake();
  return true;
}

void CallAudioPeer::CloseOutput() {
  std::lock_guard lock(mutex_);
  if (outputFd_ >= 0) ::shutdown(outputFd_, SHUT_RDWR);
  CloseFd(&outputFd_);
  pendingBlock_.clear();
}

void CallAudioPeer::CloseInput() {
  std::lock_guard lock(mutex_);
  ReadInput();  // what has arrived is kept
  CloseFd(&inputFd_);
}

void CallAudioPeer::Stop() {
  {
    std::lock_guard lock(mutex_);
    if (stopping_ && !thread_.joinable()) return;
    stopping_ = true;
  }
  Wake();
  if (thread_.joinable()) thread_.join();
  std::lock_guard lock(mutex_);
  CloseFd(&outputFd_);
  CloseFd(&inputFd_);
  FinishRecord();
  changed_.notify_all();
}

void CallAudioPeer::FinishRecord() {
  if (recordFd_ < 0) return;
  WriteRecordHeader(recordFd_, static_cast<uint32_t>(std::min<size_t>(received_.size(), UINT32_MAX - 36)));
  ::fsync(recordFd_);
  CloseFd(&recordFd_);
}

bool CallAudioPeer::WaitCallerSent(int timeoutMs) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return callerSent_; });
}

bool CallAudioPeer::WaitReceived(size_t bytes, int timeoutMs) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return received_.size() >= bytes; });
}

std::vector<int16_t> CallAudioPeer::Received() const {
  std::lock_guard lock(mutex_);
  std::vector<int16_t> samples(received_.size() / 2);
  if (!samples.empty()) std::memcpy(samples.data(), received_.data(), samples.size() * 2);
  return samples;
}

void CallAudioPeer::SendDue(int64_t nowUs) {
  const auto interval = static_cast<int64_t>(static_cast<double>(kBlockUs) / options_.speed);
  while (outputFd_ >= 0) {
    if (pendingBlock_.empty()) {
      if (nowUs < outputStartUs_ + static_cast<int64_t>(outputBlocksSent_) * interval) return;  // not due yet
      const size_t offset = static_cast<size_t>(outputBlocksSent_) * kBlockBytes;
      if (offset < caller_.size()) {
        const size_t n = std::min<size_t>(kBlockBytes, caller_.size() - offset);
        pendingBlock_.assign(caller_.begin() + static_cast<long>(offset), caller_.begin() + static_cast<long>(offset + n));
      } else {
        if (!callerSent_) {
          callerSent_ = true;
          changed_.notify_all();
        }
        if (options_.hangUpAfterCaller) {
          ::shutdown(outputFd_, SHUT_WR);
          CloseFd(&outputFd_);
          return;
        }
        pendingBlock_.assign(kBlockBytes, 0);
      }
      pendingOffset_ = 0;
      ++outputBlocksSent_;
    }
    const ssize_t n = ::send(outputFd_, pendingBlock_.data() + pendingOffset_, pendingBlock_.size() - pendingOffset_,
                             MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) return;
      CloseFd(&outputFd_);  // the program closed its end
      return;
    }
    pendingOffset_ += static_cast<size_t>(n);
    sent_ += static_cast<uint64_t>(n);
    if (pendingOffset_ < pendingBlock_.size()) return;
    pendingBlock_.clear();
  }
}

void CallAudioPeer::ReadInput() {
  uint8_t buffer[16384];
  while (inputFd_ >= 0) {
    const ssize_t n = ::recv(inputFd_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n > 0) {
      received_.insert(received_.end(), buffer, buffer + n);
      if (recordFd_ >= 0) {
        ssize_t w = ::write(recordFd_, buffer, static_cast<size_t>(n));
        (void)w;
      }
      changed_.notify_all();
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    CloseFd(&inputFd_);  // the program closed its end
  }
}

void CallAudioPeer::Run() {
  for (;;) {
    pollfd fds[3];
    nfds_t count = 0;
    int timeoutMs = -1;
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
      SendDue(NowUs());
      ReadInput();
      fds[count++] = {wakeFd_, POLLIN, 0};
      if (inputFd_ >= 0) fds[count++] = {inputFd_, POLLIN, 0};
      if (outputFd_ >= 0) {
        if (!pendingBlock_.empty()) {
          fds[count++] = {outputFd_, POLLOUT, 0};
        } else {
          const auto interval = static_cast<int64_t>(static_cast<double>(kBlockUs) / options_.speed);
          const int64_t due = outputStartUs_ + static_cast<int64_t>(outputBlocksSent_) * interval;
          timeoutMs = static_cast<int>(std::max<int64_t>(0, (due - NowUs() + 999) / 1000));
        }
      }
    }
    ::poll(fds, count, timeoutMs);
    if (fds[0].revents & POLLIN) {
      uint64_t v;
      ssize_t n = ::read(wakeFd_, &v, sizeof v);
      (void)n;
    }
  }
}

}  // namespace qav::sim
