#include "sim/call_client_install.h"

#include "foundation/version.h"
#include "platform/registry_store/registry_store.h"
#include "platform/text.h"

namespace qav::sim {

namespace {

constexpr char16_t kPhoneKey[] = u"Software\\Skype\\Phone";
constexpr char16_t kUiKey[] = u"Software\\Skype\\Phone\\UI";

bool IsDottedVersion(const std::string& version) {
  int parts = 0;
  size_t at = 0;
  while (at <= version.size()) {
    const size_t dot = std::min(version.find('.', at), version.size());
    const std::string part = version.substr(at, dot - at);
    if (part.empty() || part.size() > 3 || part.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(part) > 255) {
      return false;
    }
    ++parts;
    at = dot + 1;
  }
  return parts == 4;
}

}  // namespace

bool WriteCallClientInstallKeys(const std::string& programPath, const std::string& version, std::string* error) {
  if (!IsDottedVersion(version)) {
    *error = "the version \"" + version + "\" is not four numbers of 0..255 with dots between them";
    return false;
  }
  RegistryStore store;
  const std::u16string path = U16(programPath);
  const auto packed = static_cast<uint32_t>(CVersion::ParseVersion(U16(version)));
  const bool written =
      store.CreateKey(RegistryRoot::kCurrentUser, kPhoneKey) == kRegOk &&
      store.SetValue(RegistryRoot::kCurrentUser, kPhoneKey, u"SkypePath", MakeRegistryString(path)) == kRegOk &&
      store.SetValue(RegistryRoot::kCurrentUser, kPhoneKey, u"SkypeFileVersion", MakeRegistryString(U16(version))) ==
          kRegOk &&
      store.CreateKey(RegistryRoot::kCurrentUser, kUiKey) == kRegOk &&
      store.SetValue(RegistryRoot::kCurrentUser, kUiKey, u"Version", MakeRegistryDword(packed)) == kRegOk &&
      store.CreateKey(RegistryRoot::kLocalMachine, kPhoneKey) == kRegOk &&
      store.SetValue(RegistryRoot::kLocalMachine, kPhoneKey, u"SkypePath", MakeRegistryString(path)) == kRegOk;
  if (!written) *error = "the registry in " + store.folder() + " cannot be written";
  return written;
}

}  // namespace qav::sim
