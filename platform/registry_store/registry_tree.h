// The in-memory form of one root key of the registry store, and its text file format
// (docs/registry-store.md).
//
// Key and value names are compared ASCII case-insensitively and kept as written. Keys and values
// keep the order in which they were created. Lines of a file that this build cannot read are kept
// verbatim under the key they appeared in and written back unchanged, so a hand-edited or newer
// file loses nothing when the program writes to it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_store/registry_value.h"

namespace qav {

struct RegistryKeyNode {
  std::u16string name;
  std::vector<std::pair<std::u16string, RegistryValue>> values;
  std::vector<std::string> unreadLines;
  std::vector<std::unique_ptr<RegistryKeyNode>> subKeys;

  RegistryKeyNode* FindSubKey(std::u16string_view name) const;
  RegistryKeyNode* AddSubKey(std::u16string_view name);
  // Removes the sub-key with that name; false when there is none.
  bool RemoveSubKey(std::u16string_view name);
  const RegistryValue* FindValue(std::u16string_view name) const;
  // Replaces the value of that name (keeping its place and its stored name) or appends it.
  void SetValue(std::u16string_view name, RegistryValue value);
  bool RemoveValue(std::u16string_view name);
};

bool RegistryNamesEqual(std::u16string_view a, std::u16string_view b);

// Splits a "\"-separated key path into its names, dropping empty ones ("A\\B\" is A, B).
std::vector<std::u16string> SplitRegistryPath(std::u16string_view path);

// Parses a root file's bytes. Never fails: unreadable lines are kept as unreadLines.
std::unique_ptr<RegistryKeyNode> ParseRegistryFile(std::string_view bytes);
std::string SerializeRegistryFile(const RegistryKeyNode& root);

// The first line of every file the store writes.
inline constexpr std::string_view kRegistryFileHeader = "QAV registry store 1";

}  // namespace qav
