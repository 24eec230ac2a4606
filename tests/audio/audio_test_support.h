// Helpers for the audio tests: tones made in the test, WAV files written and read back, frequency
// and level measurements, the program's log lines, and the command-line tools as peers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/wave_format.h"
#include "tests/support/log_capture.h"

namespace qav::test {

// A sine tone, interleaved over the channels (the same in each).
std::vector<int16_t> Tone(int rate, int channels, double frequency, double seconds, double amplitude = 0.5);
std::string ToBytes(const std::vector<int16_t>& samples);
std::vector<int16_t> ToSamples(const std::string& bytes);
std::vector<int16_t> ToSamples(const uint8_t* bytes, size_t count);
// One channel of an interleaved signal.
std::vector<int16_t> Channel(const std::vector<int16_t>& samples, int channels, int which);

// The program's own WAV header followed by the samples.
bool WriteWav(const std::string& path, const WAVEFORMATEX& format, const std::string& data);
// Reads a WAV file's format and data through the program's reader; false when it fails.
bool ReadWav(const std::string& path, WAVEFORMATEX* format, std::string* data);

// Frequency of a tone by its rising zero crossings, and the RMS level, of a stretch of samples.
double MeasuredFrequency(const std::vector<int16_t>& s, int rate, size_t from = 0, size_t count = SIZE_MAX);
double Rms(const std::vector<int16_t>& s, size_t from = 0, size_t count = SIZE_MAX);

// Runs a shell command; its exit status (-1 when it could not run).
int RunCommand(const std::string& command);
std::string Quote(const std::string& path);

// True when a captured line holds `part` (the program's lines carry object addresses and values
// around their fixed texts); all the lines as text, for failure messages.
bool Logged(const LogCapture& log, std::u16string_view part);
std::string LogText(const LogCapture& log);

}  // namespace qav::test
