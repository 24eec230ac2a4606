// A recorded conversation whose recording never ended, because the program was killed or the
// machine went down while it recorded. Its audio file is there (its name is the conversation's own,
// so no later conversation records over it), but its side file, written when a conversation ends,
// is not: the lists would show it without its length, and a .wav's header may be up to a second
// behind what the file holds. At start-up, before the conversations are listed, a .wav's header
// sizes are set from the file's real length and the side file is written with the audio's length
// and no partners (nobody knows them any more). A leftover that holds no audio at all is removed;
// a file in a layout the program does not record is left as it is.
#pragma once

#include <string>

// Recovers the leftover recordings in the conversations folder `folder` (ending in "/").
void RecoverLeftoverConversations(const std::u16string& folder);
