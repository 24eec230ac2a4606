// Date and time texts and conversions. Times are seconds since 1970 (UTC); texts and broken-down
// times show local time (the TZ rules of the process).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The local date in the short date format of the user's locale (LC_ALL, LC_TIME or LANG, as
// "%x" gives it); "%b %d, %Y" (Mar 05, 2007) when that locale cannot be loaded. "" for a time the
// system cannot convert.
std::u16string FormatDate(int64_t time);
// The local time as "%H:%M".
std::u16string FormatTime(int64_t time);
// FormatDate + ", " + FormatTime.
std::u16string FormatDateTime(int64_t time);

// A local time broken down into its fields.
struct LocalDateTime {
  int year = 0;
  int month = 0;      // 1..12
  int dayOfWeek = 0;  // 0 Sunday .. 6 Saturday
  int day = 0;        // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int milliseconds = 0;  // always 0: the time has whole seconds
};

// False for a time the system cannot convert (out of the range of its calendar).
bool TimeToLocalDateTime(int64_t time, LocalDateTime& out);

// The file's last write time in the Windows file-time form the program keeps: 100-nanosecond
// steps since 1601-01-01, moved to local time by the UTC offset in force at that time. 0 when
// the file is not found.
uint64_t GetFileLastWriteTime(std::u16string_view path);
