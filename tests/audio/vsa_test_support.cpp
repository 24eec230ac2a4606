#include "tests/audio/vsa_test_support.h"

#include <algorithm>

#include "audio/vsa_block_analyser.h"
#include "tests/audio/audio_test_support.h"

namespace qav::test {

SampleBlockSource::SampleBlockSource(std::vector<int16_t> samples, int channels, int64_t dataOffset)
    : m_samples(std::move(samples)), m_channels(channels), m_dataOffset(dataOffset) {}

int64_t SampleBlockSource::Position() {
  return m_dataOffset + static_cast<int64_t>(m_frame) * m_channels * 2;
}

int64_t SampleBlockSource::FileLength() const {
  return m_dataOffset + static_cast<int64_t>(m_samples.size()) * 2;
}

void SampleBlockSource::Prepare() {
  if (m_throwAt == -1) throw VsaSourceError(m_throwFault);
  m_prepared = true;
}

VsaBlockRead SampleBlockSource::ReadBlock(std::vector<int16_t>* samples) {
  if (m_throwAt == m_blocksRead) throw VsaSourceError(m_throwFault);
  ++m_blocksRead;
  const size_t totalFrames = m_samples.size() / static_cast<size_t>(m_channels);
  const size_t frames = std::min<size_t>(kVsaBlockSamples, totalFrames - m_frame);
  if (frames == 0 || (frames < kVsaBlockSamples && endsWithoutPartialBlock)) {
    m_frame = totalFrames;
    samples->clear();
    return VsaBlockRead::kNone;
  }
  const auto first = m_samples.begin() + static_cast<ptrdiff_t>(m_frame * m_channels);
  samples->assign(first, first + static_cast<ptrdiff_t>(frames * m_channels));
  m_frame += frames;
  return frames == kVsaBlockSamples ? VsaBlockRead::kFull : VsaBlockRead::kLast;
}

void SampleBlockSource::Finish() noexcept {
  m_frame = 0;
  ++m_finishCount;
}

RecordingProgressRunner::~RecordingProgressRunner() {
  if (m_worker.joinable()) m_worker.join();
}

int RecordingProgressRunner::RunModal(std::u16string_view runTitle, ProgressJob job) {
  if (m_worker.joinable()) m_worker.join();  // one run at a time, as a modal dialog
  title = runTitle;
  m_context.runner = this;
  m_worker = std::thread([this, job] {
    const int result = RunProgressJobGuarded(job, m_context);
    std::lock_guard lock(m_mutex);
    m_jobEnded = true;
    m_result = result;
    m_changed.notify_all();
  });
  std::unique_lock lock(m_mutex);
  m_changed.wait(lock, [&] { return m_jobEnded || m_context.terminated.load(); });
  // A cancel ends the dialog at once, whether or not the job has seen the flag yet.
  if (m_context.terminated.load()) return kProgressJobCancelled;
  return m_result;
}

std::vector<PostedMessage> RecordingProgressRunner::Messages() const {
  std::lock_guard lock(m_mutex);
  return m_context.messages;
}

void RecordingProgressRunner::Context::Record(PostedMessage message) {
  std::lock_guard lock(runner->m_mutex);
  if (terminated.load()) postedAfterTerminate = true;
  messages.push_back(std::move(message));
}

void RecordingProgressRunner::Context::PostPosition(int percent) {
  Record({PostedMessage::kPosition, percent, {}});
  if (++positions == runner->cancelAfterPositions) {
    std::lock_guard lock(runner->m_mutex);
    terminated.store(true);
    runner->m_changed.notify_all();
  }
}

void RecordingProgressRunner::Context::PostText(std::u16string text) {
  Record({PostedMessage::kText, 0, std::move(text)});
}

void RecordingProgressRunner::Context::Linger(std::chrono::milliseconds duration) {
  Record({PostedMessage::kLinger, static_cast<int>(duration.count()), {}});
}

std::vector<int16_t> Silence(size_t frames) { return std::vector<int16_t>(frames, 0); }

std::vector<int16_t> Sine(size_t frames, double frequency, double amplitude) {
  return Tone(kVsaSampleRate, 1, frequency, static_cast<double>(frames) / kVsaSampleRate, amplitude / 32767.0);
}

std::vector<int16_t> Noise(size_t frames, int amplitude, uint32_t seed) {
  std::vector<int16_t> out(frames);
  for (auto& s : out) {
    seed = seed * 1664525u + 1013904223u;
    s = static_cast<int16_t>((static_cast<int32_t>(seed >> 16) - 32768) % (amplitude + 1));
  }
  return out;
}

std::vector<int16_t> Interleave(const std::vector<int16_t>& left, const std::vector<int16_t>& right) {
  const size_t frames = std::max(left.size(), right.size());
  std::vector<int16_t> out(frames * 2, 0);
  for (size_t i = 0; i < left.size(); ++i) out[2 * i] = left[i];
  for (size_t i = 0; i < right.size(); ++i) out[2 * i + 1] = right[i];
  return out;
}

std::vector<int16_t> Concat(std::vector<int16_t> a, const std::vector<int16_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace qav::test
