// A program that crashes on purpose, for the crash handler's tests: it starts the crash helper
// (here one that writes the crash record to a file and says the report is done), installs the
// handler and then commits the fault its first argument names.
//
//   crash_probe <segv|overflow|abort|terminate|fpe|raise> <record file> [thread]
//
// With "thread" the fault happens on a second thread.
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "platform/crash_channel.h"
#include "platform/crash_signals.h"
#include "tests/helpers/crash_faults.h"

namespace {

std::string g_recordPath;

int WriteRecordAndAnswer(int channel) {
  std::string record;
  char kind = 0;
  std::string text;
  while (qav::ReceiveCrashFrame(channel, kind, text)) {
    if (kind == qav::kCrashFrameRecord) record += text;
    if (kind != qav::kCrashFrameRecordEnd) continue;
    const int fd = open(g_recordPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0) {
      (void)!write(fd, record.data(), record.size());
      close(fd);
    }
    qav::SendCrashFrame(channel, qav::kCrashFrameDone, {});
    return 0;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  g_recordPath = argv[2];
  const int channel = qav::StartCrashHelper(WriteRecordAndAnswer);
  if (channel < 0 || !qav::InstallCrashSignals(channel)) return 3;
  const std::string kind = argv[1];
  if (argc > 3 && std::string(argv[3]) == "thread") {
    qav::test::CommitFaultOnThread(kind);
  } else {
    qav::test::CommitFault(kind);
  }
  return 4;  // the fault did not end the program
}
