// The text form of a log record, as the file handlers write it and the memory ring keeps it:
//
//   "\r\nLogger name: QAV\tLevel: INFO\tTime: 14/11/2023 22:13:20.042\tSequence: 7\t"
//   "Thread ID: 12\tProcess ID: 34\tSource file: Call.cpp\tSource line: 99\r\n"
//   "Message: CCall::init callId: 5\r\n"
//
// so each record is a blank line, one line of TAB-separated header fields and one "Message: " line.
// The time is local time (localtime_r, so the TZ environment decides), the milliseconds always
// three digits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/logger.h"

// "ALL" .. "OFF" for levels 1..9; an empty view for anything else.
std::u16string_view LogLevelName(int32_t level);

// Appends the record's text to `out` (the memory ring reuses its slots' storage this way).
void AppendLogRecordText(const CLogRecord& record, std::u16string& out);
std::u16string FormatLogRecord(const CLogRecord& record);
