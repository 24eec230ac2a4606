// The voice-message notice mail: what the options make of it, and the e-mail thread sending it to
// a real SMTP server (aiosmtpd) and deleting the message afterwards on the GUI thread.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/send_smtp_thread.h"
#include "app/voice_mail_job.h"
#include "app/voice_mail_notice.h"
#include "app/worker_threads.h"
#include "calls/message.h"
#include "calls/message_collection.h"
#include "foundation/date_time.h"
#include "foundation/settings.h"
#include "platform/text.h"
#include "tests/app/voice_message_helpers.h"
#include "tests/support/call_model_fixture.h"
#include "tests/support/pump.h"
#include "tests/support/smtp_server.h"

namespace {

using qav::test::SmtpServer;

constexpr char16_t kAttached[] = u"- Voice message attached in email\r\n";
constexpr char16_t kNotAttached[] = u"- No voice message attached in email\r\n";
constexpr char16_t kDeleted[] = u"* Original voice message was deleted from QAV\r\n";

class VoiceMailTest : public qav::test::CallModelFixture {
 protected:
  void SetUp() override {
    CallModelFixture::SetUp();
    SignIn(u"me");
  }

  // A finished voice message of `seconds` from the caller, its file written.
  CMessage* AddMessage(int32_t callId, std::u16string_view handle, std::u16string_view displayName, bool contact,
                       int32_t seconds) {
    CMessage* message = qav::test::AddVoiceMessageOf(AddCall(callId), handle, displayName, contact, seconds);
    if (seconds > 0) {
      EXPECT_TRUE(qav::test::WriteFileBytes(qav::U8(message->GetFilePath()), FileBytes(callId)));
    }
    return message;
  }

  static std::string FileBytes(int32_t callId) {
    std::string bytes = "RIFF";
    for (int i = 0; i < 50000; ++i) bytes += static_cast<char>((i * 7 + callId) & 0xFF);
    return bytes;
  }

  // Mail to the server with the recording attached and deleted afterwards, from a running e-mail
  // thread whose GUI side is this test's loop.
  CWorkerThreads& StartMailing(const SmtpServer& server) {
    g_SMTPServerAddress = u"127.0.0.1";
    g_SMTPServerPort = server.port();
    g_SMTPSSLEnabled = 0;
    g_YourEMailAddress = u"me@example.org";
    g_EMailLoginName = u"";
    g_EMailLoginPass = u"";
    g_EMailNotificationAllowed = 1;
    g_EMailAttachmentAllowed = 1;
    g_AutoDelMsgAfterEMailAllowed = 1;
    workers_ = std::make_unique<CWorkerThreads>(virtualLoop.loop(), [] { return qav::Hwnd{0}; },
                                                [](std::u16string) {});
    EXPECT_TRUE(workers_->StartMailThread());
    return *workers_;
  }

  void TearDown() override {
    if (workers_) {
      EXPECT_TRUE(workers_->Stop(5000));
    }
    workers_.reset();
    CallModelFixture::TearDown();
  }

  std::unique_ptr<CWorkerThreads> workers_;

  bool MessageGone(const CMessage* message) { return !g_MessageCollection.Contains(message); }
};

TEST_F(VoiceMailTest, TheCallersOptionsDecideWhatIsSentAttachedAndDeleted) {
  struct Options {
    int notify, attach, del;
  };
  struct Case {
    const char* name;
    bool contact;
    bool useNonAuth;
    Options general;
    Options nonAuth;
    int32_t seconds;
    bool send, attach, del;
    std::u16string line;  // the attachment line of the body
  };
  const Case cases[] = {
      {"contact, all on", true, true, {1, 1, 1}, {0, 0, 0}, 12, true, true, true, kAttached},
      {"non-contact uses the ForNonAuth options", false, true, {1, 1, 1}, {1, 0, 0}, 12, true, false, false,
       kNotAttached},
      {"non-contact, ForNonAuth mailing off", false, true, {1, 1, 1}, {0, 1, 1}, 12, false, false, false, u""},
      {"non-contact without the switch uses the general options", false, false, {1, 1, 0}, {0, 0, 0}, 12, true,
       true, false, kAttached},
      {"notification off", true, false, {0, 1, 1}, {1, 1, 1}, 12, false, false, false, u""},
      {"delete without attachment keeps the message", true, false, {1, 0, 1}, {0, 0, 0}, 12, true, false, false,
       kNotAttached},
      {"a 0 s message is not attached, and deleted: it has no recording to lose", true, false, {1, 1, 1},
       {0, 0, 0}, 0, true, false, true, kNotAttached},
      {"a 0 s message without the attachment option is kept", true, false, {1, 0, 1}, {0, 0, 0}, 0, true, false,
       false, kNotAttached},
  };
  int32_t callId = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_UseNonAuthorizedCallerSettings = c.useNonAuth ? 1 : 0;
    g_EMailNotificationAllowed = c.general.notify;
    g_EMailAttachmentAllowed = c.general.attach;
    g_AutoDelMsgAfterEMailAllowed = c.general.del;
    g_EMailNotificationAllowedForNonAuth = c.nonAuth.notify;
    g_EMailAttachmentAllowedForNonAuth = c.nonAuth.attach;
    g_AutoDelMsgAfterEMailAllowedForNonAuth = c.nonAuth.del;
    CMessage* message = AddMessage(++callId, u"zoe.m", u"Zo\u00eb", c.contact, c.seconds);
    const auto job = MakeVoiceMailJob(*message);
    ASSERT_TRUE(job.has_value());
    const CVoiceMailNotice notice = ComposeVoiceMailNotice(*job);
    EXPECT_EQ(notice.send, c.send);
    EXPECT_EQ(notice.attach, c.attach);
    EXPECT_EQ(notice.deleteAfterSending, c.del);
    if (!c.send) continue;
    EXPECT_NE(notice.body.find(c.line), std::u16string::npos);
    EXPECT_EQ(notice.body.find(kDeleted) != std::u16string::npos, c.del);
  }
}

TEST_F(VoiceMailTest, SubjectBodyAndRecipientFollowTheLanguageStringsAndTheUsersChoices) {
  g_YourEMailAddress = u"me@example.org";
  g_EMailNotificationAllowed = 1;
  g_EMailAttachmentAllowed = 1;
  CMessage* message = AddMessage(7, u"zoe.m", u"Zo\u00eb", true, 12);
  const int64_t time = message->GetCall()->GetStartTime();
  const std::u16string date = FormatDate(time), clock = FormatTime(time);
  CVoiceMailNotice notice = ComposeVoiceMailNotice(*MakeVoiceMailJob(*message));
  EXPECT_EQ(notice.to, u"me@example.org");
  EXPECT_EQ(notice.subject, u"QAV voice message from Zo\u00eb on " + date + u", " + clock);
  const std::u16string head = u"QAV received the following voice message: \r\n- From: " +
                              message->GetUserDisplayNameWithHandle() + u"\r\n- Date: " + date + u"\r\n- Time: " +
                              clock + u"\r\n- Duration: 12 sec\r\n" + kAttached;
  EXPECT_EQ(notice.body.substr(0, head.size()), head);
  EXPECT_NE(notice.body.find(u"\r\n______________________________________________\r\n- QAV - Answering Machine"),
            std::u16string::npos);

  g_EMailOtherTOAddressAllow = 1;
  g_EMailOtherTOAddressText = u"a@example.org; b@example.org";
  g_EMailUserOwnSubjectLineAllow = 1;
  g_EMailUserOwnSubjectLineText = u"New message";
  notice = ComposeVoiceMailNotice(*MakeVoiceMailJob(*message));
  EXPECT_EQ(notice.to, u"a@example.org; b@example.org");
  EXPECT_EQ(notice.subject, u"New message");
}

TEST_F(VoiceMailTest, TheMailArrivesWithTheRecordingAndTheMessageIsDeletedOnTheGuiThread) {
  SmtpServer server;
  ASSERT_TRUE(server.started());
  CWorkerThreads& workers = StartMailing(server);
  // The remote party chooses its display name: it must not reach the headers as lines.
  CMessage* message = AddMessage(7, u"zoe.m", u"Zo\u00eb\r\nBcc: eve@example.org", true, 12);
  const std::string path = qav::U8(message->GetFilePath());
  const std::u16string fileName = message->GetFileName();

  ASSERT_TRUE(workers.MailVoiceMessage(message->GetId()));
  const auto mail = server.WaitForMail();
  ASSERT_TRUE(mail.has_value());
  EXPECT_EQ(mail->envelopeTo, std::vector<std::string>{"me@example.org"});
  EXPECT_EQ(mail->subject.find("QAV voice message from Zo\u00eb  Bcc: eve@example.org on "), 0u) << mail->subject;
  const std::string raw = qav::test::ReadFileBytes(mail->rawPath);
  EXPECT_EQ(raw.substr(0, raw.find("\r\n\r\n")).find("\nBcc:"), std::string::npos);
  ASSERT_EQ(mail->attachments.size(), 1u);
  EXPECT_EQ(mail->attachments[0].fileName, qav::U8(fileName));
  EXPECT_TRUE(mail->attachments[0].bytes == FileBytes(7));
  EXPECT_NE(mail->body.find("* Original voice message was deleted from QAV"), std::string::npos);

  ASSERT_TRUE(qav::test::PumpUntil(virtualLoop, [&] { return MessageGone(message); }));
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(g_CallCollection.Get(7)->GetMessage(), nullptr);
  EXPECT_EQ(mainWindow.Posts().back(),
            (qav::test::RecordingMainWindow::Posted{UM_UPDATEDLG, kPageVoiceMessages, 0}));
  EXPECT_TRUE(log.Has(LOG_INFO, u"CSendSMTPThread[ Voice Message Notification EMail Sent ]"));
}

TEST_F(VoiceMailTest, AFailedMailKeepsTheMessageAndItsFile) {
  qav::test::SmtpServerOptions refusing;
  refusing.replyData = 554;
  SmtpServer server(refusing);
  ASSERT_TRUE(server.started());
  CWorkerThreads& workers = StartMailing(server);
  CMessage* message = AddMessage(7, u"zoe.m", u"Zoe", true, 12);
  const std::string path = qav::U8(message->GetFilePath());

  ASSERT_TRUE(workers.MailVoiceMessage(message->GetId()));
  ASSERT_TRUE(qav::test::PumpUntil(virtualLoop, [&] {
    return log.Has(LOG_WARNING, u"CSendSMTPThread[ EMail Send Failed!! ]");
  }, 15000));
  EXPECT_TRUE(workers.Stop(5000));
  virtualLoop.loop().ProcessDue();  // a deletion request, had one come, is served now
  EXPECT_TRUE(g_MessageCollection.Contains(message));
  EXPECT_EQ(qav::test::ReadFileBytes(path), FileBytes(7));
  EXPECT_EQ(server.MailCount(), 0);
}

TEST_F(VoiceMailTest, AMessageDeletedWhileItIsMailedIsSkippedAndItsFileKept) {
  SmtpServer server;
  ASSERT_TRUE(server.started());
  CWorkerThreads& workers = StartMailing(server);
  CMessage* message = AddMessage(7, u"zoe.m", u"Zoe", true, 12);
  const std::string path = qav::U8(message->GetFilePath());

  const VoiceMessageId id = message->GetId();
  ASSERT_TRUE(workers.MailVoiceMessage(id));
  // The user deletes the message from the list (its file stays) before the mail is out.
  g_MessageCollection.del(message);
  ASSERT_TRUE(server.WaitForMail().has_value());
  ASSERT_TRUE(qav::test::PumpUntil(virtualLoop, [&] {
    for (const auto& line : log.Lines()) {
      if (line.message.find(u"is gone already, nothing to delete") != std::u16string::npos) return true;
    }
    return false;
  }));
  EXPECT_EQ(qav::test::ReadFileBytes(path), FileBytes(7));
  // A message no longer in the collection is not mailed at all.
  EXPECT_FALSE(workers.MailVoiceMessage(id));
}

TEST_F(VoiceMailTest, AShortMessageGoesWithoutAttachmentAndIsDeletedAfterItsMail) {
  SmtpServer server;
  ASSERT_TRUE(server.started());
  CWorkerThreads& workers = StartMailing(server);
  CMessage* message = AddMessage(7, u"zoe.m", u"Zoe", true, 0);

  ASSERT_TRUE(workers.MailVoiceMessage(message->GetId()));
  const auto mail = server.WaitForMail();
  ASSERT_TRUE(mail.has_value());
  EXPECT_TRUE(mail->attachments.empty());
  const size_t notAttached = mail->body.find("- No voice message attached in email");
  ASSERT_NE(notAttached, std::string::npos) << mail->body;
  EXPECT_NE(mail->body.find("* Original voice message was deleted from QAV", notAttached), std::string::npos)
      << mail->body;
  ASSERT_TRUE(qav::test::PumpUntil(virtualLoop, [&] { return MessageGone(message); }));
  EXPECT_EQ(g_CallCollection.Get(7)->GetMessage(), nullptr);
}

// The user hears a message (which renames its file) before its mail goes: the mail carries the
// recording under its new name. A message deleted, file and all, before its mail is a failed mail.
TEST_F(VoiceMailTest, AMessageHeardBeforeItsMailGoesWithItsRecordingAndADeletedOneFails) {
  SmtpServer server;
  ASSERT_TRUE(server.started());
  CWorkerThreads& workers = StartMailing(server);
  g_AutoDelMsgAfterEMailAllowed = 0;
  CMessage* first = AddMessage(7, u"zoe.m", u"Zoe", true, 12);
  CMessage* heard = AddMessage(8, u"ann", u"Ann", true, 9);
  CMessage* deleted = AddMessage(9, u"bob", u"Bob", true, 5);

  ASSERT_TRUE(workers.MailVoiceMessage(first->GetId()));
  // Each job is made as the message is queued; the user acts before its turn.
  const std::optional<CVoiceMailJob> heardJob = MakeVoiceMailJob(*heard);
  const std::optional<CVoiceMailJob> deletedJob = MakeVoiceMailJob(*deleted);
  ASSERT_TRUE(heardJob && deletedJob);
  const std::u16string newName = heard->GetFileName();
  heard->SetSeen(true);
  ASSERT_NE(heard->GetFileName(), newName);
  ASSERT_TRUE(std::filesystem::exists(qav::U8(heard->GetFilePath())));
  ASSERT_TRUE(std::filesystem::remove(qav::U8(deleted->GetFilePath())));
  g_MessageCollection.del(deleted);
  ASSERT_TRUE(workers.MailThread().PostSendRequest(*heardJob));
  ASSERT_TRUE(workers.MailThread().PostSendRequest(*deletedJob));

  const auto firstMail = server.WaitForMail();
  const auto heardMail = server.WaitForMail();
  ASSERT_TRUE(firstMail && heardMail);
  ASSERT_EQ(firstMail->attachments.size(), 1u);
  EXPECT_TRUE(firstMail->attachments[0].bytes == FileBytes(7));
  ASSERT_EQ(heardMail->attachments.size(), 1u);
  EXPECT_EQ(heardMail->attachments[0].fileName, qav::U8(heard->GetFileName()));
  EXPECT_TRUE(heardMail->attachments[0].bytes == FileBytes(8));
  ASSERT_TRUE(qav::test::PumpUntil(virtualLoop, [&] {
    return log.Has(LOG_WARNING, u"CSendSMTPThread[ EMail Send Failed!! ]");
  }, 15000));
  EXPECT_TRUE(workers.Stop(5000));
  EXPECT_EQ(server.MailCount(), 2);
  // Both mailed messages stay as the user left them (no deletion was asked for).
  EXPECT_TRUE(g_MessageCollection.Contains(heard));
  EXPECT_EQ(qav::test::ReadFileBytes(qav::U8(heard->GetFilePath())), FileBytes(8));
}

}  // namespace
