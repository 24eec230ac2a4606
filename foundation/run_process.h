// Starting programs with Windows-style argument texts, over platform/process.h.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

// Starts the program with the arguments (one text, split with the Windows quoting rules of
// qav::SplitWindowsArguments) in the working folder ("" keeps the current one), waits until it
// ends and returns its exit code; -1 when it cannot be started.
int RunProcessAndWait(std::u16string_view program, std::u16string_view arguments, std::u16string_view folder);

// The same start without waiting: the program runs on in a session of its own (as the call
// client and the webcam application are started). Returns its process id, or -1 when it cannot
// be started.
pid_t StartProcessDetached(std::u16string_view program, std::u16string_view arguments, std::u16string_view folder);
