// The modules (the program and its shared libraries) mapped into this process, as the dynamic
// loader lists them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qav {

struct LoadedModule {
  std::string path;     // full path; the program's own from /proc/self/exe
  uintptr_t base = 0;   // lowest address of its loaded segments
  uintptr_t size = 0;   // from base to the end of its highest loaded segment
  std::string buildId;  // the GNU build id in lower-case hex, "" when it has none
};

// The GNU build id in a PT_NOTE segment's `length` bytes, "" when none is there whole. The notes
// are read as untrusted: a size that runs past the segment ends the search.
std::string BuildIdInNotes(const unsigned char* notes, size_t length);

// Every module in the loader's order (the program first). Not async-signal-safe: it takes the
// loader's lock.
std::vector<LoadedModule> ListLoadedModules();

}  // namespace qav
