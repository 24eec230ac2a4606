// File playback (states 1 and 2): a .wav or .mp3 played on the sound card for the player and the
// greeting pages, which learn how it goes from the notices they asked for.
//
// Playback keeps 4 blocks in flight on the playback device: each block that comes back asks for
// the next one. A .wav is read 40 ms at a time and played in its own format; a .mp3 is read a frame
// at a time and decoded to 16-bit PCM at its own rate and channel count. When the file's audio is
// read to the end the decoder gives its last samples (state 2), and when the last block has
// played, playback ends with the end notice. Whenever nothing is left in flight once the reading
// has stopped (a file without audio, a seek to its end, blocks the device refused), playback ends
// at once instead of waiting for a block that will never come back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "audio/audio_job.h"
#include "audio/playback_notice.h"
#include "audio/recording_formats.h"
#include "audio/speaker_output.h"
#include "platform/wave_format.h"
#include "platform/window.h"

class CAudioFormatConverter;
struct MPEGFrameInfo;

// Who hears how playback goes: a window or a thread, the message, and the notices it wants.
struct PlaybackClient {
  qav::Hwnd window = 0;
  qav::ThreadId thread = 0;
  uint32_t message = 0;
  uint32_t eventMask = 0;
};

class CFilePlaybackJob final : public CAudioJob {
 public:
  CFilePlaybackJob(AudioThreadContext& context, const PlaybackClient& client);
  ~CFilePlaybackJob() override;

  // Opens the file and the device and queues the first blocks, from `seek` (0.0-1.0) of the
  // audio; false (logged) when it cannot play. A file with nothing to play starts and then ends at
  // once with the end notice.
  [[nodiscard]] bool Start(const std::u16string& path, double seek);
  // Ends playback without a notice (-> 0).
  void Stop() { StopPlayback(false); }
  // The next block comes from there (0.0-1.0); in state 2 reading starts again. False when the
  // decoder cannot be started again.
  bool SetOffset(double fraction);

  void OnNextBlock() override;
  void OnSpeakerBlockDone(qav::Msg& msg) override;
  // Playback cut short (a call takes the sound card, the driver ends): a client still there learns
  // that playback has ended, and where it had got to, so a player can go on from there.
  void Shutdown() override { StopPlayback(true, m_playedTo); }

 private:
  bool OpenWaveSource(WAVEFORMATEX* deviceFormat);
  bool OpenMpegSource(WAVEFORMATEX* deviceFormat);
  // Reads the next block into the read buffer; 0 at the end of its audio.
  size_t ReadSourceBlock();
  // Leaves the file on the next frame of the stream (its rate and layer); false at the end.
  bool FindNextStreamFrame(MPEGFrameInfo* info);
  void SeekSource(double fraction);
  void EndOfSourceFile();
  void NotifyClient(uint32_t event, int64_t position);
  // Ends playback (-> 0): device and file closed; the end notice when `notify` and asked for, with
  // `position` as its lParam (0 at the end of the file).
  void StopPlayback(bool notify, int64_t position = 0);
  void CloseSource();

  PlaybackClient m_client;
  std::u16string m_path;
  AudioFileKind m_kind = AudioFileKind::kWav;
  int m_fd = -1;
  MPEGLAYER3WAVEFORMAT m_mpeg{};  // a .mp3's format
  int m_mpegLayer = 0;            // and the layer of its first frame
  uint32_t m_dataStart = 0;
  uint32_t m_dataLength = 0;
  uint32_t m_frameBytes = 1;      // bytes per sample frame of a .wav
  uint32_t m_bytesPerRead = 0;
  int64_t m_position = 0;         // byte offset in the file after the last block read
  int64_t m_playedTo = 0;         // and after the last block played
  bool m_flushed = false;         // the decoder has given its last samples
  std::unique_ptr<CAudioFormatConverter> m_decoder;
  CSpeakerOutput m_speaker;
};
