// The registry keys the installed call client leaves, which the program reads to find the client
// and its version (docs/versions.md, docs/registry-store.md):
//   HKEY_CURRENT_USER  Software\Skype\Phone      "SkypePath" (REG_SZ), "SkypeFileVersion" (REG_SZ)
//   HKEY_CURRENT_USER  Software\Skype\Phone\UI   "Version" (REG_DWORD, the packed version)
//   HKEY_LOCAL_MACHINE Software\Skype\Phone      "SkypePath" (REG_SZ)
// The simulated call client writes them at start, as an installed client has them.
#pragma once

#include <string>

namespace qav::sim {

// `programPath` is recorded as the client's program file, `version` ("3.8.0.188") as the version
// that file carries. False, with `error`, when the version is not four dotted numbers of 0..255 or a
// key cannot be written.
bool WriteCallClientInstallKeys(const std::string& programPath, const std::string& version, std::string* error);

}  // namespace qav::sim
