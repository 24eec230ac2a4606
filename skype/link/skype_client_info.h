// What the program knows of the Skype client it drives: the installed version, the version the
// program needs, and the sound and video devices the client reported as its own.
//
// Start-up stores the installed version; the video driver raises the requirement when the client
// can send video; the dispatcher stores the devices the client names at each attach, and the call
// state machine and the audio engine read them. Every value is read and written whole under a
// lock, so any thread may read a copy.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The Skype client's download page, opened when the client is missing or too old.
inline constexpr std::u16string_view kSkypeDownloadPageUrl = u"https://www.skype.com/en/get-skype/";

// Packed versions (a.b.c.d as a*2^24 + b*2^16 + c*2^8 + d); -1 while unknown.
inline constexpr int32_t kSkypeVersionUnknown = -1;
inline constexpr int32_t kSkypeMinimumVersion = 0x03000000;  // 3.0.0.0, the requirement at start

int32_t GetInstalledSkypeVersion();
void SetInstalledSkypeVersion(int32_t packedVersion);
int32_t GetRequiredSkypeVersion();
void SetRequiredSkypeVersion(int32_t packedVersion);

// The client's own audio input and output devices, as it last reported them ("" until then).
std::u16string GetSkypeAudioInDevice();
void SetSkypeAudioInDevice(std::u16string_view device);
std::u16string GetSkypeAudioOutDevice();
void SetSkypeAudioOutDevice(std::u16string_view device);
// The user's own video device as the client reported it, restored after a video greeting.
std::u16string GetSkypeUserVideoInDevice();
void SetSkypeUserVideoInDevice(std::u16string_view device);

// Back to the state at start: version unknown, requirement 3.0.0.0, no devices.
void ResetSkypeClientInfo();
