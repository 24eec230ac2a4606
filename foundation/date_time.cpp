#include "foundation/date_time.h"

#include <locale.h>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <time.h>

#include "platform/text.h"

namespace {

bool ToLocalTm(int64_t time, tm& out) {
  const time_t t = static_cast<time_t>(time);
  return localtime_r(&t, &out) != nullptr;
}

std::u16string FormatTm(const char* format, const tm& parts, locale_t locale) {
  char buffer[256];
  const size_t length = locale != nullptr ? strftime_l(buffer, sizeof buffer, format, &parts, locale)
                                          : strftime(buffer, sizeof buffer, format, &parts);
  return qav::Utf8ToUtf16(std::string_view(buffer, length));
}

// The user's time locale as the environment names it, kept (per thread) while the environment
// names the same one: making a locale reads the locale files and costs more than the date it
// formats, and a list page formats thousands. Null when the named locale cannot be loaded.
locale_t UserTimeLocale() {
  struct Kept {
    bool made = false;
    std::string names;
    locale_t locale = static_cast<locale_t>(0);
    ~Kept() {
      if (locale != static_cast<locale_t>(0)) freelocale(locale);
    }
  };
  thread_local Kept kept;
  std::string names;
  for (const char* variable : {"LC_ALL", "LC_TIME", "LANG", "LOCPATH"}) {
    const char* value = std::getenv(variable);
    names += value != nullptr ? value : "";
    names += '\n';
  }
  if (!kept.made || names != kept.names) {
    if (kept.locale != static_cast<locale_t>(0)) freelocale(kept.locale);
    kept.locale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
    kept.names = std::move(names);
    kept.made = true;
  }
  return kept.locale;
}

locale_t PosixTimeLocale() {
  static const locale_t locale = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
  return locale;
}

std::u16string FormatDateOf(const tm& parts) {
  if (const locale_t user = UserTimeLocale(); user != static_cast<locale_t>(0)) return FormatTm("%x", parts, user);
  return FormatTm("%b %d, %Y", parts, PosixTimeLocale());
}

std::u16string FormatTimeOf(const tm& parts) { return FormatTm("%H:%M", parts, nullptr); }

// Days between 1601-01-01 and 1970-01-01, in 100-nanosecond steps.
constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ull;

}  // namespace

std::u16string FormatDate(int64_t time) {
  tm parts{};
  if (!ToLocalTm(time, parts)) return {};
  return FormatDateOf(parts);
}

std::u16string FormatTime(int64_t time) {
  tm parts{};
  if (!ToLocalTm(time, parts)) return {};
  return FormatTimeOf(parts);
}

std::u16string FormatDateTime(int64_t time) {
  tm parts{};
  if (!ToLocalTm(time, parts)) return u", ";
  return FormatDateOf(parts) + u", " + FormatTimeOf(parts);
}

bool TimeToLocalDateTime(int64_t time, LocalDateTime& out) {
  tm parts{};
  if (!ToLocalTm(time, parts)) return false;
  out.year = parts.tm_year + 1900;
  out.month = parts.tm_mon + 1;
  out.dayOfWeek = parts.tm_wday;
  out.day = parts.tm_mday;
  out.hour = parts.tm_hour;
  out.minute = parts.tm_min;
  out.second = parts.tm_sec;
  out.milliseconds = 0;
  return true;
}

uint64_t GetFileLastWriteTime(std::u16string_view path) {
  struct stat info {};
  if (stat(qav::Utf16ToUtf8(path).c_str(), &info) != 0) return 0;
  tm parts{};
  const int64_t offset = ToLocalTm(info.st_mtim.tv_sec, parts) ? parts.tm_gmtoff : 0;
  const int64_t localSeconds = static_cast<int64_t>(info.st_mtim.tv_sec) + offset;
  const int64_t steps = localSeconds * 10'000'000 + info.st_mtim.tv_nsec / 100;
  if (steps < -static_cast<int64_t>(kUnixEpochAsFileTime)) return 0;
  return kUnixEpochAsFileTime + static_cast<uint64_t>(steps);
}
