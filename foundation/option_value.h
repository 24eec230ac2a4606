// The types of the option variables (docs/settings.md, "Threads").
//
// The option variables are read by every thread without a lock of the caller's and written by the
// loading functions (on the GUI thread, or on the dispatcher thread when the current user becomes
// known) and by the option pages. So each variable is safe on its own: a number is one atomic
// word, and a text is copied out and replaced under its own small lock, so a reader never sees a
// text while it is being assigned. A reader gets each value whole; two values read one after the
// other may come from either side of a reload, as each value is sound by itself.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

class COptionInt {
 public:
  constexpr explicit COptionInt(int32_t value = 0) : m_value(value) {}
  COptionInt(const COptionInt&) = delete;
  COptionInt& operator=(const COptionInt&) = delete;

  int32_t Get() const { return m_value.load(); }
  void Set(int32_t value) { m_value.store(value); }
  operator int32_t() const { return Get(); }
  COptionInt& operator=(int32_t value) {
    Set(value);
    return *this;
  }

 private:
  std::atomic<int32_t> m_value;
};

// A 64-bit time (seconds since 1970); the settings files keep its low 32 bits.
class COptionTime {
 public:
  constexpr explicit COptionTime(int64_t value = 0) : m_value(value) {}
  COptionTime(const COptionTime&) = delete;
  COptionTime& operator=(const COptionTime&) = delete;

  int64_t Get() const { return m_value.load(); }
  void Set(int64_t value) { m_value.store(value); }
  operator int64_t() const { return Get(); }
  COptionTime& operator=(int64_t value) {
    Set(value);
    return *this;
  }

 private:
  std::atomic<int64_t> m_value;
};

class COptionText {
 public:
  COptionText() = default;
  explicit COptionText(std::u16string value) : m_value(std::move(value)) {}
  COptionText(const COptionText&) = delete;
  COptionText& operator=(const COptionText&) = delete;

  // A copy of the whole text as it stands.
  std::u16string Get() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_value;
  }
  void Set(std::u16string value) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_value.swap(value);
    }
    // the old text is freed here, outside the lock
  }
  bool IsEmpty() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_value.empty();
  }
  operator std::u16string() const { return Get(); }
  COptionText& operator=(std::u16string value) {
    Set(std::move(value));
    return *this;
  }
  COptionText& operator=(std::u16string_view value) {
    Set(std::u16string(value));
    return *this;
  }
  COptionText& operator=(const char16_t* value) {
    Set(std::u16string(value));
    return *this;
  }

 private:
  mutable std::mutex m_mutex;
  std::u16string m_value;
};
