#include <gtest/gtest.h>

#include <sys/wait.h>

#include <csignal>
#include <string>

#include "platform/crash_record.h"
#include "tests/support/child_process.h"
#include "tests/support/command_output.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/support/web_stand_in.h"

using qav::test::CommandOutput;
using qav::test::ReadFileBytes;
using qav::test::TempDir;
using qav::test::WriteFileBytes;

namespace {

// A program that really crashes: its helper uploads the report to the web server before the
// program ends with its own signal; the ZIP holds the crash record, the system information and
// the settings without the mail password.
TEST(CrashReport, ARealCrashIsUploadedBeforeTheProgramEndsWithItsSignal) {
  const struct {
    const char* fault;
    bool onThread;
    int signal;
    const char* exception;
  } cases[] = {
      {"segv", false, SIGSEGV, "EXCEPTION_ACCESS_VIOLATION"},
      {"overflow", true, SIGSEGV, "EXCEPTION_STACK_OVERFLOW"},
      {"abort", false, SIGABRT, "EXCEPTION_UNKNOWN"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    TempDir dir;
    qav::test::ScopedEnv temp("QAV_TEMP_DIR", dir.File("temp"));
    qav::test::WebStandIn server;
    ASSERT_TRUE(server.started());
    const std::string settings = dir.File("QAV.ini");
    ASSERT_TRUE(WriteFileBytes(settings, "[Settings]\nEMailLoginPass=0A1B2C3D4E5F\nEMailNotify=1\n"));

    std::vector<std::string> arguments = {c.fault, server.BaseUrl() + "qav/applinks/report/index.php", settings};
    if (c.onThread) arguments.push_back("thread");
    qav::test::ChildProcess probe(QAV_CRASH_REPORT_PROBE, arguments);
    ASSERT_TRUE(probe.started());
    const auto status = probe.WaitForExit(30000);
    ASSERT_TRUE(status);
    ASSERT_TRUE(WIFSIGNALED(*status)) << "exit status " << *status;
    EXPECT_EQ(WTERMSIG(*status), c.signal);

    EXPECT_EQ(server.Read("upload-1/field-Subject"), "Crash Report for Zarvelin QAV [5.0.0.1]");
    const std::string parts = server.Read("upload-1/parts.tsv");
    ASSERT_NE(parts.find("Attachment\t"), std::string::npos) << parts;
    const std::string zipName = CommandOutput("ls '" + server.File("upload-1") + "' | grep '^QAV.*\\.tmp$'");
    ASSERT_FALSE(zipName.empty()) << parts;
    const std::string zip = server.File("upload-1/" + zipName.substr(0, zipName.size() - 1));
    EXPECT_EQ(CommandOutput("unzip -tq '" + zip + "'").find("No errors detected"), 0u);

    const auto record = qav::ParseCrashRecord(CommandOutput("unzip -p '" + zip + "' 'Zarvelin QAV.dmp'"));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->processId, probe.pid());
    EXPECT_EQ(record->signal, c.signal);
    EXPECT_EQ(record->exceptionName, c.exception);
    const std::string xml = CommandOutput("unzip -p '" + zip + "' 'Zarvelin QAV.xml' | iconv -f UTF-16 -t UTF-8");
    EXPECT_NE(xml.find(std::string("ExceptionDescription=\"") + c.exception + "\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("qav_crash_report_probe"), std::string::npos);
    EXPECT_EQ(CommandOutput("unzip -p '" + zip + "' \"User's QAV.ini\""),
              "[Settings]\nEMailLoginPass=\nEMailNotify=1\n");
    EXPECT_NE(ReadFileBytes(settings).find("0A1B2C3D4E5F"), std::string::npos);
  }
}

// The helper asks with the dialog it was given: Don't Send sends nothing, and the program still
// ends with its signal.
TEST(CrashReport, TheHelpersDialogCanDecline) {
  TempDir dir;
  qav::test::ScopedEnv temp("QAV_TEMP_DIR", dir.File("temp"));
  qav::test::WebStandIn server;
  ASSERT_TRUE(server.started());
  ASSERT_TRUE(WriteFileBytes(dir.File("QAV.ini"), "[Settings]\n"));
  qav::test::ChildProcess probe(QAV_CRASH_REPORT_PROBE, {"abort", server.BaseUrl() + "qav/applinks/report/index.php",
                                                         dir.File("QAV.ini"), "dont-send"});
  ASSERT_TRUE(probe.started());
  const auto status = probe.WaitForExit(30000);
  ASSERT_TRUE(status);
  ASSERT_TRUE(WIFSIGNALED(*status));
  EXPECT_EQ(WTERMSIG(*status), SIGABRT);
  EXPECT_EQ(server.Read("request-1.raw"), "");  // nothing reached the server
}

}  // namespace
