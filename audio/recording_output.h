// The file a job of the audio thread records into, with the converter from the live format to
// the file's: a .wav in the program's own layout, or a .mp3 through the encoder.
//
// The file always says how much it holds. A .wav's header sizes are rewritten in place each time
// about a second more of audio has been written, so a process killed in the middle leaves a file
// whose header is at most a second behind (and start-up repairs even that, calls/). A write that
// fails (a full disk) is logged once, clearly; the file is cut back to what was written whole, its
// header made to match, and nothing more is written: the recording keeps what came before.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "audio/recording_formats.h"
#include "platform/wave_format.h"

class CAudioFormatConverter;
class CMPEGConvert;

class CRecordingOutput {
 public:
  // `conversionBuffer` is the audio thread's recording conversion buffer.
  explicit CRecordingOutput(std::vector<uint8_t>& conversionBuffer);
  // A file still open is closed as it stands (its header as last updated).
  ~CRecordingOutput();
  CRecordingOutput(const CRecordingOutput&) = delete;
  CRecordingOutput& operator=(const CRecordingOutput&) = delete;

  // Creates or continues the .wav at `path` in `target` (PCM), fed in `source`. `dataAlready`
  // and `dataOffset` describe an existing file that is continued (0, 0 for a new one). False
  // (logged with `failureText`, which may hold the channel count).
  [[nodiscard]] bool PrepareWave(const std::u16string& path, const WAVEFORMATEX& source, const WAVEFORMATEX& target,
                                 const char16_t* failureText, uint32_t dataAlready = 0, uint32_t dataOffset = 0);
  // Creates or continues the .mp3 at `path`, encoded from `source`; `dataAlready` the bytes of
  // audio an existing file holds. False (logged).
  [[nodiscard]] bool PrepareMpeg(const std::u16string& path, const WAVEFORMATEX& source,
                                 const MPEGLAYER3WAVEFORMAT& mp3, std::u16string_view title, uint32_t dataAlready = 0);

  // Converts (when there is a converter) and appends. False when the converter fails, or when
  // the write fails now or has failed before (`writeFailedText` is logged with the first).
  bool Append(const uint8_t* data, size_t bytes, const char16_t* writeFailedText);
  // Flushes the converter, writes the final header of a .wav, commits and closes. The length in
  // seconds (rounded up) and the bytes per second of the file's format. False when the header
  // could not be written ("CAudioDriver [ FAILED: WriteAudioFileHeaderFormat ]").
  [[nodiscard]] bool Finish(int* seconds, uint32_t* bytesPerSecond);
  void Close();

  bool IsOpen() const { return m_fd >= 0; }
  bool WriteFailed() const { return m_writeFailed; }
  uint32_t BytesWritten() const { return m_bytesWritten; }

 private:
  bool Write(const uint8_t* data, size_t count, const char16_t* writeFailedText);
  void OnWriteFailure(int error, const char16_t* writeFailedText);

  std::vector<uint8_t>& m_conversionBuffer;
  AudioFileKind m_kind = AudioFileKind::kWav;
  int m_fd = -1;
  WAVEFORMATEX m_format{};
  std::unique_ptr<CAudioFormatConverter> m_converter;
  CMPEGConvert* m_encoder = nullptr;  // m_converter, when it is the MP3 encoder
  uint32_t m_bytesWritten = 0;
  int64_t m_fileEnd = 0;            // the file's length after the last whole write
  uint32_t m_nextHeaderUpdate = 0;  // bytes written at which the .wav header is brought up to date
  bool m_writeFailed = false;
};
