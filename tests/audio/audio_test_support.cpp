#include "tests/audio/audio_test_support.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "audio/fd_io.h"
#include "audio/wave_utils.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace qav::test {

std::vector<int16_t> Tone(int rate, int channels, double frequency, double seconds, double amplitude) {
  const size_t frames = static_cast<size_t>(std::llround(rate * seconds));
  std::vector<int16_t> s(frames * channels);
  for (size_t i = 0; i < frames; ++i) {
    const auto v = static_cast<int16_t>(std::lround(amplitude * 32767.0 * std::sin(2 * M_PI * frequency * i / rate)));
    for (int c = 0; c < channels; ++c) s[i * channels + c] = v;
  }
  return s;
}

std::string ToBytes(const std::vector<int16_t>& samples) {
  std::string out(samples.size() * 2, '\0');
  std::memcpy(out.data(), samples.data(), out.size());
  return out;
}

std::vector<int16_t> ToSamples(const uint8_t* bytes, size_t count) {
  std::vector<int16_t> s(count / 2);
  if (!s.empty()) std::memcpy(s.data(), bytes, s.size() * 2);
  return s;
}

std::vector<int16_t> ToSamples(const std::string& bytes) {
  return ToSamples(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::vector<int16_t> Channel(const std::vector<int16_t>& samples, int channels, int which) {
  std::vector<int16_t> out;
  for (size_t i = which; i < samples.size(); i += channels) out.push_back(samples[i]);
  return out;
}

bool WriteWav(const std::string& path, const WAVEFORMATEX& format, const std::string& data) {
  FdCloser fd(::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  uint32_t offset = 0;
  return fd.get() >= 0 && WriteAudioFileHeaderFormat(fd.get(), &format, static_cast<uint32_t>(data.size()), &offset) &&
         WriteFully(fd.get(), data.data(), data.size());
}

bool ReadWav(const std::string& path, WAVEFORMATEX* format, std::string* data) {
  FdCloser fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  uint32_t offset = 0, size = 0;
  if (fd.get() < 0 || !WaveUtilsReadAudioFileHeaderFormat(fd.get(), format, kWaveFormatExSize, &offset, &size)) {
    return false;
  }
  data->assign(size, '\0');
  return ReadExactly(fd.get(), data->data(), size);
}

double MeasuredFrequency(const std::vector<int16_t>& s, int rate, size_t from, size_t count) {
  const size_t end = count == SIZE_MAX ? s.size() : std::min(s.size(), from + count);
  size_t first = 0, last = 0, crossings = 0;
  for (size_t i = from + 1; i < end; ++i) {
    if (s[i - 1] < 0 && s[i] >= 0) {
      if (crossings == 0) first = i;
      last = i;
      ++crossings;
    }
  }
  if (crossings < 2) return 0;
  return (crossings - 1) * static_cast<double>(rate) / static_cast<double>(last - first);
}

double Rms(const std::vector<int16_t>& s, size_t from, size_t count) {
  const size_t end = count == SIZE_MAX ? s.size() : std::min(s.size(), from + count);
  if (end <= from) return 0;
  double sum = 0;
  for (size_t i = from; i < end; ++i) sum += double(s[i]) * s[i];
  return std::sqrt(sum / static_cast<double>(end - from));
}

int RunCommand(const std::string& command) {
  const int status = std::system(command.c_str());
  if (status == -1 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

std::string Quote(const std::string& path) { return "'" + path + "'"; }

bool Logged(const LogCapture& log, std::u16string_view part) {
  for (const LogCapture::Line& line : log.Lines()) {
    if (line.message.find(part) != std::u16string::npos) return true;
  }
  return false;
}

std::string LogText(const LogCapture& log) {
  std::string out;
  for (const LogCapture::Line& line : log.Lines()) out += U8(line.message) + "\n";
  return out;
}

}  // namespace qav::test
