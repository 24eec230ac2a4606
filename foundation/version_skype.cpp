// CVersion::GetSkypeVersion, beside the registry access it reads through.
//
// There are no version resources for the call client's program file here. The client, when it is
// installed (the simulated call client does this at start), records its program path and the
// version its file would carry under HKEY_CURRENT_USER "Software\Skype\Phone" ("SkypePath",
// "SkypeFileVersion"), and its interface version under "Software\Skype\Phone\UI" ("Version");
// docs/registry-store.md lists the keys.
#include "foundation/registry_access.h"
#include "foundation/version.h"

namespace {

constexpr char16_t kSkypePhoneKey[] = u"Software\\Skype\\Phone";
constexpr char16_t kSkypeUiKey[] = u"Software\\Skype\\Phone\\UI";

}  // namespace

int32_t CVersion::GetSkypeVersion(std::u16string_view skypePath) {
  CRegistryAccess phone;
  const bool phoneKey = phone.SetKey(kSkypePhoneKey, false);
  const std::u16string registeredPath = phoneKey ? phone.ReadString(u"SkypePath", u"") : u"";
  const std::u16string path = skypePath.empty() ? registeredPath : std::u16string(skypePath);
  if (!path.empty()) {
    // The file version of the installed client is what it recorded for its own program file; any
    // other file carries a version only when this project built it.
    if (path == registeredPath) return ParseVersion(phone.ReadString(u"SkypeFileVersion", u""));
    return ParseVersion(GetAppFileVersion(path));
  }
  CRegistryAccess ui;
  if (!ui.SetKey(kSkypeUiKey, false)) return 0;
  return ui.ReadInt(u"Version", 0);
}
