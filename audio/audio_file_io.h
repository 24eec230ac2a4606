// Opening recordings for writing and reading the format of an existing recording: the file work of
// the audio thread's recording starts, kept apart from the thread so that it can be tested alone.
// The traces carry the audio thread's names, since that is where the program does this work.
//
// Paths are program paths (UTF-16, "/" separators). A file is created with owner read and write
// permission and never truncated: a recording that continues a file appends to it.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/wave_format.h"

namespace qav {

// The ID3 titles of the program's MP3 recordings, and the artist of all of them.
inline constexpr std::u16string_view kGreetingRecordingTitle = u"Personal Audio Greeting Message";
inline constexpr std::u16string_view kVoiceMessageRecordingTitle = u"Saved Voice Message Recording";
inline constexpr std::u16string_view kConversationRecordingTitle = u"Saved Conversation Recording";
inline constexpr std::string_view kRecordingArtist = "QAV - Answering Machine for Skype";

// Opens (creating when missing) a .wav for a recording, writes its header with the data size
// counted so far (`bytesWritten`) and leaves the file at data offset + bytes written. *dataOffset
// is in-out: 0 when not known yet, else the offset an existing file's header gave, which must be
// the one the program writes (46) - checked before anything is written, so a file laid out
// differently is never overwritten. Returns 1 with *fd open, or 0 with nothing left open.
int PrepareAudioFileForWritingWave(std::u16string_view path, const WAVEFORMATEX& format, uint32_t bytesWritten,
                                   uint32_t* dataOffset, int* fd);

// Opens (creating when missing) a .mp3 for a recording, at its end. Into an empty file it first
// writes an ID3v2.3 tag: the title, the artist above and the current local year, padded to 512
// bytes. Returns 1 with *fd open, or 0 with nothing left open.
int PrepareAudioFileForWritingMPEG(std::u16string_view path, std::u16string_view title, int* fd);

// The format of an existing .wav, for a recording that continues it: 1 with the format, the data
// offset and the data size only when the data size is not 0. *dataOffset and *dataSize are set
// whenever the header could be read.
int ReadAudioFileHeaderFormatWAVE(std::u16string_view path, WAVEFORMATEX* format, uint32_t* dataOffset,
                                  uint32_t* dataSize);

// The format of an existing .mp3, for a recording that continues it: 1 with the MP3 format, the
// offset of the first frame and the bytes of audio from there to the end.
int ReadAudioFileHeaderFormatMPEG(std::u16string_view path, MPEGLAYER3WAVEFORMAT* format, uint32_t* dataOffset,
                                  uint32_t* bytesWritten);

// A .wav in the program's own layout whose recording never finished (the process was killed):
// its header's sizes are set from the file's real length, in whole sample frames (a partial frame
// at the end is cut off). 1 with the format and the data size; 0 when the file is not such a
// recording or cannot be written.
int RepairRecordingWaveHeader(std::u16string_view path, WAVEFORMATEX* format, uint32_t* dataSize);

}  // namespace qav
