// The notes of a loaded module as a crash report reads them for the modules' build ids: any bytes,
// read only within the segment's length.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/loaded_modules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly the input's length, so a read past the segment is caught.
  std::unique_ptr<unsigned char[]> notes(new unsigned char[size]);
  if (size > 0) std::memcpy(notes.get(), data, size);
  const std::string id = qav::BuildIdInNotes(notes.get(), size);
  if (id.size() > 2 * size) __builtin_trap();
  return 0;
}
