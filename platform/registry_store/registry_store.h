// The registry store: the program's registry, kept in text files so that the program, the webcam
// control library and the simulated call client can share it.
//
// One file per root key ("HKEY_CURRENT_USER.reg", ...) in the store folder: $QAV_REGISTRY_DIR, else
// $XDG_CONFIG_HOME/qav/registry, else $HOME/.config/qav/registry. The format is in
// docs/registry-store.md.
//
// Every call reads the file afresh, so a change made by another process is seen at once, and no
// handle is held between calls. A change is a read-modify-write under an exclusive flock on the
// root's lock file, written to a temporary file, flushed and renamed over the old one: readers need
// no lock, see the old file or the new one and never a torn one, and two processes writing at the
// same time both keep their writes. Any thread may call; a RegistryStore is only its folder name.
//
// Key paths are names separated by "\" under the root ("Software\Skype\Phone"); empty names are
// dropped, and the empty path is the root key itself. Key and value names are compared ASCII
// case-insensitively and kept as first written. Results are the platform's error numbers, so callers
// can record them as the last error: 0 success, 2 no such key or value, 5 a key with sub-keys (or
// the root) cannot be deleted, 6 a number that is no root, 87 a bad name or oversized data, 1009 an unreadable store file, 1016 a failed write.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_store/registry_text.h"
#include "platform/registry_store/registry_value.h"

namespace qav {

// The four predefined roots, by the numbers the platform gives their handles.
enum class RegistryRoot : uint32_t {
  kClassesRoot = 0x80000000u,
  kCurrentUser = 0x80000001u,
  kLocalMachine = 0x80000002u,
  kUsers = 0x80000003u,
};

// Whether the number names one of the four roots.
bool IsRegistryRoot(RegistryRoot root);
// "HKEY_CURRENT_USER" and so on; "" for a number that is no root.
std::string_view RegistryRootName(RegistryRoot root);

enum RegistryStatus : int32_t {
  kRegOk = 0,
  kRegNotFound = 2,
  kRegAccessDenied = 5,
  kRegInvalidRoot = 6,
  kRegInvalidParameter = 87,
  kRegBadStore = 1009,
  kRegWriteFailed = 1016,
};

// Limits: a key name of up to 255 UTF-16 units without control characters, a value name of up to
// 16383 units without a zero, value data of up to 1 MiB, a store file of up to 16 MiB (a larger file
// is refused as kRegBadStore rather than read in part).
inline constexpr size_t kRegistryMaxKeyName = 255;
inline constexpr size_t kRegistryMaxValueName = 16383;
inline constexpr size_t kRegistryMaxData = 1u << 20;
inline constexpr size_t kRegistryMaxFileBytes = 16u << 20;

struct RegistryKeyInfo {
  uint32_t subKeyCount = 0;
  uint32_t valueCount = 0;
};

class RegistryStore {
 public:
  // The store in the default folder (read from the environment now).
  RegistryStore();
  // The store in a folder of the caller's choice (UTF-8 path).
  explicit RegistryStore(std::string folder);

  static std::string DefaultFolder();
  const std::string& folder() const { return folder_; }
  // The file that holds the root's keys (it may not exist yet).
  std::string FilePath(RegistryRoot root) const;

  RegistryStatus KeyExists(RegistryRoot root, std::u16string_view path) const;
  // Creates the key and any missing parents; an existing key is kept as it is.
  RegistryStatus CreateKey(RegistryRoot root, std::u16string_view path);
  // Deletes a key without sub-keys, with its values. kRegNotFound when it is missing.
  RegistryStatus DeleteKey(RegistryRoot root, std::u16string_view path);
  RegistryStatus GetKeyInfo(RegistryRoot root, std::u16string_view path, RegistryKeyInfo* info) const;
  // Names in the order they were created.
  RegistryStatus GetSubKeyNames(RegistryRoot root, std::u16string_view path,
                                std::vector<std::u16string>* names) const;
  RegistryStatus GetValueNames(RegistryRoot root, std::u16string_view path,
                               std::vector<std::u16string>* names) const;

  // `value` may be null to test only that the value exists.
  RegistryStatus QueryValue(RegistryRoot root, std::u16string_view path, std::u16string_view name,
                            RegistryValue* value) const;
  // Sets a value of an existing key (kRegNotFound when the key is missing).
  RegistryStatus SetValue(RegistryRoot root, std::u16string_view path, std::u16string_view name,
                          const RegistryValue& value);
  RegistryStatus DeleteValue(RegistryRoot root, std::u16string_view path, std::u16string_view name);

 private:
  std::string folder_;
};

}  // namespace qav
