#include "net/http_client_map.h"

#include <algorithm>

#include "net/http_client_exception.h"
#include "net/http_error_table.h"
#include "platform/text.h"

namespace Vemra {
namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

std::optional<std::u16string> Copy(std::optional<std::u16string_view> value) {
  if (!value) return std::nullopt;
  return std::u16string(*value);
}

const std::u16string kEmpty;

}  // namespace

const CHttpClientMapT::Entry& CHttpClientMapT::Add(std::u16string_view name, std::optional<std::u16string_view> value,
                                                   uint32_t attributes) {
  return Insert(Entry{std::u16string(name), Copy(value), attributes});
}

const CHttpClientMapT::Entry& CHttpClientMapT::AddPointerDirectly(std::u16string name,
                                                                  std::optional<std::u16string> value,
                                                                  uint32_t attributes) {
  return Insert(Entry{std::move(name), std::move(value), attributes});
}

const CHttpClientMapT::Entry& CHttpClientMapT::Insert(Entry entry) {
  if (m_entries.size() >= UINT32_MAX) ThrowHttpError(kHttpErrorOverflow);
  const auto at = std::upper_bound(m_entries.begin(), m_entries.end(), entry.name,
                                   [](const std::u16string& name, const Entry& e) {
                                     return qav::CompareNoCase(name, e.name) < 0;
                                   });
  return *m_entries.insert(at, std::move(entry));
}

size_t CHttpClientMapT::Find(std::u16string_view name, size_t index) const {
  size_t seen = 0;
  for (size_t i = 0; i < m_entries.size(); ++i) {
    if (qav::CompareNoCase(m_entries[i].name, name) != 0) continue;
    if (seen++ == index) return i;
  }
  return kNone;
}

void CHttpClientMapT::Set(std::u16string_view name, std::optional<std::u16string_view> value, uint32_t attributes,
                          size_t index) {
  if (!Exists(name, 0)) {
    Add(name, value, attributes);
    return;
  }
  const size_t at = Find(name, index);
  if (at == kNone) ThrowHttpError(101);
  m_entries[at].value = Copy(value);
  m_entries[at].attributes = attributes;
}

const std::u16string* CHttpClientMapT::Get(std::u16string_view name, size_t index, uint32_t* attributes) const {
  const size_t at = Find(name, index);
  if (attributes) *attributes = at == kNone ? 0 : m_entries[at].attributes;
  if (at == kNone) return nullptr;
  return m_entries[at].value ? &*m_entries[at].value : &kEmpty;
}

bool CHttpClientMapT::Exists(std::u16string_view name, size_t index) const { return Find(name, index) != kNone; }

size_t CHttpClientMapT::Count(std::optional<std::u16string_view> name) const {
  if (!name) return m_entries.size();
  return std::count_if(m_entries.begin(), m_entries.end(),
                       [&](const Entry& e) { return qav::CompareNoCase(e.name, *name) == 0; });
}

int CHttpClientMapT::Remove(std::u16string_view name, size_t index) {
  const size_t at = Find(name, index);
  if (at == kNone) return 0;
  m_entries.erase(m_entries.begin() + static_cast<ptrdiff_t>(at));
  return 1;
}

int CHttpClientMapT::RemoveAll(std::u16string_view name) {
  const size_t removed = std::erase_if(m_entries, [&](const Entry& e) { return qav::CompareNoCase(e.name, name) == 0; });
  return removed > 0 ? 1 : 0;
}

int CHttpClientMapT::Empty() {
  if (m_entries.empty()) return 0;
  m_entries.clear();
  return 1;
}

}  // namespace Vemra
