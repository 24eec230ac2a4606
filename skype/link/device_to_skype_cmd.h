// One command from the program to the call client.
//
// A plain value record: callers build it on their own stack with one of the builders below and
// hand it to the transport, which keeps its own copy until the reply, the last resend or a clear.
// Each builder resets the record, takes the next command id, sets the command index (k of the
// command word A[54 + k]) and formats the text, for example "#7 GET CALL 1234 STATUS".
//
// Ids come from one process-wide counter: 1, 3, 5 and so on, the same sequence on every thread
// (the GUI and dispatcher threads both build commands), and never -1, which a received line
// without an id carries. A builder that refuses its arguments throws qav::SkypeProtocolError
// before it touches the record or takes an id.
//
// The text holds at most 1023 UTF-16 units (a 1024-unit buffer with its NUL, as the client's API
// expects); a longer command, such as a long chat message, is cut at that length, never inside a
// surrogate pair, and the cut is logged. On the wire the text travels as UTF-8 with its NUL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class SkypeToDeviceCmd;

class DeviceToSkypeCmd {
 public:
  static constexpr size_t kTextCapacity = 1024;  // UTF-16 units, the terminating NUL included
  static constexpr size_t kMaxTextLength = kTextCapacity - 1;

  // The name the program gives itself and the protocol version it asks for.
  static constexpr std::u16string_view kProgramName = u"QAV - Answering Machine for Skype\u2122 users";
  static constexpr int32_t kProtocolVersion = 8;

  DeviceToSkypeCmd();
  DeviceToSkypeCmd(const DeviceToSkypeCmd& other);
  DeviceToSkypeCmd& operator=(const DeviceToSkypeCmd& other);

  // Empties the text and the send bookkeeping; id and command index stay.
  void Reset();

  // ---- Builders (the text each makes, n being the id) ----

  void Name(std::u16string_view name);                               // #n NAME <name>
  void Protocol(int32_t version);                                    // #n PROTOCOL <version>
  void GetUser(std::u16string_view handle, int32_t userProperty);    // #n GET USER <handle> <property>
  void Call(std::u16string_view handle);                             // #n CALL <handle>
  void GetCall(int32_t callId, int32_t callProperty);                // #n GET CALL <id> <property>
  void AlterCall(int32_t callId, int32_t callAction);                // #n ALTER CALL <id> <action>
  // #n ALTER CALL <id> SET_INPUT|SET_OUTPUT <list>, the list being SOUNDCARD="default" when
  // `soundCard` is set and PORT="<port>" for a port of 1..65535, joined by ", ".
  void AlterCallSetIo(int32_t callId, int32_t setInputOrOutput, bool soundCard, int32_t port);
  void Message(std::u16string_view handle, std::u16string_view text);  // #n MESSAGE <handle> <text>
  void OpenIM(std::u16string_view handle, std::u16string_view text);   // #n OPEN IM <handle> <text>
  void OpenUserInfo(std::u16string_view handle);                      // #n OPEN USERINFO <handle>
  void GetCurrentUserHandle();                                        // #n GET CURRENTUSERHANDLE
  void GetUserStatus();                                               // #n GET USERSTATUS
  void GetConnStatus();                                               // #n GET CONNSTATUS
  void GetAudioIn();                                                  // #n GET AUDIO_IN
  void GetAudioOut();                                                 // #n GET AUDIO_OUT
  void GetVideoIn();                                                  // #n GET VIDEO_IN
  void SetVideoIn(std::u16string_view device);                        // #n SET VIDEO_IN <device>
  // PING, without an id prefix: the client answers PONG with no id, so no reply is tracked, but
  // an id is still taken.
  void Ping();

  // ---- Reading ----

  int32_t GetId() const { return m_nId; }
  int32_t GetCmdIndex() const { return m_nCmdIndex; }
  std::u16string_view GetText() const { return {m_szText, m_nTextLength}; }
  // The bytes the sender hands the client: the text in UTF-8 followed by its NUL.
  std::string GetWireBytes() const;

  // True when the received line answers this command (same id). A line without an id (-1), or
  // with an id that no command carries, answers nothing.
  bool IsReplyTo(const SkypeToDeviceCmd& received) const;
  bool IsReplyTo(int32_t receivedId) const;

  // ---- Send bookkeeping, kept by the transport ----

  int32_t GetSendCount() const { return m_nSendCount; }
  void SetSendCount(int32_t count) { m_nSendCount = count; }
  // Monotonic milliseconds of the last send (qav::Clock::MonotonicMs); 0 when not sent or put
  // back in the queue.
  int64_t GetLastSendTimeMs() const { return m_nLastSendTimeMs; }
  void SetLastSendTimeMs(int64_t ms) { m_nLastSendTimeMs = ms; }

 private:
  // Takes the next id, sets the index and stores the text (cut to kMaxTextLength).
  void Build(int32_t cmdIndex, std::u16string_view text);
  // Takes the next id and builds "#n WORD", the commands without arguments.
  void BuildPlain(int32_t cmdIndex);
  void StoreText(std::u16string_view text);

  int32_t m_nId = 0;
  int32_t m_nCmdIndex;
  int32_t m_nSendCount = 0;
  int64_t m_nLastSendTimeMs = 0;
  size_t m_nTextLength = 0;
  char16_t m_szText[kTextCapacity];
};
