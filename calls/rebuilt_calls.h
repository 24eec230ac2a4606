// The calls rebuilt for saved voice messages and conversations: they give a loaded recording its
// caller and time, have no machine, and live in the call collection under negative ids.
//
// Every rebuilt call gets an id of its own. The ids count down from a start (-3001 for voice
// messages, -2001 for conversations) and skip every id already in the collection, so a call is
// never displaced by another rebuilt one, however many files a folder holds.
//
// Threading: GUI thread only.
#pragma once

#include <cstdint>

class CCall;
class CUser;

inline constexpr int32_t kRebuiltMessageCallIdBase = -3000;
inline constexpr int32_t kRebuiltConversationCallIdBase = -2000;

// The next free id below `*counter` (which is moved to it).
int32_t NextRebuiltCallId(int32_t* counter);
// A rebuilt call added to the collection, for a voice message and for a conversation.
CCall* AddRebuiltMessageCall(int32_t* counter, CUser* partner, int64_t startTime);
CCall* AddRebuiltConversationCall(int32_t* counter, int64_t startTime, CUser* partner);
// True for a call that was rebuilt (no machine, negative id).
bool IsRebuiltCall(const CCall& call);
// Deletes the call from the collection when it was rebuilt and holds no recording any more.
void DeleteRebuiltCallIfUnused(CCall* call);
