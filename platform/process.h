// Starting other programs.
//
// Programs are started with posix_spawn and an argument vector, never through a shell, so no text
// is ever interpreted as shell syntax. Command lines written the Windows way (one text, arguments
// separated by blanks, quoted with double quotes) are first split with the Windows quoting rules.
//
// The child gets the parent's environment, standard input, output and error, and nothing else:
// every other descriptor is closed in the child, the signal mask is emptied and every signal is
// back at its default action, so nothing the program holds open leaks into the child.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace qav {

// Splits the argument part of a Windows command line into arguments:
// - blanks (space, TAB) outside quotes separate arguments; a quoted "" is an empty argument;
// - a double quote starts or ends a quoted part; inside one, two double quotes in a row give one
//   literal double quote;
// - 2n backslashes before a double quote give n backslashes and the quote acts as above; 2n+1
//   backslashes before a double quote give n backslashes and a literal double quote;
// - backslashes anywhere else are kept as they are.
std::vector<std::u16string> SplitWindowsArguments(std::u16string_view arguments);

// What to start: the program (a path; a name without "/" is looked up in $PATH; a relative path
// is taken from the caller's current folder, not from `folder`), its arguments (without the
// program itself, which becomes argv[0]) and the working folder ("" keeps the caller's).
struct ProcessLaunch {
  std::u16string program;
  std::vector<std::u16string> arguments;
  std::u16string folder;
};

// Starts the program, waits until it ends and returns its exit code. A child ended by a signal
// gives 128 + the signal number, as a shell reports it. -1 when the program cannot be started (no
// such file, not executable, working folder missing).
int SpawnAndWait(const ProcessLaunch& launch);

// Starts the program in a session of its own and returns its process id without waiting; the
// child is reaped in the background when it ends, so it never lingers as a zombie. -1 when the
// program cannot be started. `onExit`, when given, is called with the exit code (as SpawnAndWait
// gives it) on the background thread that reaped the child.
pid_t SpawnDetached(const ProcessLaunch& launch, std::function<void(int)> onExit = {});

}  // namespace qav
