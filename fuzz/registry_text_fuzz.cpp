// The registry store's file: its text read into a key tree, written out, and the written text read
// to the same tree again; and the store's own UTF-8 reading of names and values.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "platform/registry_store/registry_text.h"
#include "platform/registry_store/registry_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input = qav::fuzz::Bytes(data, size);
  qav::RegistryUtf16ToUtf8(qav::RegistryUtf8ToUtf16(input));
  const std::unique_ptr<qav::RegistryKeyNode> tree = qav::ParseRegistryFile(input);
  if (!tree) return 0;
  const std::string written = qav::SerializeRegistryFile(*tree);
  const std::unique_ptr<qav::RegistryKeyNode> again = qav::ParseRegistryFile(written);
  if (!again || qav::SerializeRegistryFile(*again) != written) __builtin_trap();
  return 0;
}
