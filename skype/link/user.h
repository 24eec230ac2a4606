// One Skype contact or caller as the program knows it: the handle (or a telephone number for
// calls from the telephone network), the names, the online and buddy status.
//
// The dispatcher creates contacts and fills them from the client's USER notifications; calls
// point at their partner's contact; the pages and the e-mail texts ask for display names. Changes
// that the lists show (names, status) post the main window a refresh of both lists.
//
// Threading: contacts are created, changed and read on the GUI thread only
// (docs/model-threading.md).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CUser {
 public:
  // The handle stored for an empty one: a contact the client names without a handle (a withheld
  // telephone number).
  static constexpr std::u16string_view kEmptyHandle = u"+";
  // Seconds since 1970 that a last-online time may hold: 0 up to the end of the year 3000.
  static constexpr int64_t kMaxTimestamp = 32535215999;

  // When the client is asked about a contact: at once, or once the link has nothing else to send.
  // What the program learns in bulk of its own accord (every caller that the stored recordings
  // name at sign-in, the client's contact list) is asked when idle, so that it gives way to the
  // calls' commands and never fills the link's queue.
  enum class Asking { kNow, kWhenIdle };

  CUser();
  virtual ~CUser() = default;
  CUser(const CUser&) = delete;
  CUser& operator=(const CUser&) = delete;

  // Empties the handle, both names and the language; online status UNKNOWN, buddy status unknown, flags 0.
  void Reset();
  // Binds the contact to a handle ("+" for an empty one) with nothing else known, and asks the
  // client for the full name, display name, online status and buddy status (AskDetails). A
  // telephone number starts as SKYPEOUT.
  void init(std::u16string_view handle, Asking asking = Asking::kNow);
  // A contact whose details were left for the idle link and whose buddy status has not come yet
  // is asked again at once, since a call needs to know now whether the caller is a contact (the
  // questions may wait behind those about hundreds of other callers). True when it asked.
  bool AskDeferredDetailsNow();

  // A handle that begins with "+" or "00" is a telephone number.
  static bool IsPstnNumber(std::u16string_view handle);
  bool IsPstnNumber() const { return IsPstnNumber(m_strHandle); }

  // Each setter stores a changed value, logs it and posts the lists' refresh.
  void SetFullName(std::u16string_view name);
  void SetDisplayName(std::u16string_view name);
  void SetUserStatus(int32_t onlineStatus);
  // 0..3 are stored (2 and 3 make the contact a buddy); anything else is logged and ignored.
  void SetBuddyStatus(int32_t buddyStatus);
  void SetVideoCapable(bool capable);
  // The language the client gives for the user (its USER ... LANGUAGE, such as "de German"); the
  // program asks it of the current user only, for the problem report's facts.
  void SetLanguage(std::u16string_view language) { m_strLanguage = std::u16string(language); }
  const std::u16string& GetLanguage() const { return m_strLanguage; }
  // Stores and logs the time as local time. A value outside 0..kMaxTimestamp (the client's word
  // is not trusted) is refused with a log line and changes nothing: 1 when stored, 0 when refused.
  int SetLastOnlineTimestamp(int64_t secondsSince1970);

  const std::u16string& GetHandle() const { return m_strHandle; }
  const std::u16string& GetFullName() const { return m_strFullName; }
  int32_t GetUserStatus() const { return m_nOnlineStatus; }
  int32_t GetBuddyStatus() const { return m_nBuddyStatus; }
  bool IsBuddy() const { return m_bIsBuddy; }
  int64_t GetLastOnlineTimestamp() const { return m_nLastOnline; }
  bool IsVideoCapable() const { return m_bVideoCapable; }
  // Whether the client gave a full name or a display name (else the display name is the handle's).
  bool HasNames() const { return !m_strFullName.empty() || !m_strDisplayName.empty(); }

  // The display name, else the full name, else a handle longer than one character, else the
  // language's text for an unknown number.
  std::u16string GetDisplayName() const;
  // The same followed by " (handle)" unless the name is the handle itself or that language text.
  std::u16string GetDisplayNameWithHandle() const;

  // Commands for the client's own windows; 0 for a contact without a handle, else the queueing
  // result.
  int StartCall() const;
  int OpenIMDialog(std::u16string_view text) const;
  int OpenUserInfoDialog() const;

 private:
  // Asks the client for the full name, display name, online status and buddy status, in that
  // order; the "+" of an empty handle names nobody and asks nothing.
  void AskDetails(Asking asking);
  // The display name without the handle, and whether it is the language's fallback text.
  std::u16string DisplayName(bool* isFallback) const;

  std::u16string m_strHandle;
  std::u16string m_strFullName;
  std::u16string m_strDisplayName;
  std::u16string m_strLanguage;
  int32_t m_nOnlineStatus = 0;
  int32_t m_nBuddyStatus = -1;
  bool m_bIsBuddy = false;
  int64_t m_nLastOnline = 0;
  bool m_bVideoCapable = false;
  // Asked when idle, and the buddy status not known yet (SetBuddyStatus clears it).
  bool m_bDetailsDeferred = false;
};
