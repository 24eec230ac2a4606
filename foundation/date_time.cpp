#include "foundation/date_time.h"

#include <locale.h>
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

// Days between 1601-01-01 and 1970-01-01, in 100-nanosecond steps.
constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ull;

}  // namespace

std::u16string FormatDate(int64_t time) {
  tm parts{};
  if (!ToLocalTm(time, parts)) return {};
  locale_t userLocale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
  if (userLocale == static_cast<locale_t>(0)) {
    locale_t c = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
    std::u16string text = FormatTm("%b %d, %Y", parts, c);
    if (c != static_cast<locale_t>(0)) freelocale(c);
    return text;
  }
  std::u16string text = FormatTm("%x", parts, userLocale);
  freelocale(userLocale);
  return text;
}

std::u16string FormatTime(int64_t time) {
  tm parts{};
  if (!ToLocalTm(time, parts)) return {};
  return FormatTm("%H:%M", parts, nullptr);
}

std::u16string FormatDateTime(int64_t time) { return FormatDate(time) + u", " + FormatTime(time); }

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
