// WAV file headers: the header the program writes, the chunk walker that reads headers, and the
// small helpers around them.
//
// The program writes RIFF WAVE files with one 18-byte PCM format chunk and one data chunk, the
// data starting at offset 46, no pad byte after odd-sized data. It writes the header when a
// recording starts (data size counted so far) and again when it stops (final size).
//
// The reader accepts what other tools write as well: a "fact" chunk, chunks it does not know (such
// as "LIST") before or after the data, which it steps over, and format chunks with extra bytes.
// Every read is bounded by the file: a truncated, empty or garbage file gives a clear failure, and
// the data size reported never runs past the end of the file. Readers of the samples must stop at
// data offset + data size, not at the end of the file, so a trailing chunk never plays as noise.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/wave_format.h"

// Size of the header the program writes (format without extra bytes).
constexpr uint32_t kWaveHeaderSize = 46;

// A PCM format: tag 1, block align = channels x (bits / 8), bytes per second = block align x rate.
WAVEFORMATEX WaveUtilsMakePCMFormat(uint16_t channels, uint16_t bits, uint32_t rate);

// True when two PCM formats have the same channels, rate and bits: samples pass between them
// without a converter.
bool SamePcm(const WAVEFORMATEX& a, const WAVEFORMATEX& b);

// Seeks to 0 and writes the program's header for `format` (which must have cbSize 0) and
// `dataSize`; 1 with *dataOffset = 46, or 0 when the seek or a write falls short. The caller
// positions itself for the samples.
int WriteAudioFileHeaderFormat(int fd, const WAVEFORMATEX* format, uint32_t dataSize, uint32_t* dataOffset);

// Rewrites only the two sizes of the program's header (RIFF size and data size) in place, without
// moving the file's offset: the cheap update a running recording makes now and then, so a file
// left by a process that was killed says how much it holds. 1, or 0 when a write falls short.
int UpdateAudioFileHeaderSizes(int fd, uint32_t dataSize);

// Walks the chunks of the file from offset 0. `formatSize` must be 18 (kWaveFormatExSize):
// the format chunk's first 16 bytes are kept and cbSize stays 0. Returns 1 with
// the format, the data offset and the data size (all 0 for an empty file, and offset and size 0
// when there is no data chunk), leaving the file at the data offset; 0 for a malformed file.
int WaveUtilsReadAudioFileHeaderFormat(int fd, WAVEFORMATEX* format, int formatSize, uint32_t* dataOffset,
                                       uint32_t* dataSize);

// The file's size, leaving the file at offset 0; 1 on success.
int WaveUtilsGetAudioFileSize(int fd, int64_t* size);

// 1 when the path is longer than the extension and ends with it, ignoring case; 0 otherwise and
// for an empty path or extension.
int IsFileExtension(std::u16string_view path, std::u16string_view extension);
