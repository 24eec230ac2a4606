// Starting the application as a process of its own.
//
// The library lives inside someone else's process, so the child must owe that process nothing: it
// is started through an intermediate child that puts it in a session of its own and ends at once,
// so the application is adopted by the system rather than left for the host to reap (the host never
// sees a zombie, and its SIGCHLD handling is not touched), and no thread is needed to wait for it.
// The program is run from an argument vector, never through a shell, so no folder name (spaces,
// quotes, ";") is read as a command. The child keeps the host's environment and standard input,
// output and error; every other descriptor is closed, its signal mask is empty and every signal is
// back at its default action.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace qav::vxrelay {

struct DetachedLaunch {
  std::string program;                 // full path (UTF-8)
  std::vector<std::string> arguments;  // after argv[0], which is the program's path
  std::string folder;                  // the child's working folder
};

// The new process's id, or -1 when it could not be started (no such program, not executable, the
// folder is missing, out of processes); errno then says why.
pid_t StartDetachedProcess(const DetachedLaunch& launch);

}  // namespace qav::vxrelay
