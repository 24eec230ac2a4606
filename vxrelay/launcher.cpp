#include "vxrelay/launcher.h"

#include "vxrelay/control_window.h"
#include "vxrelay/detached_process.h"
#include "vxrelay/vidralux_registry.h"

namespace qav::vxrelay {

int LaunchVidralux(bool minimized) {
  std::optional<std::string> folder = ReadVidraluxDirectory(kMaxDirectoryBytes);
  if (!folder || folder->empty()) return 0;
  DetachedLaunch launch;
  launch.folder = *folder;
  launch.program = *folder;
  if (launch.program.back() != '/') launch.program.push_back('/');
  launch.program += kVidraluxProgram;
  if (minimized) launch.arguments.push_back("/min");
  const pid_t process = StartDetachedProcess(launch);
  if (process < 0) return 0;
  WaitForControlWindow(process, kReadyTimeoutMs);
  return -1;
}

}  // namespace qav::vxrelay
