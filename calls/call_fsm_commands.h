// What the call machine's steps queue to the client (questions about a call, call actions, the
// routing of a call's sound, the video device for the video greeting, chat texts), and the beep
// into the call.
#pragma once

#include <cstdint>
#include <string_view>

class CCall;

// How long the user's side waits for a beep to be heard before the call's sound goes back to the
// sound card.
inline constexpr int kBeepHeardMs = 1300;

// Queues ALTER CALL <id> SET_OUTPUT, then SET_INPUT: the sound card when `soundCard` is set, and
// the port when it is 1..65535. (id, false, out, in) routes a voice message (the caller hears only
// the program), (id, true, out, in) a conversation, (id, true, 0, 0) gives the call back to the
// sound card.
void SetCallAudio(const CCall& call, bool soundCard, int32_t outputPort, int32_t inputPort);
// Queues SET VIDEO_IN with the webcam application's device, or with the user's own device.
void CallFSMSetVideoInToWebcam();
void CallFSMRestoreVideoIn();
// Queues GET CALL <id> <property>, and ALTER CALL <id> <action>.
void CallFSMAskCall(const CCall& call, int32_t property);
void CallFSMAlterCall(const CCall& call, int32_t action);
// A beep into the call, tried up to three times; true when one was taken.
bool CallFSMInsertBeep();
// Queues MESSAGE <partner> <text> when the call's partner is known and not a telephone number
// (telephone numbers cannot take chat texts); true when queued.
bool CallFSMSendChatText(const CCall& call, std::u16string_view text);
// Before the link ends or the current user's objects go: every call whose sound the program has
// routed to its ports gets it back on the sound card, and a call answered for a voice message is
// hung up, as at the message's longest length (clearing the lists then ends the recordings and
// keeps the files).
void CallFSMGiveBackRoutedCalls();
