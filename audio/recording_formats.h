// The kinds of audio file the audio thread plays and records, and the formats a recording is
// written in by the recording quality (AudioFileRecordingQuality, 0 best to 2 smallest).
#pragma once

#include <optional>
#include <string_view>

#include "platform/wave_format.h"

enum class AudioFileKind { kWav, kMp3 };

// By the path's extension, ".wav" or ".mp3" in any case; nullopt for another.
std::optional<AudioFileKind> AudioFileKindOf(std::u16string_view path);

// The kind of a path a job is started with; nullopt (logged) for an empty path or another
// extension, `otherExtensionText` (with the path) being the text for the latter.
inline constexpr const char16_t* kOutputNotWavOrMp3Text =
    u"CAudioDriver [ERROR output file not WAV and not MP3 extension - %s]";
std::optional<AudioFileKind> CheckJobPath(std::u16string_view path,
                                          const char16_t* otherExtensionText = kOutputNotWavOrMp3Text);

// A voice message or a greeting recorded as .wav: mono, 44100/16000 Hz 16-bit or 8000 Hz 8-bit.
std::optional<WAVEFORMATEX> VoiceWaveFormat(int quality);
// A conversation recorded as .wav: 16000 Hz 16-bit, 16000 Hz 8-bit or 8000 Hz 8-bit.
std::optional<WAVEFORMATEX> ConversationWaveFormat(int quality, int channels);
// The MP3 bit rates; 0 for a quality outside 0-2.
int VoiceMpegBitRate(int quality);
int ConversationMpegBitRate(int quality);
// The encoder's MP3 format for a bit rate, rate and channel count; nullopt when there is none.
std::optional<MPEGLAYER3WAVEFORMAT> MakeMpegFormat(int bitRate, int rate, int channels);
