#include <gtest/gtest.h>

#include <sys/wait.h>

#include <csignal>
#include <string>

#include "platform/crash_exception.h"
#include "platform/crash_record.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

using namespace qav;

namespace {

TEST(CrashException, EachFatalSignalMapsToItsExceptionCodeAndName) {
  struct Case {
    int signal;
    int code;
    bool stackOverflow;
    bool terminate;
    uint32_t exceptionCode;
    const char* name;
  } cases[] = {
      {SIGSEGV, SEGV_MAPERR, false, false, 0xC0000005, "EXCEPTION_ACCESS_VIOLATION"},
      {SIGSEGV, SEGV_ACCERR, false, false, 0xC0000005, "EXCEPTION_ACCESS_VIOLATION"},
      {SIGSEGV, SEGV_MAPERR, true, false, 0xC00000FD, "EXCEPTION_STACK_OVERFLOW"},
      {SIGBUS, BUS_ADRALN, false, false, 0x80000002, "EXCEPTION_DATATYPE_MISALIGNMENT"},
      {SIGBUS, BUS_ADRERR, false, false, 0xC0000006, "EXCEPTION_IN_PAGE_ERROR"},
      {SIGILL, ILL_ILLOPC, false, false, 0xC000001D, "EXCEPTION_ILLEGAL_INSTRUCTION"},
      {SIGILL, ILL_PRVOPC, false, false, 0xC0000096, "EXCEPTION_PRIV_INSTRUCTION"},
      {SIGFPE, FPE_INTDIV, false, false, 0xC0000094, "EXCEPTION_INT_DIVIDE_BY_ZERO"},
      {SIGFPE, FPE_INTOVF, false, false, 0xC0000095, "EXCEPTION_INT_OVERFLOW"},
      {SIGFPE, FPE_FLTDIV, false, false, 0xC000008E, "EXCEPTION_FLT_DIVIDE_BY_ZERO"},
      {SIGFPE, FPE_FLTOVF, false, false, 0xC0000091, "EXCEPTION_FLT_OVERFLOW"},
      {SIGFPE, FPE_FLTUND, false, false, 0xC0000093, "EXCEPTION_FLT_UNDERFLOW"},
      {SIGFPE, FPE_FLTRES, false, false, 0xC000008F, "EXCEPTION_FLT_INEXACT_RESULT"},
      {SIGFPE, FPE_FLTINV, false, false, 0xC0000090, "EXCEPTION_FLT_INVALID_OPERATION"},
      {SIGFPE, FPE_FLTSUB, false, false, 0xC000008C, "EXCEPTION_ARRAY_BOUNDS_EXCEEDED"},
      {SIGTRAP, TRAP_BRKPT, false, false, 0x80000003, "EXCEPTION_BREAKPOINT"},
      {SIGTRAP, TRAP_TRACE, false, false, 0x80000004, "EXCEPTION_SINGLE_STEP"},
      {SIGABRT, SI_TKILL, false, false, kExceptionAbort, "EXCEPTION_UNKNOWN"},
      {SIGABRT, SI_TKILL, false, true, kExceptionUncaughtCxx, "EXCEPTION_UNKNOWN"},
      {SIGSYS, 1, false, false, kExceptionBadSystemCall, "EXCEPTION_UNKNOWN"},
  };
  for (const Case& c : cases) {
    const CrashException exception = ExceptionForSignal(c.signal, c.code, c.stackOverflow, c.terminate);
    EXPECT_EQ(exception.code, c.exceptionCode) << c.name << " from signal " << c.signal << " code " << c.code;
    EXPECT_STREQ(exception.name, c.name) << "signal " << c.signal << " code " << c.code;
  }
  // The names of codes no signal produces are there for reports of every origin.
  EXPECT_STREQ(ExceptionName(0xC0000008), "EXCEPTION_INVALID_HANDLE");
  EXPECT_STREQ(ExceptionName(0x80000001), "EXCEPTION_GUARD_PAGE");
  EXPECT_STREQ(ExceptionName(0x12345678), "EXCEPTION_UNKNOWN");
}

TEST(CrashRecord, AHalfWrittenRecordIsRefused) {
  const std::string whole = std::string(kCrashRecordHeader) +
                            "\nprocess 12\nsignal 11 SIGSEGV\nexception 0xc0000005 EXCEPTION_ACCESS_VIOLATION\n"
                            "register rip 0x401000\nframe 0x401000\nframe 0x401100\n"
                            "module 0x400000 0x2000 - /opt/my qav/qav\nfuture-line 1\nend\n";
  const auto record = ParseCrashRecord(whole);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->processId, 12);
  EXPECT_EQ(record->signalName, "SIGSEGV");
  EXPECT_EQ(record->exceptionCode, 0xC0000005u);
  ASSERT_EQ(record->frames.size(), 2u);
  ASSERT_EQ(record->modules.size(), 1u);
  EXPECT_EQ(record->modules[0].path, "/opt/my qav/qav");  // blanks in a path survive
  EXPECT_EQ(record->modules[0].buildId, "");
  EXPECT_FALSE(ParseCrashRecord(whole.substr(0, whole.size() - 4)));
  EXPECT_FALSE(ParseCrashRecord("core dumped\nend\n"));
}

struct ProbeCase {
  const char* fault;
  bool onThread;
  int signal;
  const char* exceptionName;
  const char* cause;
};

// The probe program crashes for real; the handler must hand a whole record to the helper and the
// process must still end with the original signal.
TEST(CrashSignals, ARealCrashWritesItsRecordAndEndsWithItsSignal) {
  const ProbeCase cases[] = {
      {"segv", false, SIGSEGV, "EXCEPTION_ACCESS_VIOLATION", "signal"},
      {"segv", true, SIGSEGV, "EXCEPTION_ACCESS_VIOLATION", "signal"},
      {"overflow", false, SIGSEGV, "EXCEPTION_STACK_OVERFLOW", "signal"},
      {"overflow", true, SIGSEGV, "EXCEPTION_STACK_OVERFLOW", "signal"},
      {"abort", false, SIGABRT, "EXCEPTION_UNKNOWN", "signal"},
      {"terminate", true, SIGABRT, "EXCEPTION_UNKNOWN", "terminate"},
      {"fpe", false, SIGFPE, "EXCEPTION_INT_DIVIDE_BY_ZERO", "signal"},
      {"raise", false, SIGSEGV, "EXCEPTION_ACCESS_VIOLATION", "signal"},
  };
  for (const ProbeCase& c : cases) {
    SCOPED_TRACE(std::string(c.fault) + (c.onThread ? " on a thread" : ""));
    qav::test::TempDir dir;
    const std::string recordPath = dir.File("record.txt");
    std::vector<std::string> arguments = {c.fault, recordPath};
    if (c.onThread) arguments.push_back("thread");
    qav::test::ChildProcess probe(QAV_CRASH_PROBE, arguments);
    ASSERT_TRUE(probe.started());
    const auto status = probe.WaitForExit(20000);
    ASSERT_TRUE(status);
    ASSERT_TRUE(WIFSIGNALED(*status)) << "exit status " << *status;
    EXPECT_EQ(WTERMSIG(*status), c.signal);

    const auto record = ParseCrashRecord(qav::test::ReadFileBytes(recordPath));
    ASSERT_TRUE(record) << qav::test::ReadFileBytes(recordPath);
    EXPECT_EQ(record->processId, probe.pid());
    EXPECT_EQ(record->signal, c.signal);
    EXPECT_EQ(record->exceptionName, c.exceptionName);
    EXPECT_EQ(record->cause, c.cause);
    EXPECT_NE(record->program.find("qav_crash_probe"), std::string::npos);
    EXPECT_FALSE(record->frames.empty());
    ASSERT_FALSE(record->modules.empty());
    EXPECT_EQ(record->modules[0].path, record->program);
    EXPECT_FALSE(record->modules[0].buildId.empty());
#if defined(__x86_64__) || defined(__aarch64__)
    EXPECT_FALSE(record->registers.empty());
    if (c.signal == SIGSEGV && std::string(c.fault) != "raise") {
      // The faulting instruction lies in the program's own code.
      const CrashRecordModule& program = record->modules[0];
      EXPECT_GE(record->instructionAddress, program.base);
      EXPECT_LT(record->instructionAddress, program.base + program.size);
    }
#endif
    if (std::string(c.fault) == "terminate") {
      EXPECT_EQ(record->terminateMessage, "nobody caught this");
    }
  }
}

}  // namespace
