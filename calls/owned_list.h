// The list a recordings collection keeps: it owns its items, newest first, and finds them by
// pointer (the pages and the calls hold plain pointers). What a collection does around adding and
// removing (detaching calls, telling the pages) stays with the collection. The items are kept in a
// deque: a pointer's room each, where a list's node took four times that (100,000 loaded
// recordings, 2.4 MB).
#pragma once

#include <algorithm>
#include <cstddef>
#include <deque>
#include <memory>
#include <vector>

template <typename T>
class COwnedList {
 public:
  T* AddAtHead(std::unique_ptr<T> item) {
    T* added = item.get();
    m_items.push_front(std::move(item));
    return added;
  }
  // Takes the item out and hands it back; null when it is not in the list.
  std::unique_ptr<T> Remove(const T* item) {
    auto entry = std::find_if(m_items.begin(), m_items.end(), [&](const auto& i) { return i.get() == item; });
    if (entry == m_items.end()) return nullptr;
    std::unique_ptr<T> removed = std::move(*entry);
    m_items.erase(entry);
    return removed;
  }
  std::unique_ptr<T> RemoveFirst() { return m_items.empty() ? nullptr : Remove(m_items.front().get()); }
  bool Contains(const T* item) const {
    return item != nullptr &&
           std::any_of(m_items.begin(), m_items.end(), [&](const auto& i) { return i.get() == item; });
  }
  std::vector<T*> Items() const {
    std::vector<T*> items;
    for (const auto& item : m_items) items.push_back(item.get());
    return items;
  }
  size_t size() const { return m_items.size(); }
  bool empty() const { return m_items.empty(); }
  // Frees every item without a word (the collections at program exit).
  template <typename Forget>
  void Clear(Forget forget) {
    for (auto& item : m_items) forget(*item);
    m_items.clear();
  }

 private:
  std::deque<std::unique_ptr<T>> m_items;
};
