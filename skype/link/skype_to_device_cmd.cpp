#include "skype/link/skype_to_device_cmd.h"

#include <array>
#include <limits>
#include <optional>

#include "platform/text.h"
#include "skype/link/skype_protocol_error.h"

namespace {

// Walks a line token by token. A token ends at the next space or at the end of the line; once the
// end has been reached there is no further token, but a line ending in a space still has one
// more, empty, token.
class TokenCursor {
 public:
  explicit TokenCursor(std::u16string_view line) : m_line(line) {}

  std::optional<std::u16string_view> Next() {
    if (m_atEnd) return std::nullopt;
    const size_t space = m_line.find(u' ', m_pos);
    std::u16string_view token;
    if (space == std::u16string_view::npos) {
      token = m_line.substr(m_pos);
      m_atEnd = true;
    } else {
      token = m_line.substr(m_pos, space - m_pos);
      m_pos = space + 1;
    }
    return token;
  }

  // The rest of the line after the last token taken.
  std::u16string_view Rest() const { return m_atEnd ? std::u16string_view() : m_line.substr(m_pos); }

 private:
  std::u16string_view m_line;
  size_t m_pos = 0;
  bool m_atEnd = false;
};

[[noreturn]] void Fail(const std::string& why) { throw qav::SkypeProtocolError("SkypeToDeviceCmd::Parse: " + why); }

std::string Quoted(std::u16string_view token) { return "'" + qav::Utf16ToUtf8(token) + "'"; }

std::u16string_view Need(TokenCursor& cursor, const char* what) {
  const auto token = cursor.Next();
  if (!token) Fail(std::string("missing ") + what);
  return *token;
}

// Digits only, at least one, within int32; anything else gives -1.
int32_t ParseIdDigits(std::u16string_view digits) {
  if (digits.empty()) return -1;
  int64_t value = 0;
  for (char16_t c : digits) {
    if (c < u'0' || c > u'9') return -1;
    value = value * 10 + (c - u'0');
    if (value > std::numeric_limits<int32_t>::max()) return -1;
  }
  return static_cast<int32_t>(value);
}

// A property word that must be one of its group; an unknown property means a line the program
// cannot read.
int32_t NeedProperty(TokenCursor& cursor, SkypeWordGroup group, const char* what) {
  const std::u16string_view token = Need(cursor, what);
  const int32_t index = FindSkypeGroupWord(group, token);
  if (index == SkypeGroupSize(group)) Fail(std::string("unknown ") + what + " " + Quoted(token));
  return index;
}

void NeedKeyword(TokenCursor& cursor, std::u16string_view keyword, const char* after) {
  const std::u16string_view token = Need(cursor, "keyword");
  if (!qav::EqualsNoCase(token, keyword)) {
    Fail(std::string(after) + " followed by " + Quoted(token) + " instead of " + Quoted(keyword));
  }
}

// The words after OPEN that the parser tells apart, in the order of their notification indexes.
constexpr std::array<std::u16string_view, 7> kOpenWords = {
    u"ADDAFRIEND", u"IM", u"CHAT", u"FILETRANSFER", u"VOICEMAIL", u"PROFILE", u"USERINFO",
};

// "<id> <property> <value...>", the shape of USER, CALL, CHAT and APPLICATION lines.
template <typename Obj>
std::unique_ptr<Obj> ParseIdPropertyValue(TokenCursor& cursor, SkypeWordGroup group, const char* idWhat,
                                          const char* propertyWhat) {
  auto obj = std::make_unique<Obj>();
  obj->m_strId = Need(cursor, idWhat);
  obj->m_nProperty = NeedProperty(cursor, group, propertyWhat);
  obj->m_strValue = cursor.Rest();
  return obj;
}

std::unique_ptr<CSkypeObj> ParseUser(TokenCursor& cursor) {
  auto user = ParseIdPropertyValue<CSkypeObjUser>(cursor, SkypeWordGroup::kUserProperty, "user handle", "user property");
  if (user->m_nProperty == SkypeUserProp::ONLINESTATUS) {
    user->m_nOnlineStatus = FindSkypeGroupWord(SkypeWordGroup::kOnlineStatus, user->m_strValue);
  }
  return user;
}

std::unique_ptr<CSkypeObj> ParseCall(TokenCursor& cursor) {
  auto call = ParseIdPropertyValue<CSkypeObjCall>(cursor, SkypeWordGroup::kCallProperty, "call id", "call property");
  if (call->m_nProperty == SkypeCallProp::TYPE) {
    call->m_nType = FindSkypeGroupWord(SkypeWordGroup::kCallType, call->m_strValue);
  } else if (call->m_nProperty == SkypeCallProp::STATUS) {
    call->m_nStatus = FindSkypeGroupWord(SkypeWordGroup::kCallStatus, call->m_strValue);
  }
  return call;
}

// OPEN refines the notification index by the word that follows it.
std::unique_ptr<CSkypeObj> ParseOpen(TokenCursor& cursor, int32_t& notifyIndex) {
  const std::u16string_view what = Need(cursor, "word after OPEN");
  size_t i = 0;
  while (i < kOpenWords.size() && !qav::EqualsNoCase(what, kOpenWords[i])) ++i;
  if (i == kOpenWords.size()) Fail("OPEN followed by unknown " + Quoted(what));
  notifyIndex = SkypeNotify::OPEN_ADDAFRIEND + static_cast<int32_t>(i);
  if (notifyIndex != SkypeNotify::OPEN_ADDAFRIEND && notifyIndex != SkypeNotify::OPEN_IM) return nullptr;
  auto user = std::make_unique<CSkypeObjUser>();
  user->m_strId = Need(cursor, "handle after OPEN");
  user->m_strValue = cursor.Rest();
  return user;
}

std::unique_ptr<CSkypeObj> ParseError(TokenCursor& cursor) {
  const std::u16string_view number = Need(cursor, "error number");
  const std::optional<int32_t> value = qav::ParseInt32(number);
  if (!value) Fail("error number " + Quoted(number) + " is not an int32");
  auto error = std::make_unique<CSkypeObjError>();
  error->m_nError = *value;
  error->m_strErrorText = cursor.Rest();
  return error;
}

// The payload for the word at `notifyIndex`; OPEN may refine the index.
std::unique_ptr<CSkypeObj> ParsePayload(TokenCursor& cursor, int32_t& notifyIndex) {
  switch (notifyIndex) {
    case SkypeNotify::PROTOCOL: {
      auto obj = std::make_unique<CSkypeObj>();
      obj->m_strValue = Need(cursor, "protocol version");
      return obj;
    }
    case SkypeNotify::USERSTATUS: {
      auto user = std::make_unique<CSkypeObjUser>();
      user->m_nOnlineStatus = FindSkypeGroupWord(SkypeWordGroup::kOnlineStatus, cursor.Rest());
      return user;
    }
    case SkypeNotify::CONNSTATUS: {
      auto status = std::make_unique<CSkypeObjConnStatus>();
      status->m_nStatus = FindSkypeGroupWord(SkypeWordGroup::kConnStatus, cursor.Rest());
      return status;
    }
    case SkypeNotify::CURRENTUSERHANDLE: {
      auto obj = std::make_unique<CSkypeObj>();
      obj->m_strId = cursor.Rest();
      return obj;
    }
    case SkypeNotify::AUDIO_IN:
    case SkypeNotify::AUDIO_OUT:
    case SkypeNotify::VIDEO_IN: {
      auto device = std::make_unique<CSkypeObjDevice>();
      device->m_strDevice = cursor.Rest();
      return device;
    }
    case SkypeNotify::USERS:
    case SkypeNotify::FRIENDS:
    case SkypeNotify::CALLS:
    case SkypeNotify::MISSEDCALLS:
    case SkypeNotify::MESSAGES:
    case SkypeNotify::MISSEDMESSAGES: {
      auto list = std::make_unique<CSkypeObj>();
      list->m_strValue = cursor.Rest();
      return list;
    }
    case SkypeNotify::USER:
      return ParseUser(cursor);
    case SkypeNotify::CALL:
      return ParseCall(cursor);
    case SkypeNotify::CHAT:
      return ParseIdPropertyValue<CSkypeObjChat>(cursor, SkypeWordGroup::kChatProperty, "chat name", "chat property");
    case SkypeNotify::APPLICATION:
      return ParseIdPropertyValue<CSkypeObjApp>(cursor, SkypeWordGroup::kAppProperty, "application name",
                                                "application property");
    case SkypeNotify::OPEN:
      return ParseOpen(cursor, notifyIndex);
    case SkypeNotify::CONTACTS: {
      NeedKeyword(cursor, u"FOCUSED", "CONTACTS");
      auto user = std::make_unique<CSkypeObjUser>();
      user->m_strId = Need(cursor, "focused handle");
      return user;
    }
    case SkypeNotify::CREATE:
    case SkypeNotify::DELETE: {
      NeedKeyword(cursor, u"APPLICATION", notifyIndex == SkypeNotify::CREATE ? "CREATE" : "DELETE");
      auto app = std::make_unique<CSkypeObjApp>();
      app->m_strId = Need(cursor, "application name");
      return app;
    }
    case SkypeNotify::ERROR:
      return ParseError(cursor);
    default:
      return nullptr;
  }
}

}  // namespace

SkypeToDeviceCmd::SkypeToDeviceCmd(const SkypeToDeviceCmd& other)
    : m_nId(other.m_nId),
      m_nNotifyIndex(other.m_nNotifyIndex),
      m_payload(other.m_payload ? other.m_payload->Clone() : nullptr),
      m_strText(other.m_strText) {}

SkypeToDeviceCmd& SkypeToDeviceCmd::operator=(const SkypeToDeviceCmd& other) {
  if (this != &other) *this = SkypeToDeviceCmd(other);
  return *this;
}

int32_t SkypeToDeviceCmd::ReadReplyId(std::u16string_view line) {
  if (line.empty() || line[0] != u'#') return -1;
  const size_t end = line.find(u' ');
  return ParseIdDigits(line.substr(1, end == std::u16string_view::npos ? std::u16string_view::npos : end - 1));
}

std::u16string SkypeToDeviceCmd::LineFromWire(std::string_view bytes) {
  const size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  return qav::Utf8ToUtf16(bytes);
}

void SkypeToDeviceCmd::Parse(std::u16string_view line) { Parse(std::u16string(line)); }

void SkypeToDeviceCmd::Parse(std::u16string&& text) {
  m_strText = std::move(text);
  const std::u16string_view line = m_strText;
  m_nId = -1;
  m_nNotifyIndex = SkypeNotify::NONE;
  m_payload.reset();

  TokenCursor cursor(line);
  std::u16string_view word = *cursor.Next();  // a line always has a first token, maybe empty
  if (!word.empty() && word[0] == u'#') {
    m_nId = ParseIdDigits(word.substr(1));
    if (m_nId < 0) Fail("bad command id " + Quoted(word));
    word = Need(cursor, "word after the command id");
  }

  int32_t notifyIndex = FindSkypeNotifyWord(word);
  if (notifyIndex == SkypeNotify::NONE) Fail("unknown word " + Quoted(word));
  std::unique_ptr<CSkypeObj> payload = ParsePayload(cursor, notifyIndex);
  m_nNotifyIndex = notifyIndex;
  m_payload = std::move(payload);
}
