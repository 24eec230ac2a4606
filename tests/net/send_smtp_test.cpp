// The e-mail sender against a real SMTP server (aiosmtpd on 127.0.0.1), the received mail read
// back with Python's email module.
#include "net/send_smtp.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "platform/text.h"
#include "tests/support/slow_link.h"
#include "tests/support/smtp_server.h"
#include "tests/support/stalling_smtp_server.h"
#include "tests/support/temp_dir.h"

namespace {

using qav::test::ReceivedMail;
using qav::test::SmtpServer;
using qav::test::SmtpMisbehaviour;
using qav::test::SmtpServerOptions;
using qav::test::StallingSmtpServer;
using qav::test::TempDir;

// Bytes that survive only an exact transfer: every byte value, CR and LF in every order.
std::string AudioLikeBytes(size_t size) {
  std::string bytes(size, '\0');
  uint32_t x = 12345;
  for (char& b : bytes) {
    x = x * 1103515245u + 12345u;
    b = static_cast<char>(x >> 16);
  }
  return "RIFF" + bytes;
}

struct MailSettings {
  std::u16string login;
  std::u16string password;
  bool ssl = false;
  std::u16string to = u"ann@example.org";
  std::u16string subject = u"QAV voice message";
  std::u16string body = u"QAV received the following voice message: \r\n";
  std::vector<std::u16string> attachments;
  int32_t timeoutSec = 20;
  std::chrono::milliseconds timeout{0};  // when set, a finer time-out in place of timeoutSec
  bool trustServer = true;
};

SmtpServerOptions Server(std::string tls, std::string auth, int replyRcpt = 0, int replyData = 0,
                         bool stallData = false) {
  SmtpServerOptions options;
  options.tls = std::move(tls);
  options.auth = std::move(auth);
  options.replyRcpt = replyRcpt;
  options.replyData = replyData;
  options.stallData = stallData;
  return options;
}

// Sets up a sender for the port in the order both callers use, sends, and reports the result.
int SendTo(int port, const MailSettings& settings, std::u16string* error = nullptr, const std::string& tls = "",
           const std::string& certificate = "") {
  CSendSMTP mail;
  if (settings.trustServer && !tls.empty()) mail.SetTrustedCertificates(certificate);
  if (tls == "implicit") mail.SetImplicitTlsPort(port);
  if (!mail.SetServer(u"127.0.0.1", port, settings.ssl, settings.timeoutSec)) return -1;
  if (settings.timeout.count() > 0) mail.SetTimeout(settings.timeout);
  if (!mail.SetSender(u"qav@example.org", settings.login, settings.password, false)) return -2;
  if (!mail.SetTo(settings.to)) return -3;
  if (!mail.SetSubject(settings.subject)) return -4;
  if (!mail.SetBody(settings.body)) return -5;
  for (const std::u16string& path : settings.attachments) {
    if (!mail.AddAttachment(path)) return -6;
  }
  const int sent = mail.Send();
  if (error) *error = mail.GetLastError();
  return sent;
}

int Send(const SmtpServer& server, const MailSettings& settings, std::u16string* error = nullptr,
         const std::string& tls = "") {
  return SendTo(server.port(), settings, error, tls, server.certificate());
}

TEST(SendSmtp, DeliversSubjectBodyAndAttachmentExactlyToEveryRecipient) {
  SmtpServer server;
  ASSERT_TRUE(server.started());
  TempDir dir;
  const std::string wav = AudioLikeBytes(200000);
  const std::string mp3 = AudioLikeBytes(999);
  ASSERT_TRUE(qav::test::WriteFileBytes(dir.File("Msg from Zo\xc3\xab.wav"), wav));
  ASSERT_TRUE(qav::test::WriteFileBytes(dir.File("second.mp3"), mp3));

  MailSettings settings;
  settings.to = u"ann@example.org; Bob <bob@example.org>,carl@example.org";
  settings.subject = u"QAV voice message from Zo\u00eb \u041c\u0438\u0440\r\nBcc: eve@example.org on 10/12/26";
  settings.body = u"- From: Zo\u00eb (zoe.m)\r\n- Duration: 12 sec\r\n";
  settings.attachments = {qav::U16(dir.File("Msg from Zo\xc3\xab.wav")), qav::U16(dir.File("second.mp3"))};
  std::u16string error;
  ASSERT_EQ(Send(server, settings, &error), 1) << qav::U8(error);
  EXPECT_EQ(error, u"");

  const std::optional<ReceivedMail> mail = server.WaitForMail();
  ASSERT_TRUE(mail.has_value());
  EXPECT_EQ(mail->subject, "QAV voice message from Zo\u00eb \u041c\u0438\u0440  Bcc: eve@example.org on 10/12/26");
  EXPECT_EQ(mail->envelopeFrom, "qav@example.org");
  EXPECT_EQ(mail->envelopeTo, (std::vector<std::string>{"ann@example.org", "bob@example.org", "carl@example.org"}));
  EXPECT_EQ(mail->from, "qav@example.org");
  EXPECT_EQ(mail->to, "ann@example.org, Bob <bob@example.org>, carl@example.org");
  EXPECT_FALSE(mail->date.empty());
  EXPECT_FALSE(mail->messageId.empty());
  EXPECT_EQ(mail->mimeVersion, "1.0");
  EXPECT_EQ(mail->body, "- From: Zo\u00eb (zoe.m)\n- Duration: 12 sec\n");
  EXPECT_EQ(mail->bodyCharset, "utf-8");
  ASSERT_EQ(mail->attachments.size(), 2u);
  EXPECT_EQ(mail->attachments[0].fileName, "Msg from Zo\xc3\xab.wav");
  EXPECT_EQ(mail->attachments[0].contentType, "audio/wav");
  EXPECT_TRUE(mail->attachments[0].bytes == wav) << "the attachment differs from the file";
  EXPECT_EQ(mail->attachments[1].fileName, "second.mp3");
  EXPECT_EQ(mail->attachments[1].contentType, "audio/mpeg");
  EXPECT_TRUE(mail->attachments[1].bytes == mp3);
  EXPECT_EQ(mail->auth, "-");
  // No header was injected through the subject.
  EXPECT_EQ(qav::test::ReadFileBytes(mail->rawPath).find("\r\nBcc:"), std::string::npos);
}

TEST(SendSmtp, LogsInWithTheLoginNameGivenEvenAnEmptyOne) {
  {
    SmtpServer server(Server("", "qav-user:s3cr\xc3\xa9t"));
    ASSERT_TRUE(server.started());
    MailSettings settings;
    settings.login = u"qav-user";
    settings.password = u"s3cr\u00e9t";
    ASSERT_EQ(Send(server, settings), 1);
    const auto mail = server.WaitForMail();
    ASSERT_TRUE(mail.has_value());
    EXPECT_EQ(mail->auth, "qav-user");
  }
  {
    // An empty login name logs in too (AUTH LOGIN with an empty name and the password): a server
    // whose account has no name takes it.
    SmtpServer server(Server("", ":pw"));
    ASSERT_TRUE(server.started());
    MailSettings settings;
    settings.password = u"pw";
    std::u16string error;
    ASSERT_EQ(Send(server, settings, &error), 1) << qav::U8(error);
    const auto mail = server.WaitForMail();
    ASSERT_TRUE(mail.has_value());
    EXPECT_EQ(mail->auth, "");
  }
  {
    // and a server that wants another name refuses it.
    SmtpServer server(Server("", "qav-user:pw"));
    ASSERT_TRUE(server.started());
    MailSettings settings;
    settings.password = u"pw";
    EXPECT_EQ(Send(server, settings), 0);
    EXPECT_EQ(server.MailCount(), 0);
  }
}

// The header section of a received mail, its physical lines without their CR LF.
std::vector<std::string> HeaderLines(const std::string& raw) {
  std::vector<std::string> lines;
  const size_t end = raw.find("\r\n\r\n");
  size_t at = 0;
  while (at < end) {
    const size_t next = raw.find("\r\n", at);
    lines.push_back(raw.substr(at, next - at));
    at = next + 2;
  }
  return lines;
}

// The header field `name` unfolded (its continuation lines joined, the CR LF dropped).
std::string UnfoldedField(const std::vector<std::string>& lines, const std::string& name) {
  std::string field;
  bool in = false;
  for (const std::string& line : lines) {
    if (in && !line.empty() && (line[0] == ' ' || line[0] == '\t')) {
      field += line;
      continue;
    }
    in = line.rfind(name + ": ", 0) == 0;
    if (in) field = line;
  }
  return field;
}

TEST(SendSmtp, LongSubjectsAndManyRecipientsAreFoldedIntoLinesAServerTakes) {
  // A caller's long display name in the default subject, words of every length (one longer
  // than a line should be), and 60 recipients, some with names.
  std::u16string spaced = u"QAV voice message from ";
  for (int i = 0; spaced.size() < 3000; ++i) {
    spaced += i == 7 ? std::u16string(120, u'w') : std::u16string(1 + i % 13, static_cast<char16_t>(u'a' + i % 26));
    spaced += u' ';
  }
  spaced.resize(3000);
  spaced.back() = u'z';
  std::u16string to;
  std::vector<std::string> envelope;
  std::string toField = "To: ";
  for (int i = 0; i < 60; ++i) {
    const std::string address = "recipient" + std::to_string(i) + "@example.org";
    const std::string entry = i % 3 == 0 ? "Recipient Number " + std::to_string(i) + " <" + address + ">" : address;
    to += (i ? u", " : u"") + qav::U16(entry);
    toField += (i ? ", " : "") + entry;
    envelope.push_back(address);
  }
  struct Case {
    const char* name;
    std::u16string subject;
    bool plain;  // sent as it is (else as encoded words)
  };
  const Case cases[] = {
      {"3000 characters in words", spaced, true},
      {"3000 characters without a blank", std::u16string(3000, u'x'), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SmtpServer server;
    ASSERT_TRUE(server.started());
    MailSettings settings;
    settings.to = to;
    settings.subject = c.subject;
    std::u16string error;
    ASSERT_EQ(Send(server, settings, &error), 1) << qav::U8(error);
    const std::optional<ReceivedMail> mail = server.WaitForMail();
    ASSERT_TRUE(mail.has_value());
    EXPECT_EQ(mail->subject, qav::U8(c.subject));
    EXPECT_EQ(mail->envelopeTo, envelope);

    const std::vector<std::string> lines = HeaderLines(qav::test::ReadFileBytes(mail->rawPath));
    ASSERT_FALSE(lines.empty());
    bool ownField = false;  // libcurl writes the MIME lines; the program the rest
    for (const std::string& line : lines) {
      EXPECT_LE(line.size(), 998u) << line.substr(0, 80);
      if (line[0] != ' ' && line[0] != '\t') {
        ownField = false;
        for (const char* name : {"From: ", "To: ", "Subject: ", "Date: ", "Message-ID: "}) {
          if (line.rfind(name, 0) == 0) ownField = true;
        }
      }
      // Over 78 only where the line has nowhere to fold: a single word after its first blank.
      if (ownField && line.size() > 78) {
        EXPECT_EQ(line.find_first_of(" \t", line.find_first_not_of(" \t")), std::string::npos) << line;
      }
      EXPECT_NE(line.find_first_not_of(" \t"), std::string::npos) << "a line of blanks alone";
    }
    EXPECT_EQ(UnfoldedField(lines, "To"), toField);
    if (c.plain) {
      EXPECT_EQ(UnfoldedField(lines, "Subject"), "Subject: " + qav::U8(c.subject));
    }
  }
}

TEST(SendSmtp, RefusalsAndAStalledServerFailAndDeliverNothing) {
  struct Case {
    const char* name;
    SmtpServerOptions server;
    std::u16string password;
  };
  const Case cases[] = {
      {"wrong password (535)", Server("", "qav-user:right"), u"wrong"},
      {"recipient refused (550)", Server("", "", 550), u""},
      {"transaction refused (554)", Server("", "", 0, 554), u""},
      {"server stalls after the data", Server("", "", 0, 0, true), u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SmtpServer server(c.server);
    ASSERT_TRUE(server.started());
    MailSettings settings;
    if (!c.server.auth.empty()) settings.login = u"qav-user";
    settings.password = c.password;
    settings.timeoutSec = 2;
    TempDir dir;
    ASSERT_TRUE(qav::test::WriteFileBytes(dir.File("m.wav"), AudioLikeBytes(1000)));
    settings.attachments = {qav::U16(dir.File("m.wav"))};
    std::u16string error;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Send(server, settings, &error), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(server.MailCount(), 0);
    // The file is the caller's: a failed send leaves it alone.
    EXPECT_EQ(qav::test::ReadFileBytes(dir.File("m.wav")).size(), 1004u);
  }
}

TEST(SendSmtp, BothTlsModesDeliverAndAnUntrustedCertificateIsRefused) {
  for (const std::string mode : {"starttls", "implicit"}) {
    SCOPED_TRACE(mode);
    SmtpServer server(Server(mode, "u:p"));
    ASSERT_TRUE(server.started());
    MailSettings settings;
    settings.ssl = true;
    settings.login = u"u";
    settings.password = u"p";
    std::u16string error;
    ASSERT_EQ(Send(server, settings, &error, mode), 1) << qav::U8(error);
    const auto mail = server.WaitForMail();
    ASSERT_TRUE(mail.has_value());
    EXPECT_EQ(mail->tls, mode);
    EXPECT_EQ(mail->auth, "u");

    settings.trustServer = false;
    EXPECT_EQ(Send(server, settings, &error, mode), 0);
    EXPECT_FALSE(error.empty());
  }
}

TEST(SendSmtp, SslDemandsStartTlsFromAPlainServer) {
  SmtpServer server;
  ASSERT_TRUE(server.started());
  MailSettings settings;
  settings.ssl = true;
  EXPECT_EQ(Send(server, settings), 0);
  EXPECT_EQ(server.MailCount(), 0);
}

TEST(SendSmtp, EverySetterMustSucceedBeforeSendContactsTheServer) {
  TempDir dir;
  ASSERT_TRUE(qav::test::WriteFileBytes(dir.File("m.wav"), "RIFF"));
  // A peer that tells whether anybody connected to it.
  StallingSmtpServer peer(SmtpMisbehaviour::kSilent);
  ASSERT_TRUE(peer.started());
  // The set-up both callers make, against the peer, with one step of it replaced.
  struct SetUp {
    std::u16string server = u"127.0.0.1";
    int32_t port = 0;  // 0: the peer's
    std::u16string sender = u"qav@example.org";
    std::u16string to = u"a@b.c";
    bool body = true;
    std::u16string attachment;
  };
  auto setUp = [&](CSendSMTP& m, const SetUp& c) {
    int ok = m.SetServer(c.server, c.port ? c.port : peer.port(), false, 1);
    ok &= m.SetSender(c.sender, u"", u"", false) & m.SetTo(c.to) & m.SetSubject(u"");
    if (c.body) ok &= m.SetBody(u"");
    if (!c.attachment.empty()) ok &= m.AddAttachment(c.attachment);
    return ok;
  };
  struct Case {
    const char* name;
    SetUp setUp;
    int expected;  // what the set-up gives
  };
  auto with = [](auto change) {
    SetUp c;
    change(c);
    return c;
  };
  const Case cases[] = {
      {"empty recipient", with([](SetUp& c) { c.to = u""; }), 0},
      {"neither body nor attachment", with([](SetUp& c) { c.body = false; }), 1},
      {"missing attachment file", with([](SetUp& c) { c.body = false, c.attachment = u"/nonexistent/m.wav"; }), 0},
      {"header injection in the recipient", with([](SetUp& c) { c.to = u"a@b.c\r\nBcc: eve@example.org"; }), 0},
      {"server with a path", with([](SetUp& c) { c.server = u"evil/host"; }), 0},
      {"server with a login part", with([](SetUp& c) { c.server = u"user@127.0.0.1"; }), 0},
      {"empty server", with([](SetUp& c) { c.server = u""; }), 0},
      {"port 0", with([](SetUp& c) { c.port = -1; }), 0},
      {"empty sender", with([](SetUp& c) { c.sender = u""; }), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CSendSMTP mail;
    EXPECT_EQ(setUp(mail, c.setUp), c.expected);
    EXPECT_EQ(mail.Send(), 0);
    // Refused as incomplete, before any connection: not a failure of the exchange.
    EXPECT_NE(mail.GetLastError().find(u"incomplete"), std::u16string::npos) << qav::U8(mail.GetLastError());
  }
  EXPECT_FALSE(peer.WaitFor("connected", 500)) << "an incomplete mail reached the server";

  // The whole set-up does reach the peer, which never answers.
  CSendSMTP mail;
  ASSERT_EQ(setUp(mail, with([&](SetUp& c) { c.attachment = qav::U16(dir.File("m.wav")); })), 1);
  EXPECT_EQ(mail.Send(), 0);
  EXPECT_EQ(mail.GetLastError().find(u"incomplete"), std::u16string::npos);
  EXPECT_TRUE(peer.WaitFor("connected", 5000));
}

TEST(SendSmtp, AnEmptyBodyWithAnAttachmentIsSent) {
  SmtpServer server;
  ASSERT_TRUE(server.started());
  TempDir dir;
  ASSERT_TRUE(qav::test::WriteFileBytes(dir.File("m.wav"), AudioLikeBytes(10)));
  MailSettings settings;
  settings.body.clear();
  settings.attachments = {qav::U16(dir.File("m.wav"))};
  ASSERT_EQ(Send(server, settings), 1);
  const auto mail = server.WaitForMail();
  ASSERT_TRUE(mail.has_value());
  ASSERT_EQ(mail->attachments.size(), 1u);
  EXPECT_TRUE(mail->attachments[0].bytes == AudioLikeBytes(10));
}

}  // namespace

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Each way of hanging, with the step where it hangs: the greeting that never comes, the greeting
// that drips a byte a second, and the answer to the message's end that never comes.
struct Misbehaviour {
  const char* name;
  SmtpMisbehaviour mode;
  const char* hangsAt;  // the server's report of the step that hangs
};
const Misbehaviour kMisbehaviours[] = {
    {"never answers", SmtpMisbehaviour::kSilent, "connected"},
    {"drips its greeting", SmtpMisbehaviour::kDrip, "connected"},
    {"stalls after the message", SmtpMisbehaviour::kStallAfterData, "data-end"},
};

TEST(SendSmtp, EveryStepOfAHangingServerIsBoundedByTheTimeOutAndNoQuitIsWaitedFor) {
  constexpr int kTimeoutSec = 5;
  for (const Misbehaviour& m : kMisbehaviours) {
    SCOPED_TRACE(m.name);
    StallingSmtpServer server(m.mode);
    ASSERT_TRUE(server.started());
    MailSettings settings;
    settings.timeoutSec = kTimeoutSec;
    std::u16string error;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SendTo(server.port(), settings, &error), 0);
    const double seconds = SecondsSince(start);
    EXPECT_TRUE(server.WaitFor(m.hangsAt, 5000)) << "the exchange did not reach the step that hangs";
    // One bound, not one for the step and another for the QUIT after it.
    EXPECT_LT(seconds, kTimeoutSec * 1.5) << qav::U8(error);
    EXPECT_GE(seconds, kTimeoutSec - 1.0) << qav::U8(error);
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(server.WaitFor("closed", 5000)) << "the connection was left open";
  }
}

TEST(SendSmtp, AStopRequestEndsTheExchangeWithinASecondWhereverItHangs) {
  for (const Misbehaviour& m : kMisbehaviours) {
    SCOPED_TRACE(m.name);
    StallingSmtpServer server(m.mode);
    ASSERT_TRUE(server.started());
    std::atomic<bool> stop{false};
    int sent = -1;
    std::u16string error;
    std::thread sender([&] {
      CSendSMTP mail;
      mail.SetStopCheck([&stop] { return stop.load(); });
      sent = mail.SetServer(u"127.0.0.1", server.port(), false, 20) && mail.SetSender(u"qav@example.org", u"", u"", false) &&
                     mail.SetTo(u"ann@example.org") && mail.SetSubject(u"s") && mail.SetBody(u"b")
                 ? mail.Send()
                 : -2;
      error = mail.GetLastError();
    });
    EXPECT_TRUE(server.WaitFor(m.hangsAt, 20000));
    const auto stoppedAt = std::chrono::steady_clock::now();
    stop = true;
    sender.join();
    const double seconds = SecondsSince(stoppedAt);
    EXPECT_EQ(sent, 0);
    EXPECT_LT(seconds, 2.5) << "the sender went on after the stop request";
    EXPECT_NE(error.find(u"stopped"), std::u16string::npos) << qav::U8(error);
    EXPECT_TRUE(server.WaitFor("closed", 5000));
  }
}

// A file is attached as it was when it was added: what happens to its name afterwards (a voice
// message is renamed when it is heard, or deleted) does not change the mail.
TEST(SendSmtp, AnAttachmentRenamedOrDeletedOnceAddedStillGoesWhole) {
  SmtpServer server;
  ASSERT_TRUE(server.started());
  for (const bool deleted : {false, true}) {
    SCOPED_TRACE(deleted ? "deleted" : "renamed");
    TempDir dir;
    const std::string path = dir.File("zoe.m.2026.12.10.14.00.05.12.n.wav");
    ASSERT_TRUE(qav::test::WriteFileBytes(path, AudioLikeBytes(100000)));
    CSendSMTP mail;
    ASSERT_TRUE(mail.SetServer(u"127.0.0.1", server.port(), false, 20) &&
                mail.SetSender(u"qav@example.org", u"", u"", false) && mail.SetTo(u"ann@example.org") &&
                mail.SetSubject(u"s") && mail.SetBody(u"b") && mail.AddAttachment(qav::U16(path)));
    if (deleted) {
      ASSERT_EQ(unlink(path.c_str()), 0);
    } else {
      ASSERT_EQ(rename(path.c_str(), dir.File("zoe.m.2026.12.10.14.00.05.12.s.wav").c_str()), 0);
    }
    ASSERT_EQ(mail.Send(), 1) << qav::U8(mail.GetLastError());
    const auto received = server.WaitForMail();
    ASSERT_TRUE(received.has_value());
    ASSERT_EQ(received->attachments.size(), 1u);
    EXPECT_EQ(received->attachments[0].fileName, "zoe.m.2026.12.10.14.00.05.12.n.wav");
    EXPECT_TRUE(received->attachments[0].bytes == AudioLikeBytes(100000));
  }
}

// A line that takes the mail slowly but steadily is never cut, however many time-outs the mail
// takes; a line that stops taking anything ends the mail within the time-out. The server sits
// behind a slow link that takes the client's bytes at a steady rate, and stalls part-way through
// the second connection.
// The time-out is half a second, not less: on a loaded machine the link and the server (python
// processes) can be kept off the processor for a few hundred milliseconds, which a shorter one would
// take for a stall. The mail then needs some 10 s on the line to last well over fifteen time-outs (a
// bound on the whole exchange of that size must cut it), and the stall is given a generous margin
// that is still far below those fifteen time-outs.
TEST(SendSmtp, ASlowLineIsNeverCutWhileItMovesAndAStalledOneEndsWithinTheTimeOut) {
  constexpr auto kTimeout = std::chrono::milliseconds(500);
  constexpr double kTimeoutSec = std::chrono::duration<double>(kTimeout).count();
  SmtpServer server;
  ASSERT_TRUE(server.started());
  qav::test::SlowLink link({.targetPort = server.port(), .bytesPerSecond = 128 * 1024, .stallConnection = 2,
                            .stallAfterBytes = 200 * 1024});
  ASSERT_TRUE(link.started());
  TempDir dir;
  // About 1.3 MB on the line (base64): some 10 s at the link's rate, twenty time-outs.
  const std::string recording = AudioLikeBytes(960 * 1024);
  ASSERT_TRUE(qav::test::WriteFileBytes(dir.File("m.wav"), recording));
  MailSettings settings;
  settings.timeout = kTimeout;
  settings.attachments = {qav::U16(dir.File("m.wav"))};

  std::u16string error;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SendTo(link.port(), settings, &error), 1) << qav::U8(error);
  EXPECT_GT(SecondsSince(start), 15 * kTimeoutSec) << "the line was not slow enough to show anything";
  const auto mail = server.WaitForMail();
  ASSERT_TRUE(mail.has_value());
  ASSERT_EQ(mail->attachments.size(), 1u);
  EXPECT_TRUE(mail->attachments[0].bytes == recording);

  int sent = -1;
  std::thread sender([&] { sent = SendTo(link.port(), settings, &error); });
  EXPECT_TRUE(link.WaitFor("stalled 2", 20000));
  start = std::chrono::steady_clock::now();
  sender.join();
  EXPECT_EQ(sent, 0);
  EXPECT_LT(SecondsSince(start), kTimeoutSec + 2.5) << qav::U8(error);
  EXPECT_NE(error.find(u"nothing moved"), std::u16string::npos) << qav::U8(error);
  EXPECT_EQ(server.MailCount(), 1);
}

}  // namespace
