// Sends one e-mail through an SMTP server (libcurl).
//
// The caller sets the server, the sender, the recipients, the subject and a body and/or
// attachments, in that order, and then sends. Each step returns 1 or 0; Send is refused unless
// every step before it succeeded, so a rejected setting never reaches the server. Both users (the
// e-mail thread's voice-message notice and the e-mail settings page's test) build a fresh object
// on their own stack.
//
// Transport: with SSL on, port 465 speaks TLS from the first byte and any other port must upgrade
// with STARTTLS (a server that cannot is refused); with SSL off the mail goes in plain text.
// The server's certificate is checked against the system's trusted authorities.
// Login: whenever the server offers AUTH, the login name (an empty one too) and the password log
// in: AUTH LOGIN (AUTH PLAIN for an empty name, where the server offers it), or NTLM when secure
// password authentication is on. A server that offers no AUTH gets none.
// Time-outs: the time-out given to SetServer bounds what stalls: the connection (TCP and TLS), each
// wait for a server reply (the one after the message's end included, counted from when the server
// has taken the whole message), and a transfer from which the server takes no byte. A transfer
// that moves is never cut, however long the message. A server that stalls gets no QUIT waited
// for, so Send returns within about a second of the time-out.
// Stopping: a stop check given with SetStopCheck is asked at least once a second (ten times a
// second outside libcurl's own waits); once it says so, Send ends as a failure within about a
// second and delivers nothing.
// The message: From, To, Subject, Date and Message-ID of its own (the subject and display names
// RFC 2047-encoded, line breaks removed, every line folded within RFC 5322's limits), a UTF-8 text part and each attachment in base64 under
// its base name (audio/wav, audio/mpeg, else application/octet-stream).
//
// Threading: an object is used on one thread; any number of threads may each use their own.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CSendSMTP {
 public:
  CSendSMTP() = default;
  virtual ~CSendSMTP() = default;
  CSendSMTP(const CSendSMTP&) = delete;
  CSendSMTP& operator=(const CSendSMTP&) = delete;

  // Refused for an empty or unusable address (blanks, "/", "@" and the like have no place in a
  // host name), a port outside 1..65535 or a time-out below 1 s.
  int SetServer(std::u16string_view address, int32_t port, bool useSsl, int32_t timeoutSec);
  // Refused for an empty or unusable address. The login name may be empty.
  int SetSender(std::u16string_view address, std::u16string_view loginName, std::u16string_view password,
                bool useSpa);
  // One or more addresses separated by "," or ";"; refused when none is usable.
  int SetTo(std::u16string_view recipients);
  // An empty subject is accepted.
  int SetSubject(std::u16string_view subject);
  // An empty text is accepted.
  int SetBody(std::u16string_view text);
  // Refused when the file cannot be opened for reading. The file is opened here and read from what
  // was opened: renaming or deleting it afterwards does not change the mail. May be called several
  // times.
  int AddAttachment(std::u16string_view path);
  // Delivers the mail on the calling thread; 1 once the server has accepted it.
  int Send();

  // Why the last Send failed ("" after a success): libcurl's text and the server's last reply code.
  const std::u16string& GetLastError() const { return m_lastError; }
  // Trusts the certificates of this PEM file instead of the system's (a private server's own
  // certificate authority).
  void SetTrustedCertificates(std::string pemFile) { m_caFile = std::move(pemFile); }
  // The port that speaks TLS from the first byte (465); tests move it to the free port they got.
  void SetImplicitTlsPort(int32_t port) { m_implicitTlsPort = port; }
  // Asked on the sending thread while Send runs; true ends the exchange (the program is ending, the
  // user cancelled). Must be quick and must not block.
  void SetStopCheck(std::function<bool()> stopRequested) { m_stopRequested = std::move(stopRequested); }
  // Replaces SetServer's time-out with a finer one (tests that must see a stall quickly).
  void SetTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

 private:
  int SendWithCurl();

  std::string m_server;
  int32_t m_port = 0;
  bool m_useSsl = false;
  std::chrono::milliseconds m_timeout{0};
  std::string m_sender;
  std::string m_loginName;
  std::string m_password;
  bool m_useSpa = false;
  std::vector<std::string> m_recipients;
  std::u16string m_subject;
  std::string m_body;
  // A file to attach, open from AddAttachment until the object goes.
  struct Attachment {
    std::string path;
    int fd = -1;
    int64_t size = 0;
    int64_t offset = 0;  // where libcurl reads next
    ~Attachment();
    static size_t OnRead(char* buffer, size_t size, size_t count, void* self);
    static int OnSeek(void* self, int64_t offset, int origin);
  };
  std::vector<std::unique_ptr<Attachment>> m_attachments;
  std::string m_caFile;
  int32_t m_implicitTlsPort = 465;
  std::u16string m_lastError;
  std::function<bool()> m_stopRequested;

  bool m_serverSet = false;
  bool m_senderSet = false;
  bool m_recipientSet = false;
  bool m_subjectSet = false;
  bool m_contentSet = false;
};
