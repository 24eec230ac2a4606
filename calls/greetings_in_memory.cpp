#include "calls/greetings_in_memory.h"

#include <mutex>
#include <utility>

#include "audio/wave_mem_file.h"

namespace {

std::mutex g_greetingsMutex;
std::shared_ptr<const CWaveMemFile> g_greetings[2];

size_t Index(GreetingKind kind) { return kind == GreetingKind::kContacts ? 0 : 1; }

}  // namespace

void SetGreetingInMemory(GreetingKind kind, std::shared_ptr<const CWaveMemFile> greeting) {
  std::shared_ptr<const CWaveMemFile> previous;
  {
    std::lock_guard lock(g_greetingsMutex);
    previous = std::exchange(g_greetings[Index(kind)], std::move(greeting));
  }
  // The old greeting, when this was its last holder, goes outside the lock.
}

std::shared_ptr<const CWaveMemFile> GetGreetingInMemory(GreetingKind kind) {
  std::lock_guard lock(g_greetingsMutex);
  return g_greetings[Index(kind)];
}
