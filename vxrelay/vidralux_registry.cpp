#include "vxrelay/vidralux_registry.h"

#include "platform/registry_store/registry_store.h"
#include "platform/text.h"

namespace qav::vxrelay {
namespace {

std::optional<std::string> ReadText(std::u16string_view valueName, size_t maxBytes) {
  RegistryStore store;
  RegistryRoot root = RegistryRoot::kLocalMachine;
  if (store.KeyExists(root, kVidraluxKey) != kRegOk) {
    root = RegistryRoot::kCurrentUser;
    if (store.KeyExists(root, kVidraluxKey) != kRegOk) return std::nullopt;
  }
  RegistryValue value;
  if (store.QueryValue(root, kVidraluxKey, valueName, &value) != kRegOk) return std::nullopt;
  std::optional<std::u16string> text = RegistryStringOf(value);
  if (!text) return std::nullopt;
  std::string utf8 = RegistryUtf16ToUtf8(*text);
  if (utf8.size() > maxBytes) return std::nullopt;
  return utf8;
}

}  // namespace

std::optional<std::string> ReadVidraluxDirectory(size_t maxBytes) { return ReadText(u"Directory", maxBytes); }

std::optional<std::string> ReadVidraluxVersionText(size_t maxBytes) { return ReadText(u"Version", maxBytes); }

int PackVidraluxVersion(std::string_view text) {
  const size_t dot = text.find('.');
  const auto major = static_cast<uint32_t>(AtoI(text.substr(0, dot)));
  const auto minor = dot == std::string_view::npos ? 0u : static_cast<uint32_t>(AtoI(text.substr(dot + 1)));
  return static_cast<int>((major << 16) | (minor & 0xFFFFu));
}

}  // namespace qav::vxrelay
