// A voice message whose recording never finished, because the program was killed or the machine
// went down while a caller spoke: its file is still "lastvoicemsg.<wav|mp3>", which the next
// answered call would record over. At start-up, before any call can, the file is repaired (a
// .wav's header sizes set from its real length) and given the name of a new voice message of an
// unknown caller ("unknown"), dated by its last change less its length, so the lists show it. A
// leftover that holds no audio at all is removed.
#pragma once

#include <string>

// The caller handle a recovered voice message is named with.
inline constexpr std::u16string_view kUnknownCallerHandle = u"unknown";

// Recovers the leftover recordings in the voice messages folder `folder` (ending in "/").
void RecoverLeftoverVoiceMessages(const std::u16string& folder);
