#include "foundation/run_process.h"

#include "foundation/logger.h"
#include "platform/process.h"

namespace {

qav::ProcessLaunch MakeLaunch(std::u16string_view program, std::u16string_view arguments,
                              std::u16string_view folder) {
  qav::ProcessLaunch launch;
  launch.program = program;
  launch.arguments = qav::SplitWindowsArguments(arguments);
  launch.folder = folder;
  return launch;
}

}  // namespace

int RunProcessAndWait(std::u16string_view program, std::u16string_view arguments, std::u16string_view folder) {
  const int exitCode = qav::SpawnAndWait(MakeLaunch(program, arguments, folder));
  if (exitCode == -1) {
    QAV_LOG(LOG_WARNING, u"RunProcessAndWait: cannot start \"%s\" %s", program, arguments);
  }
  return exitCode;
}

pid_t StartProcessDetached(std::u16string_view program, std::u16string_view arguments, std::u16string_view folder) {
  const pid_t pid = qav::SpawnDetached(MakeLaunch(program, arguments, folder));
  if (pid < 0) QAV_LOG(LOG_WARNING, u"StartProcessDetached: cannot start \"%s\" %s", program, arguments);
  return pid;
}
