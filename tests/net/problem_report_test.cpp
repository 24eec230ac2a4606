#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "foundation/language_tables.h"
#include "net/crash_report_context.h"
#include "net/report_dialog.h"
#include "net/report_upload.h"
#include "net/rpt_handler.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "tests/support/command_output.h"
#include "tests/support/scoped_env.h"
#include "tests/support/slow_link.h"
#include "tests/support/small_tmpfs.h"
#include "tests/support/temp_dir.h"
#include "tests/support/web_stand_in.h"

using qav::test::CommandOutput;
using qav::test::ReadFileBytes;
using qav::test::ScopedEnv;
using qav::test::TempDir;
using qav::test::WriteFileBytes;

namespace {

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// An address on 127.0.0.1 where nothing listens: a server that refuses the upload.
std::u16string RefusingUrl() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return qav::Format(u"http://127.0.0.1:%u/qav/applinks/report/index.php", ntohs(address.sin_port));
}

class RecordingBoxes : public qav::MessageBoxHandler {
 public:
  explicit RecordingBoxes(int answer) : answer_(answer) { qav::SetMessageBoxHandler(this); }
  ~RecordingBoxes() override { qav::SetMessageBoxHandler(nullptr); }
  int Show(std::u16string_view text, std::u16string_view caption, uint32_t type) override {
    boxes.push_back(qav::U8(caption) + "|" + qav::U8(text));
    types.push_back(type);
    return answer_;
  }
  std::vector<std::string> boxes;
  std::vector<uint32_t> types;

 private:
  int answer_;
};

class ScriptedDialog : public CReportDialog {
 public:
  int Show(bool crash, qav::Hwnd, CReportDialogAnswer& answer) override {
    shownForCrash.push_back(crash);
    answer = next;
    return result;
  }
  CReportDialogAnswer next;
  int result = 1;
  std::vector<bool> shownForCrash;
};

class ProblemReport : public ::testing::Test {
 protected:
  ProblemReport()
      : report_(u"Zarvelin QAV", u"QAV", {RefusingUrl(), u"support@example.invalid"},
                [this](CRptHandler& report, bool crash) {
                  ++addFilesCalls_;
                  WriteFileBytes(dir_.File("QAVLog.txt"), "the memory log");
                  report.AddFile(qav::U16(dir_.File("QAVLog.txt")), u"QAV Debug Log", true);
                  report.AddFile(qav::U16(dir_.File("no such file")), u"Missing", true);  // adds nothing
                  report.AddSettingsFile(qav::U16(dir_.File("global/QAV.ini")), u"Global QAV.ini");
                  report.AddSettingsFile(qav::U16(dir_.File("user/QAV.ini")), u"User's QAV.ini");
                  report.AddTextInfo(crash ? u"Crash Report for Zarvelin QAV [5.0.0.1]"
                                           : u"Problem Report for Zarvelin QAV [5.0.0.1]",
                                     u"\r\nApp Version: 5.0.0.1");
                  return addFilesResult_;
                },
                [this](CRptHandler&, bool crash) { terminations_.push_back(crash); }) {
    mkdir(dir_.File("global").c_str(), 0700);
    mkdir(dir_.File("user").c_str(), 0700);
    WriteFileBytes(dir_.File("global/QAV.ini"), "[Settings]\r\nLanguage=EN\r\n");
    WriteFileBytes(dir_.File("user/QAV.ini"),
                   "[Settings]\nEMailAddress=me@example.invalid\n  emailloginpass = 0A1B2C3D4E5F\nEMailNotify=1\n");
    WriteFileBytes(dir_.File("shot.png"), "\x89PNG picture");
    LoadDefaultLangLib();
  }

  std::string Saved() const { return dir_.File("Zarvelin QAV Report Log.zip"); }
  std::string Listing(const std::string& zip) const { return CommandOutput("LC_ALL=C.UTF-8 zipinfo -1 '" + zip + "'"); }

  TempDir dir_;
  ScopedEnv tempFolder_{"QAV_TEMP_DIR", dir_.path()};
  CRptHandler report_;
  int addFilesResult_ = 1;
  int addFilesCalls_ = 0;
  std::vector<bool> terminations_;
};

// A report the server refuses is kept whole as the saved copy, and the message names it; the next
// report carries none of the first one's attachments; the mail password never leaves the machine.
TEST_F(ProblemReport, ARefusedReportIsKeptAndTheNextStartsFromNothing) {
  RecordingBoxes boxes(qav::IDOK);
  ScriptedDialog dialog;
  dialog.next = {u"me@example.invalid", u"It stopped answering", {qav::U16(dir_.File("shot.png"))}};
  report_.SetDialog(&dialog);

  EXPECT_EQ(report_.GenerateReport(false, 0x10001, nullptr), 0);
  EXPECT_EQ(report_.SavedReportPath(), qav::U16(Saved()));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0], "Zarvelin QAV|QAV failed to send the report.\r\n\r\nA saved copy of the report is in '" +
                                Saved() +
                                "'.\r\nPlease email it to support@example.invalid with a short description of what you "
                                "were doing when the problem occurred.");
  EXPECT_EQ(boxes.types[0], qav::MB_OK | qav::MB_ICONSTOP);
  EXPECT_EQ(CommandOutput("unzip -tq '" + Saved() + "'").find("No errors detected"), 0u);
  const std::string first = Listing(Saved());
  for (const char* entry : {"shot.png", "QAVLog.txt", "Global QAV.ini", "User's QAV.ini", "Zarvelin QAV.dmp",
                            "Zarvelin QAV.xml"}) {
    EXPECT_NE(first.find(entry), std::string::npos) << entry << " in\n" << first;
  }
  const std::string userCopy = CommandOutput("unzip -p '" + Saved() + "' \"User's QAV.ini\"");
  EXPECT_EQ(userCopy, "[Settings]\nEMailAddress=me@example.invalid\nEMailLoginPass=\nEMailNotify=1\n");
  EXPECT_NE(ReadFileBytes(dir_.File("user/QAV.ini")).find("0A1B2C3D4E5F"), std::string::npos);  // the user's file

  // What the report made for itself is gone; what the user attached is not.
  for (const char* made : {"QAVLog.txt", "Zarvelin QAV.dmp", "Zarvelin QAV.xml", "User's QAV.ini"}) {
    EXPECT_FALSE(Exists(dir_.File(made))) << made;
  }
  EXPECT_TRUE(Exists(dir_.File("shot.png")));
  EXPECT_EQ(CommandOutput("ls '" + dir_.path() + "' | grep -c '^QAV.*\\.tmp$'"), "0\n");  // no temporary ZIP left

  dialog.next = {u"", u"Again", {}};
  EXPECT_EQ(report_.GenerateReport(false, 0x10001, nullptr), 0);
  EXPECT_EQ(Listing(Saved()).find("shot.png"), std::string::npos);
  EXPECT_EQ(report_.Files().count(qav::U16(dir_.File("shot.png"))), 0u);
  EXPECT_EQ(report_.Files().count(qav::U16(dir_.File("no such file"))), 0u);
  EXPECT_EQ(terminations_, (std::vector<bool>{false, false}));
  EXPECT_EQ(dialog.shownForCrash, (std::vector<bool>{false, false}));
}

// When the saved copy cannot be made, the temporary ZIP is the copy: it is kept, and named.
TEST_F(ProblemReport, AReportThatCannotBeCopiedKeepsItsTemporaryZip) {
  RecordingBoxes boxes(qav::IDYES);
  ASSERT_EQ(mkdir(Saved().c_str(), 0700), 0);  // a folder where the copy would go
  EXPECT_EQ(report_.GenerateReport(false, 0, nullptr), 0);
  const std::string kept = qav::U8(report_.SavedReportPath());
  EXPECT_EQ(kept.rfind(dir_.File("QAV"), 0), 0u) << kept;
  EXPECT_EQ(CommandOutput("unzip -tq '" + kept + "'").find("No errors detected"), 0u) << kept;
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_NE(boxes.boxes[1].find("A saved copy of the report is in '" + kept + "'."), std::string::npos);
  EXPECT_FALSE(Exists(dir_.File("QAVLog.txt")));  // the ZIP holds it
}

// A sent report reaches the server as one multipart form: the subject, the body with the user's
// contact and description, and the ZIP, which unpacks; nothing of it stays behind.
TEST_F(ProblemReport, ASentReportReachesTheServerAndLeavesNothingBehind) {
  qav::test::WebStandIn server;
  ASSERT_TRUE(server.started());
  RecordingBoxes boxes(qav::IDOK);
  ScriptedDialog dialog;
  dialog.next = {u"me@example.invalid", u"It stopped answering", {}};
  CRptHandler report(u"Zarvelin QAV", u"QAV",
                     {server.BaseUrl16() + u"qav/applinks/report/index.php", u"support@example.invalid"},
                     [this](CRptHandler& handler, bool) {
                       handler.AddSettingsFile(qav::U16(dir_.File("user/QAV.ini")), u"User's QAV.ini");
                       handler.AddTextInfo(u"Problem Report for Zarvelin QAV [5.0.0.1]", u"\r\nApp Version: 5.0.0.1");
                       return 1;
                     },
                     nullptr);
  report.SetDialog(&dialog);
  EXPECT_EQ(report.GenerateReport(false, 0, nullptr), 1);
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_TRUE(report.SavedReportPath().empty());

  EXPECT_NE(server.Read("request-1.raw").find("POST /qav/applinks/report/index.php HTTP/1.1"), std::string::npos);
  const std::string parts = server.Read("upload-1/parts.tsv");
  const size_t attachment = parts.find("Attachment\t");
  const size_t body = parts.find("Body\t");
  const size_t subject = parts.find("Subject\t");
  ASSERT_NE(attachment, std::string::npos) << parts;
  EXPECT_LT(attachment, body);
  EXPECT_LT(body, subject);
  EXPECT_EQ(server.Read("upload-1/field-Subject"), "Problem Report for Zarvelin QAV [5.0.0.1]");
  EXPECT_EQ(server.Read("upload-1/field-Body"),
            "\r\nApp Version: 5.0.0.1\r\n\r\nUsers Contact: me@example.invalid\r\n\r\nUsers Description: \r\nIt "
            "stopped answering");
  const std::string zipName = parts.substr(attachment).substr(11, parts.find('\t', attachment + 11) - attachment - 11);
  const std::string zip = server.File("upload-1/" + zipName.substr(zipName.rfind('/') + 1));
  EXPECT_EQ(CommandOutput("unzip -tq '" + zip + "'").find("No errors detected"), 0u) << zip;
  EXPECT_EQ(CommandOutput("unzip -p '" + zip + "' \"User's QAV.ini\"").find("0A1B2C3D4E5F"), std::string::npos);
  EXPECT_EQ(CommandOutput("ls -A '" + dir_.path() + "'"), "global\nshot.png\nuser\n");  // nothing left behind
}

// Without a dialog the report asks with a Yes/No box; No sends nothing and leaves nothing behind.
TEST_F(ProblemReport, WithoutADialogTheBoxAsksAndNoSendsNothing) {
  RecordingBoxes boxes(qav::IDNO);
  EXPECT_EQ(report_.GenerateReport(true, 0, nullptr), 0);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0],
            "Zarvelin QAV|Zarvelin QAV has encountered a problem and needs to close.\n\nWe have created a report "
            "that can help us impove and stabilize future releases.\nWe will treat this report as confidential and "
            "anonymous.\n\nWould you like to send this information?");
  EXPECT_EQ(boxes.types[0], qav::MB_YESNO | qav::MB_ICONSTOP);
  EXPECT_FALSE(Exists(Saved()));
  EXPECT_EQ(terminations_, (std::vector<bool>{true}));

  EXPECT_EQ(report_.GenerateReport(false, 0, nullptr), 0);
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].rfind("Zarvelin QAV|Zarvelin QAV Problem Report.\n\n", 0), 0u) << boxes.boxes[1];
}

// A dialog that cannot be shown falls back to the box; a callback below 1 stops before asking.
TEST_F(ProblemReport, AFailedDialogFallsBackAndAStoppingCallbackAsksNothing) {
  struct BrokenDialog : CReportDialog {
    int Show(bool, qav::Hwnd, CReportDialogAnswer&) override { throw std::runtime_error("no display"); }
  } broken;
  RecordingBoxes boxes(qav::IDNO);
  report_.SetDialog(&broken);
  EXPECT_EQ(report_.GenerateReport(false, 0, nullptr), 0);
  EXPECT_EQ(boxes.boxes.size(), 1u);

  addFilesResult_ = 0;
  EXPECT_EQ(report_.GenerateReport(false, 0, nullptr), 0);
  EXPECT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(addFilesCalls_, 2);
  EXPECT_EQ(terminations_.size(), 2u);
}

// A ZIP that does not fit in the temporary folder is never taken for a report: the subject and body
// go without it; when they cannot go either, nothing is saved and the message does not claim a
// saved copy. In a child's own mount namespace, on a small tmpfs as the temporary folder.
TEST(ProblemReportOnAFullDisk, WithoutAZipTheTextGoesAloneAndNoSavedCopyIsClaimed) {
  TempDir dir;
  ASSERT_TRUE(WriteFileBytes(dir.File("big.log"), qav::test::NoiseBytes(512 * 1024, 11)));
  const std::string small = dir.File("small");
  mkdir(small.c_str(), 0700);
  const auto result = qav::test::RunOnSmallTmpfs(small, "128k", [&] {
    setenv("QAV_TEMP_DIR", small.c_str(), 1);
    LoadDefaultLangLib();
    qav::test::WebStandIn server;
    if (!server.started()) return 1;
    for (const bool taken : {false, true}) {
      RecordingBoxes boxes(qav::IDYES);
      const std::u16string url =
          taken ? server.BaseUrl16() + u"qav/applinks/report/index.php" : RefusingUrl();
      CRptHandler report(u"Zarvelin QAV", u"QAV", {url, u"support@example.invalid"},
                         [&](CRptHandler& handler, bool) {
                           handler.AddFile(qav::U16(dir.File("big.log")), u"QAV Debug Log", false);
                           handler.AddTextInfo(u"Problem Report for Zarvelin QAV [5.0.0.1]", u"\r\nApp Version: 5.0.0.1");
                           return 1;
                         },
                         nullptr);
      if (report.GenerateReport(false, 0, nullptr) != (taken ? 1 : 0)) return 2;
      if (access((small + "/Zarvelin QAV Report Log.zip").c_str(), F_OK) == 0) return 3;  // no copy of a torn ZIP
      if (!report.SavedReportPath().empty()) return 4;
      if (CommandOutput("ls '" + small + "' | grep -c '^QAV.*\\.tmp$'") != "0\n") return 5;  // no torn ZIP left
      if (taken) {
        if (boxes.boxes.size() != 1) return 6;  // the question alone
        const std::string parts = server.Read("upload-1/parts.tsv");
        if (parts.find("Attachment\t") != std::string::npos || parts.find("Body\t") == std::string::npos) return 7;
        if (server.Read("upload-1/field-Subject") != "Problem Report for Zarvelin QAV [5.0.0.1]") return 8;
      } else {
        if (boxes.boxes.size() != 2) return 9;  // the question, then the failure
        if (boxes.boxes[1] != "Zarvelin QAV|QAV failed to send the report.\r\n\r\nPlease email it to "
                              "support@example.invalid with a short description of what you were doing when the "
                              "problem occurred.") {
          fprintf(stderr, "the message: %s\n", boxes.boxes[1].c_str());
          return 10;
        }
      }
    }
    return 0;
  });
  if (!result) GTEST_SKIP() << "cannot mount a tmpfs here (needs root or a mount namespace)";
  EXPECT_EQ(*result, 0);
}

// A server that reads the upload four bytes a second is never slow enough for the stall bound; the
// bound on the whole exchange ends the upload as a failure instead of the hours the ZIP would take.
// (A watchdog stops the upload after 20 s should the bound not hold.)
TEST(ReportUpload, AnUploadTheServerDripsInIsCutOffAtTheWholeExchangeBound) {
  qav::test::WebStandIn server({"--misbehave", "drip"});
  ASSERT_TRUE(server.started());
  TempDir dir;
  // More than the connection's buffers hold, so the client has to wait for the server to read.
  ASSERT_TRUE(WriteFileBytes(dir.File("report.zip"), qav::test::NoiseBytes(16 * 1024 * 1024, 5)));
  std::atomic<bool> abort{false}, done{false}, watchdogFired{false};
  std::thread watchdog([&] {
    for (int i = 0; i < 200 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (!done) {
      watchdogFired = true;
      abort = true;
    }
  });
  const qav::net::HttpTimeouts timeouts{.connectMs = 5000, .stallMs = 30000, .totalMs = 1500};
  const int sent = UploadReport(server.BaseUrl16() + u"qav/applinks/report/index.php", u"Subject", u"Body",
                                qav::U16(dir.File("report.zip")), &abort, {}, timeouts);
  done = true;
  watchdog.join();
  EXPECT_EQ(sent, 0);
  EXPECT_FALSE(watchdogFired) << "the upload ran past its bound";
}

// A report on a line that takes it slowly but steadily is never cut, however many time-outs it
// takes; one on a line that stops taking anything fails within the time-out. The web server sits
// behind a slow link that stalls part-way through the second connection.
// The time-out is half a second, not less: on a loaded machine the link and the server (python
// processes) can be kept off the processor for a few hundred milliseconds, which a shorter one would
// take for a stall. The report then needs some 10 s on the line to last well over fifteen time-outs
// (a bound on the whole exchange of that size must cut it), and the stall is given a generous margin
// that is still far below those fifteen time-outs.
TEST(ReportUpload, ASlowLineIsNeverCutWhileItMovesAndAStalledOneEndsWithinTheTimeOut) {
  constexpr int32_t kTimeoutMs = 500;
  qav::test::WebStandIn server;
  ASSERT_TRUE(server.started());
  qav::test::SlowLink link({.targetPort = static_cast<int>(server.port()), .bytesPerSecond = 128 * 1024,
                            .stallConnection = 2, .stallAfterBytes = 100 * 1024});
  ASSERT_TRUE(link.started());
  TempDir dir;
  // Some 10 s at the link's rate: twenty time-outs.
  const std::string zip = qav::test::NoiseBytes(1280 * 1024, 7);
  ASSERT_TRUE(WriteFileBytes(dir.File("report.zip"), zip));
  const std::u16string url = qav::Utf8ToUtf16("http://127.0.0.1:" + std::to_string(link.port()) + "/qav/applinks/report/index.php");

  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(UploadReport(url, u"Subject", u"Body", qav::U16(dir.File("report.zip")), nullptr, {},
                         ReportUploadTimeouts(kTimeoutMs)),
            1);
  EXPECT_GT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(15 * kTimeoutMs))
      << "the line was not slow enough to show anything";
  EXPECT_TRUE(server.Read("upload-1/report.zip") == zip);

  int sent = -1;
  std::thread uploader([&] {
    sent = UploadReport(url, u"Subject", u"Body", qav::U16(dir.File("report.zip")), nullptr, {},
                        ReportUploadTimeouts(kTimeoutMs));
  });
  EXPECT_TRUE(link.WaitFor("stalled 2", 20000));
  start = std::chrono::steady_clock::now();
  uploader.join();
  EXPECT_EQ(sent, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kTimeoutMs + 2500));
}

TEST(CrashReportContext, SurvivesTheChannelWithEveryCharacter) {
  CCrashReportContext context;
  context.files = {{u"/home/me/.config/qav/QAV.ini", u"Global QAV.ini", false, true},
                   {u"/tmp/odd\tname\\with\nlines", u"QAV Debug Log", true, false}};
  context.subject = u"Crash Report for Zarvelin QAV [5.0.0.1]";
  context.body = u"\r\nDate: Dec 10, 2026, 14:00\r\nUsers Fullname: Zoë";
  const auto back = CCrashReportContext::Parse(context.Serialize());
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, context);
  EXPECT_FALSE(CCrashReportContext::Parse("file\t/x\tdesc\t1\n"));
}

}  // namespace
