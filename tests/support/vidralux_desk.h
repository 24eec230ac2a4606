// A private desktop for tests of the webcam control library and the video driver.
//
// It points the desktop bus, the registry and the webcam stand-in's record at a temporary folder,
// and makes an installation folder whose name has spaces and shell characters in it, holding
// "Vidralux.exe" (a link to the stand-in, sim/vidralux_stand_in.h). Every stand-in that ran on it
// and still runs is ended when the object goes.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/registry_store/registry_store.h"
#include "sim/vidralux_record.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace qav::test {

class VidraluxDesk {
 public:
  VidraluxDesk();
  ~VidraluxDesk();
  VidraluxDesk(const VidraluxDesk&) = delete;
  VidraluxDesk& operator=(const VidraluxDesk&) = delete;

  const std::string& folder() const { return temp_.path(); }
  const std::string& installFolder() const { return installFolder_; }

  // What the application's installer writes: "Directory" (the installation folder) and "Version"
  // under Software\Quenmark\Vidralux of the root.
  void Install(RegistryRoot root = RegistryRoot::kLocalMachine, std::u16string_view version = u"3.12");

  // Starts the stand-in from the installation folder and returns once its control window is on
  // the desktop (or it has ended); its process id, -1 when it could not be started.
  pid_t StartStandIn(const std::vector<std::string>& arguments = {});

  std::vector<sim::VidraluxRecordLine> Record() const;
  // The requests the stand-in received, each line's fields joined by a blank: "settext <text> 1",
  // "command 3 1".
  std::vector<std::string> Requests() const;
  // The stand-ins that took the mutex and made their window, in order of start.
  std::vector<pid_t> ReadyStandIns() const;

 private:
  TempDir temp_;
  std::string installFolder_;
  ScopedEnv desktop_;
  ScopedEnv registry_;
  ScopedEnv record_;
  ScopedEnv delay_;
  std::vector<pid_t> children_;
};

// Waits, at most timeoutMs, until the process (any, not only a child) has ended.
bool WaitForProcessEnd(pid_t pid, int timeoutMs);

}  // namespace qav::test
