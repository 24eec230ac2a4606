#include "sim/call_client_model.h"

#include <algorithm>
#include <array>
#include <optional>

#include "platform/text.h"

namespace qav::sim {

namespace {

constexpr int32_t kHighestProtocol = 8;

constexpr std::array<std::string_view, 24> kUserProperties = {
    "HANDLE",           "FULLNAME",     "BIRTHDAY",       "SEX",         "LANGUAGE",     "COUNTRY",
    "PROVINCE",         "CITY",         "PHONE_HOME",     "PHONE_OFFICE", "PHONE_MOBILE", "HOMEPAGE",
    "ABOUT",            "HASCALLEQUIPMENT", "BUDDYSTATUS", "ISAUTHORIZED", "ISBLOCKED",   "DISPLAYNAME",
    "ONLINESTATUS",     "LASTONLINETIMESTAMP", "SPEEDDIAL", "MOOD_TEXT",  "TIMEZONE",     "IS_VIDEO_CAPABLE"};

constexpr std::array<std::string_view, 10> kOnlineStatuses = {"UNKNOWN", "OFFLINE", "ONLINE", "SKYPEME", "AWAY",
                                                              "NA",      "DND",     "INVISIBLE", "SKYPEOUT", "LOGGEDOUT"};
constexpr std::array<std::string_view, 5> kConnStatuses = {"OFFLINE", "CONNECTING", "PAUSING", "ONLINE", "LOGGEDOUT"};

template <size_t N>
bool IsOneOf(const std::array<std::string_view, N>& words, std::string_view word) {
  return std::find(words.begin(), words.end(), word) != words.end();
}

// The client's errors, as it words them.
const std::string kErrSyntax = "ERROR 1 GENERAL SYNTAX ERROR";
const std::string kErrUnknownCommand = "ERROR 2 Unknown command";
const std::string kErrGetWhat = "ERROR 7 GET: invalid WHAT";
const std::string kErrUserHandle = "ERROR 8 Invalid user handle";
const std::string kErrUserProperty = "ERROR 10 Invalid property";
const std::string kErrCallId = "ERROR 11 Invalid call id";
const std::string kErrUnknownCall = "ERROR 12 Unknown call";
const std::string kErrCallProperty = "ERROR 13 Invalid property";
const std::string kErrSetWhat = "ERROR 18 SET: invalid WHAT";
const std::string kErrCallAction = "ERROR 21 Unknown or disallowed call action";
const std::string kErrCallState = "ERROR 24 Action not possible in the call's status";
const std::string kErrTargetHandle = "ERROR 26 Invalid user handle";
const std::string kErrProtocol = "ERROR 27 Invalid protocol version";
const std::string kErrUserStatus = "ERROR 28 Unknown userstatus";
const std::string kErrOpenWhat = "ERROR 69 OPEN: invalid WHAT";

// Tokens separated by single spaces, as the client reads them: two spaces make an empty token.
class Words {
 public:
  explicit Words(std::string_view text) : text_(text) {}
  std::optional<std::string_view> Next() {
    if (at_ >= text_.size()) return std::nullopt;
    const size_t space = text_.find(' ', at_);
    const size_t end = space == std::string_view::npos ? text_.size() : space;
    std::string_view token = text_.substr(at_, end - at_);
    at_ = space == std::string_view::npos ? text_.size() : space + 1;
    return token;
  }
  std::string NextUpper() {
    std::optional<std::string_view> token = Next();
    return token ? ToUpperAscii(*token) : std::string();
  }
  std::string_view Rest() const { return at_ >= text_.size() ? std::string_view() : text_.substr(at_); }

 private:
  std::string_view text_;
  size_t at_ = 0;
};

bool IsPstnHandle(std::string_view handle) {
  return (!handle.empty() && handle[0] == '+') || handle.rfind("00", 0) == 0;
}

std::optional<int32_t> CallIdOf(std::string_view token) {
  if (token.empty() || token.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
  return ParseInt32(token);
}

}  // namespace

CallClientModel::CallClientModel(Clock& clock) : m_clock(clock) {}

// ---- State ------------------------------------------------------------------------------------

void CallClientModel::SetCurrentUser(std::string handle, std::string fullName) {
  m_currentUser = std::move(handle);
  SetUserProperty(m_currentUser, "FULLNAME", std::move(fullName));
}

bool CallClientModel::IsSettableUserStatus(std::string_view status) {
  const std::string word = ToUpperAscii(status);
  return IsOneOf(kOnlineStatuses, word) && word != "UNKNOWN" && word != "SKYPEOUT";
}

bool CallClientModel::SetUserStatus(std::string_view status) {
  if (!IsSettableUserStatus(status)) return false;
  m_userStatus = ToUpperAscii(status);
  return true;
}

bool CallClientModel::SetConnStatus(std::string_view status) {
  const std::string word = ToUpperAscii(status);
  if (!IsOneOf(kConnStatuses, word)) return false;
  m_connStatus = word;
  return true;
}

bool CallClientModel::SetDevice(std::string_view which, std::string name) {
  const std::string word = ToUpperAscii(which);
  std::string* device = word == "AUDIO_IN" ? &m_audioIn : word == "AUDIO_OUT" ? &m_audioOut : word == "VIDEO_IN" ? &m_videoIn : nullptr;
  if (device == nullptr) return false;
  *device = std::move(name);
  return true;
}

bool CallClientModel::SetUserProperty(const std::string& handle, std::string_view property, std::string value) {
  const std::string word = ToUpperAscii(property);
  if (!IsOneOf(kUserProperties, word) || word == "HANDLE") return false;
  m_contacts[handle].properties[word] = std::move(value);
  return true;
}

std::string CallClientModel::GetUserProperty(const std::string& handle, std::string_view property) const {
  const std::string word = ToUpperAscii(property);
  if (word == "HANDLE") return handle;
  if (word == "ONLINESTATUS" && handle == m_currentUser) return m_userStatus;
  auto contact = m_contacts.find(handle);
  if (contact != m_contacts.end()) {
    auto value = contact->second.properties.find(word);
    if (value != contact->second.properties.end()) return value->second;
  }
  const bool known = contact != m_contacts.end();
  if (word == "ONLINESTATUS") return IsPstnHandle(handle) ? "SKYPEOUT" : known ? "ONLINE" : "UNKNOWN";
  if (word == "BUDDYSTATUS") return known && handle != m_currentUser ? "3" : "0";
  if (word == "ISAUTHORIZED") return known ? "TRUE" : "FALSE";
  if (word == "HASCALLEQUIPMENT") return "TRUE";
  if (word == "ISBLOCKED" || word == "IS_VIDEO_CAPABLE") return "FALSE";
  if (word == "LASTONLINETIMESTAMP" || word == "TIMEZONE") return "0";
  return "";
}

const SimCall* CallClientModel::FindCall(int32_t id) const {
  auto it = m_calls.find(id);
  return it == m_calls.end() ? nullptr : &it->second;
}

SimCall* CallClientModel::Call(int32_t id) {
  auto it = m_calls.find(id);
  return it == m_calls.end() ? nullptr : &it->second;
}

// ---- Commands ---------------------------------------------------------------------------------

CallClientModel::Lines CallClientModel::Answer(std::string_view command) {
  // The "#<id>" tag is any word after "#"; the reply carries it back unchanged.
  std::string tag;
  std::string_view body = command;
  if (!body.empty() && body[0] == '#') {
    const size_t space = body.find(' ');
    tag = std::string(body.substr(0, space)) + " ";
    body = space == std::string_view::npos ? std::string_view() : body.substr(space + 1);
  }
  Lines notes;
  Lines lines;
  lines.push_back(tag + Execute(body, &notes));
  lines.insert(lines.end(), notes.begin(), notes.end());
  return lines;
}

std::string CallClientModel::Execute(std::string_view body, Lines* notes) {
  Words words(body);
  const std::string verb = words.NextUpper();
  if (verb == "PING") return "PONG";
  if (verb == "NAME") {
    if (words.Rest().empty()) return kErrSyntax;
    m_programName = std::string(words.Rest());
    return "OK";
  }
  if (verb == "PROTOCOL") {
    std::optional<std::string_view> number = words.Next();
    std::optional<int32_t> version = number ? CallIdOf(*number) : std::nullopt;
    if (!version || *version < 1 || !words.Rest().empty()) return kErrProtocol;
    m_protocol = std::min(*version, kHighestProtocol);
    return "PROTOCOL " + std::to_string(m_protocol);
  }
  if (verb == "GET") return ExecuteGet(words.Rest());
  if (verb == "SET") return ExecuteSet(words.Rest());
  if (verb == "ALTER") {
    if (words.NextUpper() != "CALL") return kErrUnknownCommand;
    return ExecuteAlterCall(words.Rest(), notes);
  }
  if (verb == "CALL") return ExecuteCall(words.Rest(), notes);
  if (verb == "MESSAGE") return ExecuteMessage(words.Rest(), notes);
  if (verb == "OPEN") return ExecuteOpen(words.Rest());
  return kErrUnknownCommand;
}

std::string CallClientModel::ExecuteGet(std::string_view rest) {
  Words words(rest);
  const std::string what = words.NextUpper();
  const bool noArguments = words.Rest().empty();
  if (what == "USERSTATUS" && noArguments) return "USERSTATUS " + m_userStatus;
  if (what == "CURRENTUSERHANDLE" && noArguments) return "CURRENTUSERHANDLE " + m_currentUser;
  if (what == "CONNSTATUS" && noArguments) return "CONNSTATUS " + m_connStatus;
  if (what == "AUDIO_IN" && noArguments) return "AUDIO_IN " + m_audioIn;
  if (what == "AUDIO_OUT" && noArguments) return "AUDIO_OUT " + m_audioOut;
  if (what == "VIDEO_IN" && noArguments) return "VIDEO_IN " + m_videoIn;
  if (what == "SKYPEVERSION" && noArguments) return "SKYPEVERSION " + m_version;
  if (what == "USER") {
    std::optional<std::string_view> handle = words.Next();
    if (!handle || handle->empty()) return kErrUserHandle;
    const std::string property = words.NextUpper();
    if (!IsOneOf(kUserProperties, property) || !words.Rest().empty()) return kErrUserProperty;
    const std::string user(*handle);
    return "USER " + user + " " + property + " " + GetUserProperty(user, property);
  }
  if (what == "CALL") {
    std::optional<std::string_view> idText = words.Next();
    std::optional<int32_t> id = idText ? CallIdOf(*idText) : std::nullopt;
    if (!id) return kErrCallId;
    const SimCall* call = FindCall(*id);
    if (call == nullptr) return kErrUnknownCall;
    const std::string property = words.NextUpper();
    std::optional<std::string> value = GetCallProperty(*call, property);
    if (!value || !words.Rest().empty()) return kErrCallProperty;
    return "CALL " + std::to_string(*id) + " " + property + " " + *value;
  }
  return kErrGetWhat;
}

std::optional<std::string> CallClientModel::GetCallProperty(const SimCall& call, std::string_view property) const {
  if (property == "STATUS") return call.status;
  if (property == "TYPE") return call.type;
  if (property == "PARTNER_HANDLE") return call.partner;
  if (property == "PARTNER_DISPNAME") return call.partnerName;
  if (property == "TIMESTAMP") return std::to_string(call.startMs / 1000);
  if (property == "DURATION") {
    if (call.answeredMs < 0) return "0";
    const int64_t end = call.endedMs >= 0 ? call.endedMs : m_clock.MonotonicMs();
    return std::to_string((end - call.answeredMs) / 1000);
  }
  if (property == "INPUT") return call.input.ToText();
  if (property == "OUTPUT") return call.output.ToText();
  if (property == "PSTN_NUMBER") return call.type.find("PSTN") != std::string::npos ? call.partner : "";
  if (property == "FAILUREREASON" || property == "CONF_ID" || property == "CONF_PARTICIPANTS_COUNT") return "0";
  if (property == "VIDEO_STATUS") return "VIDEO_NONE";
  if (property == "VIDEO_SEND_STATUS") return call.videoSend ? "RUNNING" : "NOT_AVAILABLE";
  if (property == "VIDEO_RECEIVE_STATUS") return "NOT_AVAILABLE";
  if (property == "VAA_INPUT_STATUS") return "FALSE";
  if (property == "SUBJECT" || property == "PSTN_STATUS" || property == "FORWARDED_BY") return "";
  return std::nullopt;
}

std::string CallClientModel::ExecuteSet(std::string_view rest) {
  Words words(rest);
  const std::string what = words.NextUpper();
  const std::string value(words.Rest());
  if (what == "USERSTATUS") {
    if (!SetUserStatus(value)) return kErrUserStatus;
    return "USERSTATUS " + m_userStatus;
  }
  if (what == "AUDIO_IN" || what == "AUDIO_OUT" || what == "VIDEO_IN") {
    SetDevice(what, value);
    return what + " " + value;
  }
  return kErrSetWhat;
}

std::string CallClientModel::ExecuteAlterCall(std::string_view rest, Lines* notes) {
  Words words(rest);
  std::optional<std::string_view> idText = words.Next();
  std::optional<int32_t> id = idText ? CallIdOf(*idText) : std::nullopt;
  if (!id) return kErrCallId;
  SimCall* call = Call(*id);
  if (call == nullptr) return kErrUnknownCall;
  std::string action = words.NextUpper();
  if (action == "END") action += " " + words.NextUpper();
  const std::string_view arguments = words.Rest();
  // The client answers an accepted action with the command itself.
  const std::string echo = "ALTER CALL " + std::to_string(*id) + " " + action + (arguments.empty() ? "" : " ") +
                           std::string(arguments);
  if (call->IsEnded()) return kErrCallState;

  if (action == "SET_INPUT" || action == "SET_OUTPUT") {
    std::optional<SimAudioRoute> route = ParseSimAudioRoute(arguments);
    if (!route) return kErrCallAction;
    const SimAudioDirection direction = action == "SET_INPUT" ? SimAudioDirection::kInput : SimAudioDirection::kOutput;
    (direction == SimAudioDirection::kInput ? call->input : call->output) = *route;
    if (m_audio != nullptr) m_audio->OnAudioRoute(*call, direction, *route);
    return echo;
  }
  if (!arguments.empty()) return kErrCallAction;
  if (action == "ANSWER") {
    if (!call->IsIncoming() || call->status != "RINGING") return kErrCallState;
    ChangeStatus(*call, "INPROGRESS", notes);
    return echo;
  }
  if (action == "HANGUP" || action == "END HANGUP") {
    const std::string status = call->IsInProgress() ? "FINISHED" : call->IsIncoming() ? "REFUSED" : "CANCELLED";
    ChangeStatus(*call, status, notes);
    return echo;
  }
  if (action == "HOLD") {
    if (call->status != "INPROGRESS") return kErrCallState;
    ChangeStatus(*call, "LOCALHOLD", notes);
    return echo;
  }
  if (action == "RESUME") {
    if (call->status != "LOCALHOLD" && call->status != "ONHOLD") return kErrCallState;
    ChangeStatus(*call, "INPROGRESS", notes);
    return echo;
  }
  if (action == "START_VIDEO_SEND" || action == "STOP_VIDEO_SEND") {
    if (!call->IsInProgress()) return kErrCallState;
    call->videoSend = action == "START_VIDEO_SEND";
    return echo;
  }
  return kErrCallAction;
}

std::string CallClientModel::ExecuteCall(std::string_view rest, Lines* notes) {
  Words words(rest);
  std::optional<std::string_view> handle = words.Next();
  if (!handle || handle->empty() || !words.Rest().empty()) return kErrTargetHandle;
  while (m_calls.count(m_nextCallId) != 0) ++m_nextCallId;
  SimCall& call = m_calls[m_nextCallId];
  call.id = m_nextCallId++;
  call.partner = std::string(*handle);
  call.partnerName = GetUserProperty(call.partner, "DISPLAYNAME");
  call.type = IsPstnHandle(call.partner) ? "OUTGOING_PSTN" : "OUTGOING_P2P";
  call.status = "UNPLACED";
  call.startMs = m_clock.MonotonicMs();
  ChangeStatus(call, "ROUTING", notes);
  ChangeStatus(call, "RINGING", notes);
  return "CALL " + std::to_string(call.id) + " STATUS UNPLACED";
}

std::string CallClientModel::ExecuteMessage(std::string_view rest, Lines* notes) {
  Words words(rest);
  std::optional<std::string_view> handle = words.Next();
  if (!handle || handle->empty()) return kErrTargetHandle;
  SimChatMessage chat{m_nextChatId++, std::string(*handle), std::string(words.Rest())};
  m_chats.push_back(chat);
  notes->push_back("CHATMESSAGE " + std::to_string(chat.id) + " STATUS SENT");
  return "CHATMESSAGE " + std::to_string(chat.id) + " STATUS SENDING";
}

std::string CallClientModel::ExecuteOpen(std::string_view rest) {
  Words words(rest);
  const std::string what = words.NextUpper();
  if (what != "IM" && what != "USERINFO") return kErrOpenWhat;
  std::optional<std::string_view> handle = words.Next();
  if (!handle || handle->empty()) return kErrTargetHandle;
  if (what == "USERINFO" && !words.Rest().empty()) return kErrSyntax;
  return "OPEN " + std::string(rest);
}

// ---- The caller's side ------------------------------------------------------------------------

std::string CallClientModel::Ring(int32_t id, const std::string& partner, const std::string& type,
                                  const std::string& audioFile, Lines* lines) {
  if (id <= 0) return "a call id is a positive number";
  if (partner.empty()) return "a call needs the caller's handle";
  if (type != "INCOMING_P2P" && type != "INCOMING_PSTN") return "an incoming call is INCOMING_P2P or INCOMING_PSTN";
  const SimCall* existing = FindCall(id);
  if (existing != nullptr && !existing->IsEnded()) return "call " + std::to_string(id) + " is still going on";
  SimCall call;
  call.id = id;
  call.partner = partner;
  call.partnerName = GetUserProperty(partner, "DISPLAYNAME");
  call.type = type;
  call.audioFile = audioFile;
  call.startMs = m_clock.MonotonicMs();
  m_calls[id] = call;
  ChangeStatus(m_calls[id], "RINGING", lines);
  return "";
}

std::string CallClientModel::SetCallStatus(int32_t id, const std::string& status, Lines* lines) {
  SimCall* call = Call(id);
  if (call == nullptr) return "there is no call " + std::to_string(id);
  if (!IsSimCallStatus(status)) return "\"" + status + "\" is no call status";
  if (call->IsEnded()) return "call " + std::to_string(id) + " is over";
  ChangeStatus(*call, status, lines);
  return "";
}

std::string CallClientModel::CallerHangsUp(int32_t id, Lines* lines) {
  SimCall* call = Call(id);
  if (call == nullptr) return "there is no call " + std::to_string(id);
  if (call->IsEnded()) return "call " + std::to_string(id) + " is over";
  ChangeStatus(*call, call->IsInProgress() ? "FINISHED" : call->IsIncoming() ? "MISSED" : "CANCELLED", lines);
  return "";
}

void CallClientModel::ChangeStatus(SimCall& call, const std::string& status, Lines* notes) {
  call.status = status;
  const int64_t now = m_clock.MonotonicMs();
  if (status == "INPROGRESS" && call.answeredMs < 0) call.answeredMs = now;
  notes->push_back("CALL " + std::to_string(call.id) + " STATUS " + status);
  if (call.IsEnded()) {
    call.endedMs = now;
    if (m_audio != nullptr) m_audio->OnCallEnded(call);
  }
}

}  // namespace qav::sim
