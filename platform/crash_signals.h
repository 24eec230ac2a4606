// The fatal-signal handler: SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP and SIGSYS, and
// std::terminate, which ends in SIGABRT.
//
// A crash leaves the process in a state where almost nothing is safe: the heap may be corrupt, a
// lock (the logger's, the allocator's) may be held by the thread that died, the stack may be
// exhausted. So the handler runs on an alternate signal stack and does only async-signal-safe
// work: it writes the crash record (docs/crash-reports.md) to the crash helper over the channel,
// waits until the helper has built and sent the report, but no longer than kCrashHelperWaitMs (the
// helper then goes on alone), and then lets the original signal end the process with its usual
// status. Everything the record needs that is not safe to gather there (the
// program's path, the module list, the backtrace machinery) is prepared when the handler is
// installed. A second thread that crashes meanwhile waits for the process to end; a fault inside
// the handler itself ends the process at once with the signal.
//
// Threading: install once, on the main thread, after the helper has started and before any other
// thread exists. Each thread the program starts calls PrepareThreadForCrashes first, so a stack
// overflow on any of them is still reported.
#pragma once

namespace qav {

// How long a crashed process waits for its helper's report at most before it ends.
inline constexpr int kCrashHelperWaitMs = 3000;

// Installs the handler for the fatal signals and std::terminate, reporting over `channel` (the
// program's end of StartCrashHelper's channel; -1 still installs it, and a crash then ends the
// process with its signal after the record could go nowhere). Gives the calling thread its
// alternate stack. False when a handler cannot be installed.
bool InstallCrashSignals(int channel);

// Gives the calling thread an alternate signal stack, released when the thread ends. Does nothing
// when the thread has one already or no handler is installed.
void PrepareThreadForCrashes();

// Takes the list of loaded modules again (after a library was loaded at run time), so the record
// names the modules a crash address may fall in.
void RefreshCrashModules();

}  // namespace qav
