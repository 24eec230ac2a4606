// PCM audio held in memory with its format: the greetings that the answering machine plays into
// calls without touching the disk.
//
// The format is set once (SetFormat, or by the first file added); every file added afterwards is
// converted to it. AddFile appends a WAV or MP3 file: for a WAV only its data chunk (whole sample
// frames), for an MP3 every frame from the first; each converter is flushed at the end of its
// file, so no samples are lost between pieces.
//
// A memory file is built on one thread and may then be read by another (the audio thread) as long
// as nobody changes it any more: a new greeting is a new CWaveMemFile.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "foundation/mem_file.h"
#include "platform/wave_format.h"

class CAudioFormatConverter;

class CWaveMemFile {
 public:
  // The memory grows 5 seconds of 44100 Hz 16-bit mono at a time.
  static constexpr size_t kGrowBytes = 441000;

  CWaveMemFile();
  ~CWaveMemFile();
  CWaveMemFile(const CWaveMemFile&) = delete;
  CWaveMemFile& operator=(const CWaveMemFile&) = delete;

  // Sets the PCM format of the samples: 1, or 0 for a format that is not consistent PCM. Once a
  // format is set, later calls return 1 and change nothing.
  int SetFormat(const WAVEFORMATEX* format);
  // 0 when no format is set. With no buffer: 18 (the format's size) in the result and in *size.
  // With a buffer: copies the format when *size is at least 18 and returns 18; else 0.
  int GetFormat(WAVEFORMATEX* buffer, uint32_t* size) const;
  // The samples (no header), for reading and seeking.
  CMemFile* GetFile() { return &m_file; }
  // The samples, for a reader that keeps its own position (the audio thread playing a greeting
  // that another thread may hold too).
  std::span<const uint8_t> GetSamples() const { return m_file.GetData(); }

  // Appends a .wav or .mp3 file converted to the memory file's format. 1 on success; 0 on any
  // failure, the memory file keeping the files appended before and nothing of the failed one.
  int AddFile(std::u16string_view path);

 private:
  int AddWave(int fd);
  int AddMpeg(int fd);
  // Converts one piece (when there is a converter) and appends the result.
  bool Append(CAudioFormatConverter* converter, const uint8_t* piece, size_t bytes);
  bool Finish(CAudioFormatConverter* converter);

  std::optional<WAVEFORMATEX> m_format;
  CMemFile m_file;
  std::vector<uint8_t> m_readBuffer;
  std::vector<uint8_t> m_convertBuffer;
};
