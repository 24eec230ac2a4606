// The e-mail sender against a real SMTP server (aiosmtpd on 127.0.0.1), the received mail read
// back with Python's email module.
#include "net/send_smtp.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "platform/text.h"
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

TEST(SendSmtp, LogsInOnlyWithALoginName) {
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
    // An empty login name sends no AUTH, even with a password: a server that wants one refuses.
    SmtpServer server(Server("", "qav-user:pw"));
    ASSERT_TRUE(server.started());
    MailSettings settings;
    settings.password = u"pw";
    EXPECT_EQ(Send(server, settings), 0);
    EXPECT_EQ(server.MailCount(), 0);
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
  struct Case {
    const char* name;
    std::function<int(CSendSMTP&)> setUp;  // what the case does instead of the full set-up
    int expected;
  };
  auto full = [&](CSendSMTP& m, bool body, bool attachment, std::u16string to) {
    int ok = m.SetServer(u"127.0.0.1", 1, false, 1) & m.SetSender(u"qav@example.org", u"", u"", false) &
             m.SetTo(to) & m.SetSubject(u"");
    if (body) ok &= m.SetBody(u"");
    if (attachment) ok &= m.AddAttachment(qav::U16(dir.File("m.wav")));
    return ok;
  };
  const Case cases[] = {
      {"empty recipient", [&](CSendSMTP& m) { return full(m, true, false, u""); }, 0},
      {"neither body nor attachment", [&](CSendSMTP& m) { return full(m, false, false, u"a@b.c"); }, 1},
      {"missing attachment file",
       [&](CSendSMTP& m) { return full(m, false, false, u"a@b.c") & m.AddAttachment(u"/nonexistent/m.wav"); }, 0},
      {"header injection in the recipient",
       [&](CSendSMTP& m) { return full(m, true, false, u"a@b.c\r\nBcc: eve@example.org"); }, 0},
      {"server with a path", [&](CSendSMTP& m) { return m.SetServer(u"evil/host", 25, false, 20); }, 0},
      {"server with a login part", [&](CSendSMTP& m) { return m.SetServer(u"user@host", 25, false, 20); }, 0},
      {"empty server", [&](CSendSMTP& m) { return m.SetServer(u"", 25, false, 20); }, 0},
      {"port 0", [&](CSendSMTP& m) { return m.SetServer(u"host", 0, false, 20); }, 0},
      {"empty sender", [&](CSendSMTP& m) { return m.SetSender(u"", u"", u"", false); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CSendSMTP mail;
    EXPECT_EQ(c.setUp(mail), c.expected);
    // Nothing listens on port 1, but an incomplete mail is refused before any connection.
    EXPECT_EQ(mail.Send(), 0);
    if (c.expected == 1) {
      EXPECT_NE(mail.GetLastError().find(u"incomplete"), std::u16string::npos) << qav::U8(mail.GetLastError());
    }
  }
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

}  // namespace
