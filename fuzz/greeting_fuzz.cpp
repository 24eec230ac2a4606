// The greeting builder: up to three WAV or MP3 files (a greeting between two beeps, as the user's
// files may be anything) decoded, converted and joined into one sound in memory.
//
// The input is the files' bytes separated by "QAVSPLIT"; bit n of the first byte makes file n an
// MP3 instead of a WAV.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/greeting_memory.h"
#include "audio/wave_mem_file.h"
#include "fuzz/fuzz_support.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input = qav::fuzz::Bytes(data, size);
  const uint8_t kinds = qav::fuzz::TakeByte(input);
  constexpr std::string_view kSplit = "QAVSPLIT";
  std::vector<std::u16string> files;
  for (int n = 0; n < 3 && !input.empty(); ++n) {
    const size_t end = input.find(kSplit);
    const std::string name = "greeting" + std::to_string(n) + ((kinds >> n) & 1 ? ".mp3" : ".wav");
    files.push_back(qav::U16(qav::fuzz::WriteFile(name, input.substr(0, end))));
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + kSplit.size());
  }
  const GreetingBuild build = BuildGreetingMemFile(files);
  if (!build.memFile) __builtin_trap();
  WAVEFORMATEX format{};
  uint32_t formatSize = sizeof format;
  if (!build.memFile->GetFormat(&format, &formatSize) || format.nChannels != 1 || format.nSamplesPerSec != 44100) {
    __builtin_trap();  // the greeting keeps the format it was made for
  }
  if (build.memFile->GetSamples().size() % format.nBlockAlign != 0) __builtin_trap();
  return 0;
}
