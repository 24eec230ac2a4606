// The exception codes and names that crash reports use for the fatal signals.
//
// Reports keep the exception vocabulary of the platform the program was designed on (an access
// violation is 0xC0000005 "EXCEPTION_ACCESS_VIOLATION"), so the server sorts crashes from every
// build alike. A signal and its si_code map to one code; codes without a name of their own (an
// abort, a bad system call, an uncaught C++ exception) are named "EXCEPTION_UNKNOWN".
//
// Everything here is async-signal-safe: tables in read-only memory, no allocation.
#pragma once

#include <cstdint>

namespace qav {

struct CrashException {
  uint32_t code;
  const char* name;
};

// Codes this build produces beyond the named ones.
inline constexpr uint32_t kExceptionAbort = 0x40000015;             // the program aborted itself
inline constexpr uint32_t kExceptionBadSystemCall = 0xC000001C;     // SIGSYS
inline constexpr uint32_t kExceptionUncaughtCxx = 0xE06D7363;       // std::terminate

// The name of an exception code; "EXCEPTION_UNKNOWN" for any code without one.
const char* ExceptionName(uint32_t code);

// The exception a fatal signal stands for. `stackOverflow` marks a SIGSEGV whose fault address
// lies at the faulting thread's stack pointer (the guard page below a full stack). `terminate`
// marks the SIGABRT that std::terminate raises.
CrashException ExceptionForSignal(int signal, int signalCode, bool stackOverflow, bool terminate);

// "SIGSEGV" and so on for the fatal signals; "SIG?" for any other.
const char* FatalSignalName(int signal);

}  // namespace qav
