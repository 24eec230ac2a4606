#include "audio/greeting_memory.h"

#include <mutex>

#include "audio/wave_utils.h"

namespace {

constexpr uint16_t kGreetingChannels = 1;
constexpr uint16_t kGreetingBits = 16;
constexpr uint32_t kGreetingRate = 44100;

struct GreetingSlots {
  std::mutex mutex;
  std::shared_ptr<CWaveMemFile> buddy;
  std::shared_ptr<CWaveMemFile> nonBuddy;

  std::shared_ptr<CWaveMemFile>& For(GreetingKind kind) { return kind == GreetingKind::kBuddy ? buddy : nonBuddy; }
};

GreetingSlots& Slots() {
  static GreetingSlots slots;
  return slots;
}

}  // namespace

std::shared_ptr<CWaveMemFile> GetGreetingMemFile(GreetingKind kind) {
  GreetingSlots& slots = Slots();
  std::lock_guard lock(slots.mutex);
  return slots.For(kind);
}

void SetGreetingMemFile(GreetingKind kind, std::shared_ptr<CWaveMemFile> greeting) {
  GreetingSlots& slots = Slots();
  {
    std::lock_guard lock(slots.mutex);
    slots.For(kind).swap(greeting);
  }
  // `greeting` now holds the old one; when this was its last holder it is freed here, outside the
  // lock.
}

void ReleaseGreetingMemFiles() {
  SetGreetingMemFile(GreetingKind::kBuddy, nullptr);
  SetGreetingMemFile(GreetingKind::kNonBuddy, nullptr);
}

GreetingBuild BuildGreetingMemFile(const std::vector<std::u16string>& files) {
  GreetingBuild build;
  build.memFile = std::make_shared<CWaveMemFile>();
  const WAVEFORMATEX format = WaveUtilsMakePCMFormat(kGreetingChannels, kGreetingBits, kGreetingRate);
  build.memFile->SetFormat(&format);
  for (const auto& file : files) {
    if (!build.memFile->AddFile(file)) {
      build.failedFile = file;
      break;
    }
  }
  build.memFile->GetFile()->SeekToBegin();
  return build;
}
