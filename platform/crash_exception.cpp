#include "platform/crash_exception.h"

#include <csignal>

namespace qav {

namespace {

struct NamedCode {
  uint32_t code;
  const char* name;
};

constexpr NamedCode kNamedCodes[] = {
    {0x80000002, "EXCEPTION_DATATYPE_MISALIGNMENT"},
    {0x80000001, "EXCEPTION_GUARD_PAGE"},
    {0x80000003, "EXCEPTION_BREAKPOINT"},
    {0xC0000005, "EXCEPTION_ACCESS_VIOLATION"},
    {0x80000004, "EXCEPTION_SINGLE_STEP"},
    {0xC0000006, "EXCEPTION_IN_PAGE_ERROR"},
    {0xC000008C, "EXCEPTION_ARRAY_BOUNDS_EXCEEDED"},
    {0xC000001D, "EXCEPTION_ILLEGAL_INSTRUCTION"},
    {0xC0000025, "EXCEPTION_NONCONTINUABLE_EXCEPTION"},
    {0xC0000026, "EXCEPTION_INVALID_DISPOSITION"},
    {0xC0000008, "EXCEPTION_INVALID_HANDLE"},
    {0xC000008D, "EXCEPTION_FLT_DENORMAL_OPERAND"},
    {0xC000008E, "EXCEPTION_FLT_DIVIDE_BY_ZERO"},
    {0xC000008F, "EXCEPTION_FLT_INEXACT_RESULT"},
    {0xC0000090, "EXCEPTION_FLT_INVALID_OPERATION"},
    {0xC0000091, "EXCEPTION_FLT_OVERFLOW"},
    {0xC0000092, "EXCEPTION_FLT_STACK_CHECK"},
    {0xC0000093, "EXCEPTION_FLT_UNDERFLOW"},
    {0xC0000094, "EXCEPTION_INT_DIVIDE_BY_ZERO"},
    {0xC0000095, "EXCEPTION_INT_OVERFLOW"},
    {0xC0000096, "EXCEPTION_PRIV_INSTRUCTION"},
    {0xC00000FD, "EXCEPTION_STACK_OVERFLOW"},
};

uint32_t CodeForSignal(int signal, int signalCode, bool stackOverflow, bool terminate) {
  switch (signal) {
    case SIGSEGV:
      return stackOverflow ? 0xC00000FD : 0xC0000005;
    case SIGBUS:
      return signalCode == BUS_ADRALN ? 0x80000002 : 0xC0000006;
    case SIGILL:
      return signalCode == ILL_PRVOPC || signalCode == ILL_PRVREG ? 0xC0000096 : 0xC000001D;
    case SIGFPE:
      switch (signalCode) {
        case FPE_INTDIV: return 0xC0000094;
        case FPE_INTOVF: return 0xC0000095;
        case FPE_FLTDIV: return 0xC000008E;
        case FPE_FLTOVF: return 0xC0000091;
        case FPE_FLTUND: return 0xC0000093;
        case FPE_FLTRES: return 0xC000008F;
        case FPE_FLTSUB: return 0xC000008C;
        default: return 0xC0000090;
      }
    case SIGTRAP:
      return signalCode == TRAP_TRACE ? 0x80000004 : 0x80000003;
    case SIGABRT:
      return terminate ? kExceptionUncaughtCxx : kExceptionAbort;
    case SIGSYS:
      return kExceptionBadSystemCall;
    default:
      return 0;
  }
}

}  // namespace

const char* ExceptionName(uint32_t code) {
  for (const NamedCode& named : kNamedCodes) {
    if (named.code == code) return named.name;
  }
  return "EXCEPTION_UNKNOWN";
}

CrashException ExceptionForSignal(int signal, int signalCode, bool stackOverflow, bool terminate) {
  const uint32_t code = CodeForSignal(signal, signalCode, stackOverflow, terminate);
  return {code, ExceptionName(code)};
}

const char* FatalSignalName(int signal) {
  switch (signal) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGILL: return "SIGILL";
    case SIGFPE: return "SIGFPE";
    case SIGABRT: return "SIGABRT";
    case SIGTRAP: return "SIGTRAP";
    case SIGSYS: return "SIGSYS";
    default: return "SIG?";
  }
}

}  // namespace qav
