#include "calls/call_fsm_commands.h"

#include "audio/video_driver.h"
#include "calls/call.h"
#include "calls/call_audio_requests.h"
#include "calls/call_collection.h"
#include "calls/call_fsm_states.h"
#include "foundation/logger.h"
#include "skype/link/device_to_skype_cmd.h"
#include "skype/link/skype_client_info.h"
#include "skype/link/skype_transport.h"
#include "skype/link/skype_vocabulary.h"
#include "skype/link/user.h"

namespace {

constexpr int kBeepTries = 3;

int32_t PortOrNone(int32_t port) { return port >= 1 && port <= 65535 ? port : 0; }

}  // namespace

void SetCallAudio(const CCall& call, bool soundCard, int32_t outputPort, int32_t inputPort) {
  QueueSkypeCmd([&](DeviceToSkypeCmd& cmd) {
    cmd.AlterCallSetIo(call.GetCallId(), SkypeCallProp::SET_OUTPUT, soundCard, PortOrNone(outputPort));
  });
  QueueSkypeCmd([&](DeviceToSkypeCmd& cmd) {
    cmd.AlterCallSetIo(call.GetCallId(), SkypeCallProp::SET_INPUT, soundCard, PortOrNone(inputPort));
  });
}

void CallFSMSetVideoInToWebcam() {
  QueueSkypeCmd([](DeviceToSkypeCmd& cmd) { cmd.SetVideoIn(kVirtualWebcamDeviceName); });
}

void CallFSMRestoreVideoIn() {
  const std::u16string own = GetSkypeUserVideoInDevice();
  QueueSkypeCmd([&](DeviceToSkypeCmd& cmd) { cmd.SetVideoIn(own); });
}

void CallFSMAskCall(const CCall& call, int32_t property) {
  QueueSkypeCmd([&](DeviceToSkypeCmd& cmd) { cmd.GetCall(call.GetCallId(), property); });
}

void CallFSMAlterCall(const CCall& call, int32_t action) {
  QueueSkypeCmd([&](DeviceToSkypeCmd& cmd) { cmd.AlterCall(call.GetCallId(), action); });
}

bool CallFSMInsertBeep() {
  for (int i = 0; i < kBeepTries; ++i) {
    if (CallAudio().RecordSkypeInsertBeep() > 0) return true;
  }
  return false;
}

bool CallFSMSendChatText(const CCall& call, std::u16string_view text) {
  const CUser* partner = call.GetPartner();
  if (partner == nullptr || partner->IsPstnNumber()) return false;
  const std::u16string handle = partner->GetHandle();
  return QueueSkypeCmd([&](DeviceToSkypeCmd& cmd) { cmd.Message(handle, text); }) != 0;
}

void CallFSMGiveBackRoutedCalls() {
  for (const int32_t callId : g_CallCollection.GetCallIds()) {
    const CCall* call = g_CallCollection.Get(callId);
    if (call == nullptr) continue;
    const int32_t state = call->GetState();
    if (state != ST_MESSAGE_RECORDING && state != ST_CONV_RECORDING) continue;
    QAV_LOG(LOG_INFO, u"[CallId: %d] The call's sound goes back to the sound card before the link ends", callId);
    SetCallAudio(*call, true, 0, 0);
    if (state != ST_MESSAGE_RECORDING) continue;
    if (CallAudio().HasVideoDriver()) CallFSMRestoreVideoIn();
    CallFSMAlterCall(*call, SkypeCallProp::HANGUP);
  }
}
