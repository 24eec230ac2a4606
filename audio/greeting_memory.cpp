#include "audio/greeting_memory.h"

#include "audio/wave_utils.h"

namespace {

constexpr uint16_t kGreetingChannels = 1;
constexpr uint16_t kGreetingBits = 16;
constexpr uint32_t kGreetingRate = 44100;

}  // namespace

GreetingBuild BuildGreetingMemFile(const std::vector<std::u16string>& files) {
  GreetingBuild build;
  build.memFile = std::make_shared<CWaveMemFile>();
  const WAVEFORMATEX format = WaveUtilsMakePCMFormat(kGreetingChannels, kGreetingBits, kGreetingRate);
  build.memFile->SetFormat(&format);
  for (const auto& file : files) {
    if (!build.memFile->AddFile(file)) {
      build.loaded = false;
      build.failedFile = file;
      break;
    }
  }
  // The greeting is only read from now on: the room its growth left (a third more) goes back.
  build.memFile->GetFile()->ShrinkToFit();
  build.memFile->GetFile()->SeekToBegin();
  return build;
}

bool LoadsAsGreeting(const std::u16string& path) {
  return BuildGreetingMemFile({path}).loaded;
}
