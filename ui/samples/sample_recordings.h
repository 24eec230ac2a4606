// Recordings for the screenshots, the sheet benchmark and the page tests, put into the real
// collections as the program itself leaves them: voice messages as a finished recording leaves
// them, ended conversations as the program finds them at start. The collections must have been
// set up for the signed-in user (CRecordings().LoadForUser, or the collections' init).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

class CConversation;
class CMessage;

namespace qav::samples {

// A caller or partner: the handle and the name the call client shows for it.
struct SampleCaller {
  std::u16string_view handle;
  std::u16string_view name;
};

// The caller (a contact), the call that brought the message (`callId`, added to the calls) and the
// message of `seconds` (-1: still recording), heard or new. No audio file is written.
CMessage* AddSampleVoiceMessage(int32_t callId, SampleCaller caller, int32_t seconds, bool heard);

// An ended conversation started at `startTime` (seconds since 1970) with those partners: its side
// file (duration and partners) is written into the conversations folder and read back, which
// rebuilds a call for each partner. No audio file is written. Null when the side file cannot be
// written.
CConversation* AddSampleConversation(int64_t startTime, int32_t seconds, std::initializer_list<SampleCaller> partners);

}  // namespace qav::samples
