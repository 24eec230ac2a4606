#include "skype/link/device_to_skype_cmd.h"

#include <algorithm>
#include <atomic>
#include <limits>

#include "foundation/logger.h"
#include "platform/text.h"
#include "skype/link/skype_protocol_error.h"
#include "skype/link/skype_to_device_cmd.h"
#include "skype/link/skype_vocabulary.h"

namespace {

// Process-wide id counter. Both the GUI and the dispatcher thread build commands, so the step is
// an atomic exchange: no id is handed out twice. Ids stay odd and positive; after the largest
// odd int32 the sequence starts again at 1 instead of running into negative numbers (-1 is the
// id of a line that carries none).
std::atomic<int32_t> g_nextCommandId{1};

int32_t TakeCommandId() {
  int32_t id = g_nextCommandId.load(std::memory_order_relaxed);
  int32_t next;
  do {
    next = id > std::numeric_limits<int32_t>::max() - 2 ? 1 : id + 2;
  } while (!g_nextCommandId.compare_exchange_weak(id, next, std::memory_order_relaxed));
  return id;
}

[[noreturn]] void Refuse(const char* builder, const std::string& why) {
  throw qav::SkypeProtocolError(std::string("DeviceToSkypeCmd::") + builder + ": " + why);
}

void RefuseEmptyHandle(const char* builder, std::u16string_view handle) {
  if (handle.empty()) Refuse(builder, "empty handle");
}

std::u16string_view Word(int32_t cmdIndex) { return SkypeCmdWord(cmdIndex); }

std::u16string_view CallWord(int32_t index) { return SkypeGroupWord(SkypeWordGroup::kCallProperty, index); }

bool IsCallWordIndex(int32_t index) { return index >= 0 && index < SkypeCallProp::NONE; }

}  // namespace

DeviceToSkypeCmd::DeviceToSkypeCmd() : m_nCmdIndex(SkypeCmd::NONE) { m_szText[0] = u'\0'; }

DeviceToSkypeCmd::DeviceToSkypeCmd(const DeviceToSkypeCmd& other) { *this = other; }

DeviceToSkypeCmd& DeviceToSkypeCmd::operator=(const DeviceToSkypeCmd& other) {
  if (this == &other) return *this;
  m_nId = other.m_nId;
  m_nCmdIndex = other.m_nCmdIndex;
  m_nSendCount = other.m_nSendCount;
  m_nLastSendTimeMs = other.m_nLastSendTimeMs;
  m_nTextLength = other.m_nTextLength;
  std::copy_n(other.m_szText, m_nTextLength, m_szText);
  m_szText[m_nTextLength] = u'\0';
  return *this;
}

void DeviceToSkypeCmd::Reset() {
  m_nTextLength = 0;
  m_szText[0] = u'\0';
  m_nSendCount = 0;
  m_nLastSendTimeMs = 0;
}

void DeviceToSkypeCmd::StoreText(std::u16string_view text) {
  // The client reads a command up to its first NUL, so nothing after one would arrive.
  const size_t nul = text.find(u'\0');
  if (nul != std::u16string_view::npos) text = text.substr(0, nul);
  if (text.size() > kMaxTextLength) {
    size_t length = kMaxTextLength;
    // Keep surrogate pairs whole: a lone high surrogate would turn into U+FFFD on the wire.
    if (text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) --length;
    QAV_LOG(LOG_WARNING, u"DeviceToSkypeCmd - command #%d of %u characters cut to %u", m_nId,
            static_cast<uint32_t>(text.size()), static_cast<uint32_t>(length));
    text = text.substr(0, length);
  }
  std::copy(text.begin(), text.end(), m_szText);
  m_nTextLength = text.size();
  m_szText[m_nTextLength] = u'\0';
}

void DeviceToSkypeCmd::Build(int32_t cmdIndex, std::u16string_view text) {
  Reset();
  m_nCmdIndex = cmdIndex;
  StoreText(text);
}

void DeviceToSkypeCmd::BuildPlain(int32_t cmdIndex) {
  m_nId = TakeCommandId();
  Build(cmdIndex, qav::Format(u"#%d %s", m_nId, Word(cmdIndex)));
}

// Every builder checks its arguments first, then takes its id and formats; a refusal leaves the
// record as it was and spends no id.

void DeviceToSkypeCmd::Name(std::u16string_view name) {
  if (name.empty()) Refuse("Name", "empty name");
  m_nId = TakeCommandId();
  Build(SkypeCmd::NAME, qav::Format(u"#%d %s %s", m_nId, Word(SkypeCmd::NAME), name));
}

void DeviceToSkypeCmd::Protocol(int32_t version) {
  m_nId = TakeCommandId();
  Build(SkypeCmd::PROTOCOL, qav::Format(u"#%d %s %d", m_nId, Word(SkypeCmd::PROTOCOL), version));
}

void DeviceToSkypeCmd::GetUser(std::u16string_view handle, int32_t userProperty) {
  RefuseEmptyHandle("GetUser", handle);
  if (userProperty < 0 || userProperty >= SkypeUserProp::NONE) {
    Refuse("GetUser", "user property " + std::to_string(userProperty) + " outside 0..23");
  }
  m_nId = TakeCommandId();
  Build(SkypeCmd::GET_USER, qav::Format(u"#%d %s %s %s", m_nId, Word(SkypeCmd::GET_USER), handle,
                                        SkypeGroupWord(SkypeWordGroup::kUserProperty, userProperty)));
}

void DeviceToSkypeCmd::Call(std::u16string_view handle) {
  RefuseEmptyHandle("Call", handle);
  m_nId = TakeCommandId();
  Build(SkypeCmd::CALL, qav::Format(u"#%d %s %s", m_nId, Word(SkypeCmd::CALL), handle));
}

void DeviceToSkypeCmd::GetCall(int32_t callId, int32_t callProperty) {
  if (!IsCallWordIndex(callProperty)) {
    Refuse("GetCall", "call property " + std::to_string(callProperty) + " outside 0..36");
  }
  if (callProperty == SkypeCallProp::CONF_PARTICIPANT) Refuse("GetCall", "CONF_PARTICIPANT is not asked for");
  m_nId = TakeCommandId();
  Build(SkypeCmd::GET_CALL,
        qav::Format(u"#%d %s %d %s", m_nId, Word(SkypeCmd::GET_CALL), callId, CallWord(callProperty)));
}

void DeviceToSkypeCmd::AlterCall(int32_t callId, int32_t callAction) {
  if (!IsCallWordIndex(callAction)) {
    Refuse("AlterCall", "call action " + std::to_string(callAction) + " outside 0..36");
  }
  if (callAction == SkypeCallProp::JOIN_CONFERENCE || callAction == SkypeCallProp::DTMF_SEND) {
    Refuse("AlterCall", "JOIN_CONFERENCE and DTMF_SEND take arguments this builder has not");
  }
  m_nId = TakeCommandId();
  Build(SkypeCmd::ALTER_CALL,
        qav::Format(u"#%d %s %d %s", m_nId, Word(SkypeCmd::ALTER_CALL), callId, CallWord(callAction)));
}

void DeviceToSkypeCmd::AlterCallSetIo(int32_t callId, int32_t setInputOrOutput, bool soundCard, int32_t port) {
  if (setInputOrOutput != SkypeCallProp::SET_INPUT && setInputOrOutput != SkypeCallProp::SET_OUTPUT) {
    Refuse("AlterCallSetIo", "action " + std::to_string(setInputOrOutput) + " is neither SET_INPUT nor SET_OUTPUT");
  }
  std::u16string list;
  if (soundCard) list = u"SOUNDCARD=\"default\"";
  if (port >= 1 && port <= 65535) {
    if (!list.empty()) list += u", ";
    list += qav::Format(u"PORT=\"%d\"", port);
  }
  if (list.empty()) Refuse("AlterCallSetIo", "no sound card and no port 1..65535 (" + std::to_string(port) + ")");
  m_nId = TakeCommandId();
  Build(SkypeCmd::ALTER_CALL, qav::Format(u"#%d %s %d %s %s", m_nId, Word(SkypeCmd::ALTER_CALL), callId,
                                          CallWord(setInputOrOutput), list));
}

void DeviceToSkypeCmd::Message(std::u16string_view handle, std::u16string_view text) {
  RefuseEmptyHandle("Message", handle);
  m_nId = TakeCommandId();
  Build(SkypeCmd::MESSAGE, qav::Format(u"#%d %s %s %s", m_nId, Word(SkypeCmd::MESSAGE), handle, text));
}

void DeviceToSkypeCmd::OpenIM(std::u16string_view handle, std::u16string_view text) {
  RefuseEmptyHandle("OpenIM", handle);
  m_nId = TakeCommandId();
  Build(SkypeCmd::OPEN_IM, qav::Format(u"#%d %s %s %s", m_nId, Word(SkypeCmd::OPEN_IM), handle, text));
}

void DeviceToSkypeCmd::OpenUserInfo(std::u16string_view handle) {
  RefuseEmptyHandle("OpenUserInfo", handle);
  m_nId = TakeCommandId();
  Build(SkypeCmd::OPEN_USERINFO, qav::Format(u"#%d %s %s", m_nId, Word(SkypeCmd::OPEN_USERINFO), handle));
}

void DeviceToSkypeCmd::GetCurrentUserHandle() { BuildPlain(SkypeCmd::GET_CURRENTUSERHANDLE); }
void DeviceToSkypeCmd::GetUserStatus() { BuildPlain(SkypeCmd::GET_USERSTATUS); }
void DeviceToSkypeCmd::GetConnStatus() { BuildPlain(SkypeCmd::GET_CONNSTATUS); }
void DeviceToSkypeCmd::GetAudioIn() { BuildPlain(SkypeCmd::GET_AUDIO_IN); }
void DeviceToSkypeCmd::GetAudioOut() { BuildPlain(SkypeCmd::GET_AUDIO_OUT); }
void DeviceToSkypeCmd::GetVideoIn() { BuildPlain(SkypeCmd::GET_VIDEO_IN); }

void DeviceToSkypeCmd::SetVideoIn(std::u16string_view device) {
  m_nId = TakeCommandId();
  Build(SkypeCmd::SET_VIDEO_IN, qav::Format(u"#%d %s %s", m_nId, Word(SkypeCmd::SET_VIDEO_IN), device));
}

void DeviceToSkypeCmd::Ping() {
  m_nId = TakeCommandId();
  Build(SkypeCmd::PING, Word(SkypeCmd::PING));
}

std::string DeviceToSkypeCmd::GetWireBytes() const {
  std::string bytes = qav::Utf16ToUtf8(GetText());
  bytes.push_back('\0');
  return bytes;
}

bool DeviceToSkypeCmd::IsReplyTo(int32_t receivedId) const { return receivedId >= 0 && receivedId == m_nId; }

bool DeviceToSkypeCmd::IsReplyTo(const SkypeToDeviceCmd& received) const { return IsReplyTo(received.GetId()); }
