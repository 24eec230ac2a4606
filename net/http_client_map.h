// The HTTP client library's ordered multimap of names to values: the client's form parameters and
// extra request headers, and the response's cache of reply headers.
//
// Entries stay sorted by name without regard to (ASCII) case, which is also the order parameters
// go on the wire; entries with equal names keep the order they were added in. A value may be
// absent; it then reads as an empty text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Vemra {

class CHttpClientMapT {
 public:
  struct Entry {
    std::u16string name;
    std::optional<std::u16string> value;
    uint32_t attributes = 0;
  };

  CHttpClientMapT() = default;
  virtual ~CHttpClientMapT() = default;

  // Inserts a copy after the existing entries of that name.
  const Entry& Add(std::u16string_view name, std::optional<std::u16string_view> value, uint32_t attributes = 0);
  // The same, taking the texts over.
  const Entry& AddPointerDirectly(std::u16string name, std::optional<std::u16string> value, uint32_t attributes = 0);
  // Without an entry of that name, Add; otherwise replaces value and attributes of the entry at
  // `index` among that name's entries (an index past them is error 101).
  void Set(std::u16string_view name, std::optional<std::u16string_view> value, uint32_t attributes, size_t index = 0);
  // The value of the entry at `index` among that name's (an absent value reads as ""), or nullptr
  // when there is none; `attributes` gets its bits, or 0.
  const std::u16string* Get(std::u16string_view name, size_t index = 0, uint32_t* attributes = nullptr) const;
  bool Exists(std::u16string_view name, size_t index = 0) const;
  // Entries of that name; all entries without one.
  size_t Count(std::optional<std::u16string_view> name = std::nullopt) const;
  // 1 when the entry was removed, 0 when there was none.
  int Remove(std::u16string_view name, size_t index = 0);
  // Every entry of that name; 0 when there was none.
  int RemoveAll(std::u16string_view name);
  // Every entry; 0 when the map was already empty.
  int Empty();

  // The entries in map order.
  const std::vector<Entry>& Entries() const { return m_entries; }

 private:
  const Entry& Insert(Entry entry);
  // Position of the entry at `index` among those of the name, or npos.
  size_t Find(std::u16string_view name, size_t index) const;

  std::vector<Entry> m_entries;
};

}  // namespace Vemra
