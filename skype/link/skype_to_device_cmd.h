// One line from the call client, parsed: a notification, or the reply to one of the program's
// commands.
//
// The record holds the id of the command the line answers (the number after a leading "#", -1
// when the line has none), the index of its first word among the notification words of the
// vocabulary, a typed payload (skype/link/skype_obj.h) and the whole line.
//
// The grammar: tokens are separated by single spaces; "the rest" after a token is everything
// after it and the one space that follows, spaces included, and empty when nothing follows. So
// "VIDEO_IN" and "CALL 1 OUTPUT" carry an empty value, and two spaces in a row make an empty token
// (an empty handle), which the dispatcher reports. A token the grammar needs but the line lacks
// fails the parse. Words are compared whole and without regard to case; an unknown status or type
// word leaves the group's "none" value, an unknown property fails.
//
// Lines come from another program and are not trusted: numbers are read without overflow (an id
// or error number outside int32 fails), and nothing is read past the line.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "skype/link/skype_obj.h"

class SkypeToDeviceCmd {
 public:
  SkypeToDeviceCmd() = default;
  ~SkypeToDeviceCmd() = default;
  // Copies id, index and text and clones the payload as its own class: this is the copy that
  // crosses to the dispatcher thread.
  SkypeToDeviceCmd(const SkypeToDeviceCmd& other);
  SkypeToDeviceCmd& operator=(const SkypeToDeviceCmd& other);
  SkypeToDeviceCmd(SkypeToDeviceCmd&&) noexcept = default;
  SkypeToDeviceCmd& operator=(SkypeToDeviceCmd&&) noexcept = default;

  // Fills the record from one received line (without line end). Throws qav::SkypeProtocolError
  // when the line cannot be parsed. Even then the record keeps the line and the id of its leading
  // "#<number>", with index SkypeNotify::NONE and no payload, so that the transport acknowledges
  // the command a reply answers although the rest of the reply ("#15 OK", a bare "#15", "#15
  // ERROR" without a number) could not be read.
  void Parse(std::u16string_view line);
  // The same for a line the caller hands over: the record keeps it without a copy (the receipt
  // path decodes each line into a string of its own and needs it no more).
  void Parse(std::u16string&& line);
  void Parse(const char16_t* line) { Parse(std::u16string_view(line)); }

  // The id of a line's leading "#<digits>": -1 when the line has none, or when the digits are
  // missing, followed by anything but a space, or beyond int32.
  static int32_t ReadReplyId(std::u16string_view line);

  // The received bytes of one line as text: UTF-8, ending at the first NUL or at the end of the
  // data, whichever comes first.
  static std::u16string LineFromWire(std::string_view bytes);

  int32_t GetId() const { return m_nId; }
  int32_t GetNotifyIndex() const { return m_nNotifyIndex; }
  const std::u16string& GetText() const { return m_strText; }
  const CSkypeObj* GetPayload() const { return m_payload.get(); }
  // The payload as the class the reader expects, or nullptr when the line carries another one
  // or none.
  template <typename T>
  const T* PayloadAs() const {
    return dynamic_cast<const T*>(m_payload.get());
  }

 private:
  int32_t m_nId = -1;
  int32_t m_nNotifyIndex = SkypeNotify::NONE;
  std::unique_ptr<CSkypeObj> m_payload;
  std::u16string m_strText;
};
