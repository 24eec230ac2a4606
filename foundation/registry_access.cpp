#include "foundation/registry_access.h"

#include <algorithm>

using qav::RegistryValue;

CRegistryAccess::CRegistryAccess() = default;

CRegistryAccess::CRegistryAccess(qav::RegistryStore store) : m_store(std::move(store)) {}

CRegistryAccess::~CRegistryAccess() {
  m_keyPath.clear();
  m_root = HKEY_CURRENT_USER;
  m_lazy = true;
}

bool CRegistryAccess::SetRootKey(HKEY root) {
  if (!qav::IsRegistryRoot(root)) return false;
  m_root = root;
  return true;
}

bool CRegistryAccess::SetKey(std::u16string_view path, bool create) {
  if (path.empty()) {
    m_keyPath.clear();
    return true;
  }
  const qav::RegistryStatus status = create ? m_store.CreateKey(m_root, path) : m_store.KeyExists(m_root, path);
  m_lastError = status;
  if (status != qav::kRegOk) return false;
  m_keyPath = std::u16string(path);
  return true;
}

bool CRegistryAccess::KeyExists(std::u16string_view path) const { return m_store.KeyExists(m_root, path) == qav::kRegOk; }

int32_t CRegistryAccess::GetSubKeyCount() const {
  qav::RegistryKeyInfo info;
  if (m_store.GetKeyInfo(m_root, m_keyPath, &info) != qav::kRegOk) return -1;
  return static_cast<int32_t>(info.subKeyCount);
}

uint32_t CRegistryAccess::GetValueType(std::u16string_view name) {
  RegistryValue value;
  const qav::RegistryStatus status = m_store.QueryValue(m_root, m_keyPath, name, &value);
  m_lastError = status;
  return status == qav::kRegOk ? value.type : 0;
}

bool CRegistryAccess::ValueExists(std::u16string_view name) {
  return m_store.QueryValue(m_root, m_keyPath, name, nullptr) == qav::kRegOk;
}

int32_t CRegistryAccess::ReadInt(std::u16string_view name, int32_t defaultValue) {
  RegistryValue value;
  if (m_store.QueryValue(m_root, m_keyPath, name, &value) != qav::kRegOk) return defaultValue;
  // Exactly four bytes: a shorter or longer value is not this number.
  const auto number = qav::RegistryDwordOf(value);
  return number ? static_cast<int32_t>(*number) : defaultValue;
}

std::u16string CRegistryAccess::ReadString(std::u16string_view name, std::u16string_view defaultValue) {
  const uint32_t type = GetValueType(name);
  if (type != qav::kRegSz && type != qav::kRegExpandSz) return std::u16string(defaultValue);
  RegistryValue value;
  if (m_store.QueryValue(m_root, m_keyPath, name, &value) != qav::kRegOk) return std::u16string(defaultValue);
  return qav::RegistryStringOf(value).value_or(std::u16string(defaultValue));
}

bool CRegistryAccess::WriteString(std::u16string_view name, std::u16string_view text) {
  return m_store.SetValue(m_root, m_keyPath, name, qav::MakeRegistryString(text)) == qav::kRegOk;
}

bool CRegistryAccess::DeleteValue(std::u16string_view name) {
  return m_store.DeleteValue(m_root, m_keyPath, name) == qav::kRegOk;
}

bool CRegistryAccess::DeleteKey(std::u16string_view path) {
  if (!KeyExists(path)) return true;
  if (!SetKey(path, false)) return false;
  if (GetSubKeyCount() > 0) return false;
  return m_store.DeleteKey(m_root, path) == qav::kRegOk;
}

void CRegistryAccess::GetValueNames(std::vector<std::u16string>& names) {
  std::vector<std::u16string> found;
  if (m_store.GetValueNames(m_root, m_keyPath, &found) != qav::kRegOk) return;
  for (auto& name : found) names.insert(std::upper_bound(names.begin(), names.end(), name), std::move(name));
}
