#include "foundation/log_record_text.h"

#include <time.h>

namespace {

constexpr std::u16string_view kLevelNames[] = {u"ALL",  u"FINEST", u"FINER",   u"FINE", u"CONFIG",
                                               u"INFO", u"WARNING", u"SEVERE", u"OFF"};

// Decimal digits of a number, at least `minDigits` of them (zero-padded).
void AppendDecimal(std::u16string& out, int64_t value, int minDigits = 1) {
  char16_t digits[24];
  int count = 0;
  const bool negative = value < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  do {
    digits[count++] = static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  while (count < minDigits) digits[count++] = u'0';
  if (negative) out.push_back(u'-');
  while (count > 0) out.push_back(digits[--count]);
}

}  // namespace

std::u16string_view LogLevelName(int32_t level) {
  if (level < LOG_ALL || level > LOG_OFF) return {};
  return kLevelNames[level - LOG_ALL];
}

void AppendLogRecordText(const CLogRecord& record, std::u16string& out) {
  tm local{};
  const time_t seconds = static_cast<time_t>(record.timeSeconds);
  if (localtime_r(&seconds, &local) == nullptr) local = tm{};

  out += u"\r\nLogger name: ";
  out += record.loggerName;
  out += u"\tLevel: ";
  const std::u16string_view levelName = LogLevelName(record.level);
  if (levelName.empty()) {
    AppendDecimal(out, record.level);  // not a level; show what the caller passed
  } else {
    out += levelName;
  }
  out += u"\tTime: ";
  AppendDecimal(out, local.tm_mday, 2);
  out += u'/';
  AppendDecimal(out, local.tm_mon + 1, 2);
  out += u'/';
  AppendDecimal(out, static_cast<int64_t>(local.tm_year) + 1900);
  out += u' ';
  AppendDecimal(out, local.tm_hour, 2);
  out += u':';
  AppendDecimal(out, local.tm_min, 2);
  out += u':';
  AppendDecimal(out, local.tm_sec, 2);
  out += u'.';
  AppendDecimal(out, record.milliseconds, 3);
  out += u"\tSequence: ";
  AppendDecimal(out, record.sequence);
  out += u"\tThread ID: ";
  AppendDecimal(out, record.threadId);
  out += u"\tProcess ID: ";
  AppendDecimal(out, record.processId);
  out += u"\tSource file: ";
  out += record.sourceFile;
  out += u"\tSource line: ";
  AppendDecimal(out, record.sourceLine);
  out += u"\r\nMessage: ";
  out += record.message;
  out += u"\r\n";
}

std::u16string FormatLogRecord(const CLogRecord& record) {
  std::u16string text;
  text.reserve(160 + record.loggerName.size() + record.sourceFile.size() + record.message.size());
  AppendLogRecordText(record, text);
  return text;
}
