#include "calls/recording_file_names.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/date_time.h"
#include "platform/text.h"

namespace {

constexpr size_t kVoiceMessageFixedFields = 9;  // year .. extension
constexpr size_t kConversationFields = 8;       // year .. extension

// A field of digits only (no sign, no blanks), as the writer makes them.
std::optional<int32_t> Digits(std::u16string_view field) {
  if (field.empty() || field.size() > 10) return std::nullopt;
  for (char16_t c : field) {
    if (c < u'0' || c > u'9') return std::nullopt;
  }
  return qav::ParseInt32(field);
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int DaysInMonth(int32_t year, int32_t month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// mktime, for fields already checked; nullopt when the date does not exist.
std::optional<int64_t> MakeLocalTime(const int32_t* v) {
  std::tm local{};
  local.tm_year = v[0] - 1900;
  local.tm_mon = v[1] - 1;
  local.tm_mday = v[2];
  local.tm_hour = v[3];
  local.tm_min = v[4];
  local.tm_sec = v[5];
  local.tm_isdst = -1;
  const time_t t = std::mktime(&local);
  if (t == static_cast<time_t>(-1)) return std::nullopt;
  // 31 February and its kind are moved on by mktime: such a date is no date.
  if (local.tm_year != v[0] - 1900 || local.tm_mon != v[1] - 1 || local.tm_mday != v[2]) return std::nullopt;
  return static_cast<int64_t>(t);
}

// mktime weighs the zone's rules afresh at every call (microseconds), and a folder of many
// recordings holds many of one day: the offset of a local day that has no change of offset is
// kept, per thread and per TZ, and the time of any second of it is plain arithmetic.
class LocalDayOffsets {
 public:
  // Seconds to subtract from the fields read as UTC; nullopt when the day changes its offset.
  std::optional<int64_t> For(int32_t year, int32_t month, int32_t day) {
    const char* zone = std::getenv("TZ");
    if ((zone ? zone : "\n") != m_zone) {
      m_zone = zone ? zone : "\n";  // (no TZ differs from every TZ)
      m_days.clear();
    }
    const int64_t key = (int64_t{year} * 100 + month) * 100 + day;
    if (auto known = m_days.find(key); known != m_days.end()) return known->second;
    if (m_days.size() >= 4096) m_days.clear();
    const int32_t first[6] = {year, month, day, 0, 0, 0};
    const int32_t last[6] = {year, month, day, 23, 59, 59};
    const std::optional<int64_t> start = MakeLocalTime(first);
    const std::optional<int64_t> end = MakeLocalTime(last);
    const int64_t asUtc = DaysFromCivil(year, month, day) * 86400;
    std::optional<int64_t> offset;
    if (start && end && asUtc - *start == asUtc + 86399 - *end) offset = asUtc - *start;
    m_days.emplace(key, offset);
    return offset;
  }

 private:
  std::string m_zone;
  std::unordered_map<int64_t, std::optional<int64_t>> m_days;
};

// The time that six local-time fields stand for; nullopt for a date or time that does not exist.
// Daylight saving is the system's to decide (an hour skipped in spring moves on by that hour).
std::optional<int64_t> LocalFieldsToTime(const std::u16string_view* fields) {
  int32_t v[6];
  for (int i = 0; i < 6; ++i) {
    const std::optional<int32_t> n = Digits(fields[i]);
    if (!n) return std::nullopt;
    v[i] = *n;
  }
  if (v[0] < 1900 || v[0] > 9999 || v[1] < 1 || v[1] > 12 || v[2] < 1 || v[2] > 31 || v[3] > 23 || v[4] > 59 ||
      v[5] > 60) {
    return std::nullopt;
  }
  if (v[2] > DaysInMonth(v[0], v[1])) return std::nullopt;
  // A leap second is left to mktime: at the end of a day it is no time of that day.
  if (v[5] == 60) return MakeLocalTime(v);
  thread_local LocalDayOffsets offsets;
  const std::optional<int64_t> offset = offsets.For(v[0], v[1], v[2]);
  if (!offset) return MakeLocalTime(v);  // a day whose offset changes: the system decides each time
  return DaysFromCivil(v[0], v[1], v[2]) * 86400 + v[3] * 3600 + v[4] * 60 + v[5] - *offset;
}

bool IsUnsafeNameCharacter(char16_t c) { return c == u'/' || c == u'\\' || c < 0x20 || c == 0x7F; }

}  // namespace

bool IsRecordingExtension(std::u16string_view extension) { return extension == u"wav" || extension == u"mp3"; }

std::u16string VoiceMessageTemporaryName(int32_t n, std::u16string_view extension) {
  return std::u16string(kVoiceMessageTemporaryBase) + (n == 0 ? u"" : qav::Format(u".%d", n)) + u"." +
         std::u16string(extension);
}

std::optional<std::u16string> ParseVoiceMessageTemporaryName(std::u16string_view name) {
  const std::u16string base = std::u16string(kVoiceMessageTemporaryBase) + u".";
  if (!name.starts_with(base) || name.size() < base.size() + 3) return std::nullopt;
  const std::u16string_view extension = name.substr(name.size() - 3);
  if (!IsRecordingExtension(extension)) return std::nullopt;
  // Between the base and the extension: nothing, or the number and its dot.
  const std::u16string_view middle = name.substr(base.size(), name.size() - 3 - base.size());
  const auto digit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
  const bool numbered =
      middle.size() >= 2 && middle.back() == u'.' && std::all_of(middle.begin(), middle.end() - 1, digit);
  if (!middle.empty() && !numbered) return std::nullopt;
  return std::u16string(extension);
}

std::u16string FormatRecordingTime(int64_t time) {
  LocalDateTime local;
  if (!TimeToLocalDateTime(time, local)) return {};
  return qav::Format(u"%04d.%02d.%02d.%02d.%02d.%02d", local.year, local.month, local.day, local.hour, local.minute,
                     local.second);
}

std::u16string VoiceMessageFileNameHandle(std::u16string_view handle) {
  std::u16string field;
  for (size_t i = 0; i < handle.size(); ++i) {
    const char16_t c = handle[i];
    const bool pairStart = c >= 0xD800 && c <= 0xDBFF && i + 1 < handle.size();
    if (field.size() + (pairStart ? 2 : 1) > kMaxFileNameHandleUnits) break;
    field.push_back(IsUnsafeNameCharacter(c) ? u'_' : c);
    if (pairStart) field.push_back(handle[++i]);
  }
  return field;
}

std::u16string BuildVoiceMessageFileName(std::u16string_view handle, int64_t startTime, int32_t duration, bool seen,
                                         std::u16string_view extension) {
  const std::u16string time = FormatRecordingTime(startTime);
  if (time.empty()) return {};
  return qav::Format(u"%s.%s.%d.%s.%s", VoiceMessageFileNameHandle(handle), time, duration, seen ? u"s" : u"n",
                     extension);
}

std::optional<VoiceMessageFileName> ParseVoiceMessageFileName(std::u16string_view name) {
  // The fixed fields from the right; whatever stands before them is the caller's handle.
  std::u16string_view fields[kVoiceMessageFixedFields];
  std::u16string_view rest = name;
  for (size_t i = kVoiceMessageFixedFields; i-- > 0;) {
    const size_t dot = rest.rfind(u'.');
    if (dot == std::u16string_view::npos) return std::nullopt;
    fields[i] = rest.substr(dot + 1);
    rest = rest.substr(0, dot);
  }
  if (rest.empty()) return std::nullopt;
  VoiceMessageFileName parsed;
  parsed.extension = std::u16string(fields[8]);
  if (!IsRecordingExtension(parsed.extension) || fields[7].empty()) return std::nullopt;
  const std::optional<int64_t> time = LocalFieldsToTime(fields);
  const std::optional<int32_t> duration = Digits(fields[6]);
  if (!time || !duration) return std::nullopt;
  parsed.caller = std::u16string(rest);
  parsed.startTime = *time;
  parsed.duration = *duration;
  parsed.seen = fields[7] != u"n";
  return parsed;
}

std::u16string BuildConversationBaseName(int64_t startTime, int32_t conferenceId) {
  const std::u16string time = FormatRecordingTime(startTime);
  if (time.empty()) return {};
  return qav::Format(u"%s.%d", time, conferenceId);
}

std::optional<ConversationFileName> ParseConversationFileName(std::u16string_view name) {
  std::vector<std::u16string> fields;
  for (std::u16string& field : qav::Split(name, u'.')) {
    if (field.empty()) continue;
    if (fields.size() == kConversationFields) return std::nullopt;  // a further field
    fields.push_back(std::move(field));
  }
  if (fields.size() != kConversationFields || !IsRecordingExtension(fields[7])) return std::nullopt;
  const std::u16string_view timeFields[6] = {fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]};
  const std::optional<int64_t> time = LocalFieldsToTime(timeFields);
  const std::optional<int32_t> conferenceId = Digits(fields[6]);
  if (!time || !conferenceId) return std::nullopt;
  return ConversationFileName{*time, *conferenceId, fields[7]};
}
