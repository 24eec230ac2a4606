#include "platform/crash_signals.h"

#include <execinfo.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/crash_channel.h"
#include "platform/crash_exception.h"
#include "platform/crash_record.h"
#include "platform/folders.h"
#include "platform/loaded_modules.h"

namespace qav {

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP, SIGSYS};
constexpr int kMaxFrames = 64;
// A fault this close to the stack pointer is the guard page below a full stack.
constexpr uint64_t kStackOverflowReach = 64 * 1024;

std::atomic<int> g_channel{-1};
std::atomic<bool> g_installed{false};
std::atomic<bool> g_terminating{false};
std::atomic<long> g_crashingThread{0};
char g_programPath[PATH_MAX];
char g_terminateMessage[512];

// The module lines of the record, made ahead of time. Old lists stay alive (a handler may be
// reading one while a new one is published); they are few and small.
std::atomic<const std::string*> g_moduleLines{nullptr};
std::mutex g_moduleListsMutex;
std::vector<std::unique_ptr<const std::string>> g_moduleLists;

// Builds the record in frames of at most kCrashFrameMax bytes and sends each when it fills, with
// nothing but memcpy-like copies and send: safe in a signal handler. One record at a time (the
// crashing thread owns it), so the buffer is static instead of on the small alternate stack.
class RecordWriter {
 public:
  explicit RecordWriter(int channel) : channel_(channel) { Reset(); }

  RecordWriter& Text(const char* text) { return Bytes(text, std::strlen(text)); }
  RecordWriter& Bytes(const char* bytes, size_t length) {
    while (length > 0) {
      if (used_ == sizeof buffer_) Flush();
      const size_t room = sizeof buffer_ - used_;
      const size_t take = length < room ? length : room;
      std::memcpy(buffer_ + used_, bytes, take);
      used_ += take;
      bytes += take;
      length -= take;
    }
    return *this;
  }
  RecordWriter& Hex(uint64_t value) {
    char digits[19];
    size_t at = sizeof digits;
    do {
      digits[--at] = "0123456789abcdef"[value & 0xF];
      value >>= 4;
    } while (value != 0);
    digits[--at] = 'x';
    digits[--at] = '0';
    return Bytes(digits + at, sizeof digits - at);
  }
  RecordWriter& Decimal(int64_t value) {
    char digits[21];
    size_t at = sizeof digits;
    const bool negative = value < 0;
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
      digits[--at] = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
    if (negative) digits[--at] = '-';
    return Bytes(digits + at, sizeof digits - at);
  }
  // Sends what is buffered as one record frame.
  void Flush() {
    if (used_ > 1) SendCrashFrameBytes(channel_, buffer_, used_);
    Reset();
  }
  void Finish() {
    Flush();
    const char end = kCrashFrameRecordEnd;
    SendCrashFrameBytes(channel_, &end, 1);
  }

 private:
  void Reset() {
    buffer_[0] = kCrashFrameRecord;
    used_ = 1;
  }

  int channel_;
  static char buffer_[kCrashFrameMax];
  size_t used_ = 1;
};
char RecordWriter::buffer_[kCrashFrameMax];

struct MachineState {
  uint64_t instruction = 0;
  uint64_t stack = 0;
};

MachineState StateOf(const ucontext_t* context) {
  MachineState state;
  if (!context) return state;
#if defined(__x86_64__)
  state.instruction = static_cast<uint64_t>(context->uc_mcontext.gregs[REG_RIP]);
  state.stack = static_cast<uint64_t>(context->uc_mcontext.gregs[REG_RSP]);
#elif defined(__aarch64__)
  state.instruction = context->uc_mcontext.pc;
  state.stack = context->uc_mcontext.sp;
#endif
  return state;
}

void WriteRegisters(RecordWriter& out, const ucontext_t* context) {
  if (!context) return;
#if defined(__x86_64__)
  static constexpr struct {
    const char* name;
    int index;
  } kRegisters[] = {{"rax", REG_RAX}, {"rbx", REG_RBX}, {"rcx", REG_RCX},     {"rdx", REG_RDX},
                    {"rsi", REG_RSI}, {"rdi", REG_RDI}, {"rbp", REG_RBP},     {"rsp", REG_RSP},
                    {"r8", REG_R8},   {"r9", REG_R9},   {"r10", REG_R10},     {"r11", REG_R11},
                    {"r12", REG_R12}, {"r13", REG_R13}, {"r14", REG_R14},     {"r15", REG_R15},
                    {"rip", REG_RIP}, {"eflags", REG_EFL}, {"err", REG_ERR}, {"trapno", REG_TRAPNO},
                    {"cr2", REG_CR2}};
  for (const auto& reg : kRegisters) {
    out.Text("register ").Text(reg.name).Text(" ").Hex(static_cast<uint64_t>(context->uc_mcontext.gregs[reg.index]))
        .Text("\n");
  }
#elif defined(__aarch64__)
  static constexpr const char* kNames[] = {"x0",  "x1",  "x2",  "x3",  "x4",  "x5",  "x6",  "x7",
                                           "x8",  "x9",  "x10", "x11", "x12", "x13", "x14", "x15",
                                           "x16", "x17", "x18", "x19", "x20", "x21", "x22", "x23",
                                           "x24", "x25", "x26", "x27", "x28", "x29", "x30"};
  for (int i = 0; i < 31; ++i) out.Text("register ").Text(kNames[i]).Text(" ").Hex(context->uc_mcontext.regs[i]).Text("\n");
  out.Text("register sp ").Hex(context->uc_mcontext.sp).Text("\n");
  out.Text("register pc ").Hex(context->uc_mcontext.pc).Text("\n");
  out.Text("register pstate ").Hex(context->uc_mcontext.pstate).Text("\n");
#endif
}

void WriteRecord(int signal, const siginfo_t* info, const ucontext_t* context) {
  RecordWriter out(g_channel.load());
  const MachineState state = StateOf(context);
  const uint64_t faultAddress = info ? reinterpret_cast<uint64_t>(info->si_addr) : 0;
  const int signalCode = info ? info->si_code : 0;
  const bool terminating = g_terminating.load() && signal == SIGABRT;
  const bool stackOverflow = signal == SIGSEGV && state.stack != 0 && faultAddress != 0 &&
                             faultAddress + kStackOverflowReach >= state.stack &&
                             faultAddress <= state.stack + kStackOverflowReach;
  const CrashException exception = ExceptionForSignal(signal, signalCode, stackOverflow, terminating);
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);

  out.Bytes(kCrashRecordHeader.data(), kCrashRecordHeader.size()).Text("\n");
  out.Text("process ").Decimal(getpid()).Text("\n");
  out.Text("thread ").Decimal(syscall(SYS_gettid)).Text("\n");
  out.Text("time ").Decimal(now.tv_sec).Text("\n");
  out.Text("program ").Text(g_programPath).Text("\n");
  out.Text("cause ").Text(terminating ? "terminate" : "signal").Text("\n");
  if (terminating && g_terminateMessage[0] != '\0') out.Text("terminate-message ").Text(g_terminateMessage).Text("\n");
  out.Text("signal ").Decimal(signal).Text(" ").Text(FatalSignalName(signal)).Text("\n");
  out.Text("signal-code ").Decimal(signalCode).Text("\n");
  out.Text("exception ").Hex(exception.code).Text(" ").Text(exception.name).Text("\n");
  out.Text("instruction ").Hex(state.instruction).Text("\n");
  out.Text("fault-address ").Hex(faultAddress).Text("\n");
  WriteRegisters(out, context);
  static void* frames[kMaxFrames];
  const int depth = backtrace(frames, kMaxFrames);
  for (int i = 0; i < depth; ++i) out.Text("frame ").Hex(reinterpret_cast<uint64_t>(frames[i])).Text("\n");
  if (const std::string* modules = g_moduleLines.load()) out.Bytes(modules->data(), modules->size());
  out.Text("end\n");
  out.Finish();
}

int64_t MonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Waits until the helper says the report is done, goes away, or kCrashHelperWaitMs have passed.
// The helper has the whole record by then and carries on by itself (a user may take minutes over
// its dialog, an upload may stall): the crashed process must not hold the program's place that
// long, so a new start can take over at once.
void WaitForHelper() {
  const int channel = g_channel.load();
  if (channel < 0) return;
  const int64_t deadline = MonotonicMs() + kCrashHelperWaitMs;
  char reply[16];
  for (;;) {
    const int64_t left = deadline - MonotonicMs();
    if (left <= 0) return;
    pollfd ready{channel, POLLIN, 0};
    const int polled = poll(&ready, 1, static_cast<int>(left));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return;
    const ssize_t got = recv(channel, reply, sizeof reply, MSG_DONTWAIT);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0 || reply[0] == kCrashFrameDone) return;
  }
}

// Puts the default action back and raises the signal again: it is delivered as soon as the
// handler returns (it is blocked while the handler runs), so the process ends with its usual
// status. A fault would also come back by itself; a signal sent with kill would not.
void EndWithSignal(int signal) {
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal, &fallback, nullptr);
  raise(signal);
}

void OnFatalSignal(int signal, siginfo_t* info, void* context) {
  const int savedErrno = errno;
  const long self = syscall(SYS_gettid);
  long expected = 0;
  if (!g_crashingThread.compare_exchange_strong(expected, self)) {
    if (expected == self) {
      EndWithSignal(signal);  // the report itself faulted
      return;
    }
    for (;;) pause();  // another thread reports; the process ends with its signal
  }
  WriteRecord(signal, info, static_cast<const ucontext_t*>(context));
  WaitForHelper();
  EndWithSignal(signal);
  errno = savedErrno;
}

void OnTerminate() {
  g_terminateMessage[0] = '\0';
  if (std::exception_ptr current = std::current_exception()) {
    try {
      std::rethrow_exception(current);
    } catch (const std::exception& error) {
      std::strncpy(g_terminateMessage, error.what(), sizeof g_terminateMessage - 1);
    } catch (...) {
      std::strncpy(g_terminateMessage, "an exception that is not a std::exception", sizeof g_terminateMessage - 1);
    }
  }
  for (char& c : g_terminateMessage) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  g_terminating = true;
  std::abort();
}

// The alternate stack of one thread, released with the thread.
class ThreadCrashStack {
 public:
  ThreadCrashStack() {
    size_ = static_cast<size_t>(SIGSTKSZ) * 4;
    if (size_ < 128 * 1024) size_ = 128 * 1024;
    void* memory = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return;
    stack_t stack{};
    stack.ss_sp = memory;
    stack.ss_size = size_;
    if (sigaltstack(&stack, nullptr) != 0) {
      munmap(memory, size_);
      return;
    }
    memory_ = memory;
  }
  ~ThreadCrashStack() {
    if (!memory_) return;
    stack_t disable{};
    disable.ss_flags = SS_DISABLE;
    sigaltstack(&disable, nullptr);
    munmap(memory_, size_);
  }
  ThreadCrashStack(const ThreadCrashStack&) = delete;
  ThreadCrashStack& operator=(const ThreadCrashStack&) = delete;

 private:
  void* memory_ = nullptr;
  size_t size_ = 0;
};

}  // namespace

void RefreshCrashModules() {
  auto lines = std::make_unique<const std::string>(FormatCrashRecordModules(ListLoadedModules()));
  std::lock_guard lock(g_moduleListsMutex);
  g_moduleLines = lines.get();
  g_moduleLists.push_back(std::move(lines));
}

void PrepareThreadForCrashes() {
  if (!g_installed) return;
  thread_local ThreadCrashStack stack;
  (void)stack;
}

bool InstallCrashSignals(int channel) {
  g_channel = channel;
  const std::string program = ExecutablePath();
  const size_t length = std::min(program.size(), sizeof g_programPath - 1);
  program.copy(g_programPath, length);
  g_programPath[length] = '\0';
  RefreshCrashModules();
  // The first backtrace loads the unwinder; done here, the one in the handler allocates nothing.
  void* warmUp[4];
  backtrace(warmUp, 4);

  struct sigaction action {};
  action.sa_sigaction = OnFatalSignal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  bool all = true;
  for (int signal : kFatalSignals) all = sigaction(signal, &action, nullptr) == 0 && all;
  std::set_terminate(OnTerminate);
  g_installed = true;
  PrepareThreadForCrashes();
  return all;
}

}  // namespace qav
