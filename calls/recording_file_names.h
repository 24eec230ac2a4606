// The names of the recording files, which carry everything the lists show, so that the lists can
// be rebuilt from the folders at the next start.
//
// Voice message: "<caller>.<YYYY>.<MM>.<DD>.<hh>.<mm>.<ss>.<duration>.<n|s>.<wav|mp3>", the time
// being the call's start in local time, for example "caller77.2024.03.05.14.07.09.42.s.mp3". The
// nine fields after the caller are fixed, so a name is read from the right: a caller handle that
// holds "." itself ("john.doe") keeps all of it. The handle is written as it stands except for the
// characters that could lead out of the folder or cut the name ("/", "\", NUL and the other
// control characters become "_") and a length cap, so every name is one plain file name.
//
// Conversation: "<YYYY>.<MM>.<DD>.<hh>.<mm>.<ss>.<conference id>" as the base name, ".wav" or
// ".mp3" for the audio file and ".dat" for its side file (calls/conversation_data_file.h).
//
// Local time follows the process's time zone (TZ); a name read back gives the time that local
// time stood for, daylight saving decided by the system.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The temporary name of the voice message being recorded, without its extension.
inline constexpr std::u16string_view kVoiceMessageTemporaryBase = u"lastvoicemsg";
// The `n`th temporary name: "lastvoicemsg.<ext>" for 0, else "lastvoicemsg.<n>.<ext>" (the names a
// recording takes while earlier ones are kept by messages that could not take their final name).
std::u16string VoiceMessageTemporaryName(int32_t n, std::u16string_view extension);
// The extension of a temporary name of either form ("wav" or "mp3", the number all digits);
// nullopt for any other name.
std::optional<std::u16string> ParseVoiceMessageTemporaryName(std::u16string_view name);
// The longest caller handle kept in a file name, in UTF-16 units (a name must fit the 255 bytes
// a file name may have, whatever the handle).
inline constexpr size_t kMaxFileNameHandleUnits = 64;

// True for the two recording formats, "wav" and "mp3" (exactly, as written).
bool IsRecordingExtension(std::u16string_view extension);

// "YYYY.MM.DD.hh.mm.ss" of the local time; "" for a time the system cannot convert.
std::u16string FormatRecordingTime(int64_t time);

// The caller field of a voice-message name for this handle (see above).
std::u16string VoiceMessageFileNameHandle(std::u16string_view handle);

// The file name of a voice message; "" when the time cannot be converted.
std::u16string BuildVoiceMessageFileName(std::u16string_view handle, int64_t startTime, int32_t duration, bool seen,
                                         std::u16string_view extension);

struct VoiceMessageFileName {
  std::u16string caller;
  int64_t startTime = 0;
  int32_t duration = 0;
  bool seen = true;  // every marker but "n" reads as seen
  std::u16string extension;
};

// Reads a voice-message file name; nullopt for a name that is none (too few fields, a field that
// is not a number, a date that does not exist, another extension).
std::optional<VoiceMessageFileName> ParseVoiceMessageFileName(std::u16string_view name);

// The base name of a conversation: "YYYY.MM.DD.hh.mm.ss.<id>"; "" when the time cannot be
// converted.
std::u16string BuildConversationBaseName(int64_t startTime, int32_t conferenceId);

struct ConversationFileName {
  int64_t startTime = 0;
  int32_t conferenceId = 0;
  std::u16string extension;
};

// Reads a conversation's audio file name (empty fields between the dots are skipped); nullopt for
// a name that is none.
std::optional<ConversationFileName> ParseConversationFileName(std::u16string_view name);
