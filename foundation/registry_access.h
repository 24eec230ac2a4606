// CRegistryAccess: the one object type for every registry access outside the application profile
// (the start-up entry, the call client's keys, the installed copy's path, the cable removal).
//
// It remembers one root and one key path; every operation goes to the registry store afresh, does
// its one thing and holds nothing between calls, so any thread may use its own object. Reads fall
// back to the caller's default, writes and deletions return false; only the key selection and the
// type query record the store's result number as the last error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_store/registry_store.h"

// The registry's root handles, by the names the program uses.
using HKEY = qav::RegistryRoot;
inline constexpr HKEY HKEY_CLASSES_ROOT = qav::RegistryRoot::kClassesRoot;
inline constexpr HKEY HKEY_CURRENT_USER = qav::RegistryRoot::kCurrentUser;
inline constexpr HKEY HKEY_LOCAL_MACHINE = qav::RegistryRoot::kLocalMachine;
inline constexpr HKEY HKEY_USERS = qav::RegistryRoot::kUsers;

class CRegistryAccess {
 public:
  // HKEY_CURRENT_USER, an empty key path, lazy, last error 0; the store in its default folder.
  CRegistryAccess();
  explicit CRegistryAccess(qav::RegistryStore store);
  ~CRegistryAccess();

  // Accepts only the four predefined roots; anything else is refused and the root stays.
  bool SetRootKey(HKEY root);
  // Empty path: the stored path is emptied (the root itself), true. Otherwise the key must exist
  // (create false) or is created with its parents (create true); on success the path is stored.
  bool SetKey(std::u16string_view path, bool create);
  bool ValueExists(std::u16string_view name);
  // The value's number when it has exactly 4 bytes of data (whatever its type); else the default.
  int32_t ReadInt(std::u16string_view name, int32_t defaultValue);
  // The text of a REG_SZ or REG_EXPAND_SZ value (unexpanded); any other type or a failure gives the
  // default.
  std::u16string ReadString(std::u16string_view name, std::u16string_view defaultValue);
  // REG_SZ with its terminating zero (an empty text is 2 bytes); false when the key is missing.
  bool WriteString(std::u16string_view name, std::u16string_view text);
  bool DeleteValue(std::u16string_view name);
  // Deletes root\path: true when it is gone or was never there; false when it has a sub-key or the
  // deletion fails. Afterwards the stored path names that key.
  bool DeleteKey(std::u16string_view path);
  // Adds the stored key's value names to the list, which is kept in ascending order (case-sensitive).
  void GetValueNames(std::vector<std::u16string>& names);

  int32_t GetLastError() const { return m_lastError; }
  HKEY GetRootKey() const { return m_root; }
  const std::u16string& GetKeyPath() const { return m_keyPath; }
  // Every write of the store is flushed to disk before it returns, so lazy and eager objects behave
  // alike; the flag is kept for callers that set it.
  bool IsLazy() const { return m_lazy; }
  void SetLazy(bool lazy) { m_lazy = lazy; }

 private:
  bool KeyExists(std::u16string_view path) const;
  // Sub-keys of the stored key; -1 when it cannot be read.
  int32_t GetSubKeyCount() const;
  // The stored type of the value; 0 on failure (recorded as the last error).
  uint32_t GetValueType(std::u16string_view name);

  qav::RegistryStore m_store;
  int32_t m_lastError = 0;
  HKEY m_root = HKEY_CURRENT_USER;
  bool m_lazy = true;
  std::u16string m_keyPath;
};
