// The library's eleven exports, each a thin front over the pieces beside it. The library is built
// with hidden visibility and its version script (vxrelay.map) keeps every other symbol local.
#pragma GCC visibility push(default)
#include "vxrelay/vxrelay.h"
#pragma GCC visibility pop

#include <cstring>

#include "platform/named_mutex.h"
#include "platform/registry_store/registry_text.h"
#include "vxrelay/control_window.h"
#include "vxrelay/launcher.h"
#include "vxrelay/vidralux_registry.h"

namespace {

constexpr char kMutexName[] = "QuenmarkVidraluxCopyGuard";

// The buffers behind the returned texts, one set per thread, so that a thread's pointer is not
// overwritten by another thread's call.
constexpr size_t kDirectoryBufferBytes = qav::vxrelay::kMaxDirectoryBytes + 1;  // 260
constexpr size_t kFileBufferBytes = 520;
thread_local char t_directory[kDirectoryBufferBytes];
thread_local char t_file[kFileBufferBytes];

// Copies text that is known to fit, with its terminating zero.
const char* Keep(char* buffer, size_t size, const std::string& text) {
  std::memset(buffer, 0, size);
  std::memcpy(buffer, text.data(), text.size());
  return buffer;
}

bool IsValidUtf8(std::string_view text) {
  return qav::RegistryUtf16ToUtf8(qav::RegistryUtf8ToUtf16(text)) == text;
}

// Nothing may leave a C function as an exception (a C caller cannot catch it): a failure such as
// running out of memory is reported like any other, by the fallback result.
template <typename Result, typename Body>
Result Guarded(Result fallback, Body body) noexcept {
  try {
    return body();
  } catch (...) {
    return fallback;
  }
}

int Command(qav::vxrelay::Command command) {
  return Guarded(0, [command] { return qav::vxrelay::SendCommand(command); });
}

}  // namespace

extern "C" {

int Vidralux_SetFile(const char* path) {
  return Guarded(0, [path] {
    if (path == nullptr || !IsValidUtf8(path)) return 0;
    if (!qav::vxrelay::SetControlText(qav::RegistryUtf8ToUtf16(path))) return 0;
    return qav::vxrelay::SendCommand(qav::vxrelay::Command::kPlay);
  });
}

const char* Vidralux_GetFile(void) {
  return Guarded<const char*>(nullptr, []() -> const char* {
    std::optional<std::u16string> text = qav::vxrelay::FetchCurrentFile();
    if (!text || text->empty()) return nullptr;
    const std::string utf8 = qav::RegistryUtf16ToUtf8(*text);
    // A path that does not fit, or that a zero would end early, would name another file.
    if (utf8.size() >= kFileBufferBytes || utf8.find('\0') != std::string::npos) return nullptr;
    return Keep(t_file, kFileBufferBytes, utf8);
  });
}

int Vidralux_GetVersion(void) {
  return Guarded(0, [] {
    std::optional<std::string> text = qav::vxrelay::ReadVidraluxVersionText(qav::vxrelay::kMaxVersionBytes);
    return text ? qav::vxrelay::PackVidraluxVersion(*text) : 0;
  });
}

const char* Vidralux_GetDirectory(void) {
  std::memset(t_directory, 0, kDirectoryBufferBytes);
  return Guarded<const char*>(nullptr, []() -> const char* {
    std::optional<std::string> folder = qav::vxrelay::ReadVidraluxDirectory(qav::vxrelay::kMaxDirectoryBytes);
    if (!folder) return nullptr;
    return Keep(t_directory, kDirectoryBufferBytes, *folder);
  });
}

int Vidralux_Run(void) {
  return Guarded(0, [] { return qav::vxrelay::LaunchVidralux(false); });
}

int Vidralux_RunMinimized(void) {
  return Guarded(0, [] { return qav::vxrelay::LaunchVidralux(true); });
}

int Vidralux_Exit(void) { return Command(qav::vxrelay::Command::kExit); }

int Vidralux_IsRunning(void) {
  return Guarded(0, [] { return qav::IsNamedMutexHeld(kMutexName) ? -1 : 0; });
}

int Vidralux_Start(void) { return Command(qav::vxrelay::Command::kStart); }

int Vidralux_Stop(void) { return Command(qav::vxrelay::Command::kStop); }

int Vidralux_Pause(void) { return Command(qav::vxrelay::Command::kPause); }

}  // extern "C"
