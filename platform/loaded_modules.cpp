#include "platform/loaded_modules.h"

#include <elf.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/folders.h"

namespace qav {

namespace {

std::string Hex(const unsigned char* bytes, size_t count) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0xF];
  }
  return text;
}

// Padded to the notes' four-byte alignment, counted in 64 bits: a 32-bit size near its top would
// wrap to a few bytes and pass the bound check.
uint64_t Padded(uint32_t size) { return (uint64_t{size} + 3) & ~uint64_t{3}; }

int AddModule(dl_phdr_info* info, size_t, void* data) {
  auto& modules = *static_cast<std::vector<LoadedModule>*>(data);
  LoadedModule module;
  module.path = info->dlpi_name && *info->dlpi_name ? info->dlpi_name : (modules.empty() ? ExecutablePath() : "");
  uintptr_t low = UINTPTR_MAX;
  uintptr_t high = 0;
  for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type == PT_LOAD) {
      low = std::min<uintptr_t>(low, segment.p_vaddr);
      high = std::max<uintptr_t>(high, segment.p_vaddr + segment.p_memsz);
    } else if (segment.p_type == PT_NOTE && module.buildId.empty()) {
      module.buildId = BuildIdInNotes(reinterpret_cast<const unsigned char*>(info->dlpi_addr + segment.p_vaddr),
                                 segment.p_memsz);
    }
  }
  if (low == UINTPTR_MAX) return 0;
  module.base = info->dlpi_addr + low;
  module.size = high - low;
  modules.push_back(std::move(module));
  return 0;
}

}  // namespace

std::string BuildIdInNotes(const unsigned char* notes, size_t length) {
  uint64_t offset = 0;
  while (offset + sizeof(ElfW(Nhdr)) <= length) {
    ElfW(Nhdr) header;
    std::memcpy(&header, notes + offset, sizeof header);
    const uint64_t nameAt = offset + sizeof header;
    const uint64_t descAt = nameAt + Padded(header.n_namesz);
    const uint64_t next = descAt + Padded(header.n_descsz);
    if (next > length) break;  // a note that does not fit ends the list
    if (header.n_type == NT_GNU_BUILD_ID && header.n_namesz == 4 && std::memcmp(notes + nameAt, "GNU", 4) == 0) {
      return Hex(notes + descAt, header.n_descsz);
    }
    offset = next;
  }
  return {};
}

std::vector<LoadedModule> ListLoadedModules() {
  std::vector<LoadedModule> modules;
  dl_iterate_phdr(AddModule, &modules);
  return modules;
}

}  // namespace qav
