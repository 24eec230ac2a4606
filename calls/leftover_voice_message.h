// A voice message whose recording never finished, because the program was killed or the machine
// went down while a caller spoke: its file is still "lastvoicemsg.<wav|mp3>", which the next
// answered call would record over. A message whose folder refused its final name keeps such a
// name too ("lastvoicemsg.<n>.<wav|mp3>" when the plain one was taken) and is recovered the same
// way. At start-up, before any call can, the file is repaired (a
// .wav's header sizes set from its real length) and given the name of a new voice message, dated
// by its last change less its length, so the lists show it. Its caller is the one the recording's
// note names (calls/recording_caller_note.h); without a usable note for that file, an unknown
// caller ("unknown"). A leftover that holds no audio at all is removed, and so is the note.
#pragma once

#include <string>
#include <vector>

// The caller handle a recovered voice message is named with when nobody knows its caller.
inline constexpr std::u16string_view kUnknownCallerHandle = u"unknown";

// A recovered message's caller as its file name has it, and the name the note kept ("" for none).
struct RecoveredVoiceMessageCaller {
  std::u16string handle;
  std::u16string name;
};

// Recovers the leftover recordings in the voice messages folder `folder` (ending in "/"), with
// the caller's note at `notePath` ("" for none). Gives the callers of the messages recovered
// under a note.
std::vector<RecoveredVoiceMessageCaller> RecoverLeftoverVoiceMessages(const std::u16string& folder,
                                                                      const std::u16string& notePath);
