// The crash record: what the fatal-signal handler writes about a crash, as the crash helper reads
// it. The format is plain text, one item a line (docs/crash-reports.md); the handler writes it with
// nothing but async-signal-safe calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qav {

struct LoadedModule;

// The first line of every record; the number is the format's version.
inline constexpr std::string_view kCrashRecordHeader = "QAV crash record 1";

struct CrashRecordModule {
  uint64_t base = 0;
  uint64_t size = 0;
  std::string buildId;  // "" when the module has none
  std::string path;
};

struct CrashRecord {
  int64_t processId = 0;
  int64_t threadId = 0;
  int64_t timeSeconds = 0;  // seconds since 1970
  std::string program;      // the program's full path
  std::string cause;        // "signal" or "terminate"
  std::string terminateMessage;  // what() of the exception that ended a "terminate", if any
  int signal = 0;
  std::string signalName;
  int signalCode = 0;
  uint32_t exceptionCode = 0;
  std::string exceptionName;
  uint64_t instructionAddress = 0;
  uint64_t faultAddress = 0;
  std::vector<std::pair<std::string, uint64_t>> registers;  // in the order written
  std::vector<uint64_t> frames;                             // innermost first
  std::vector<CrashRecordModule> modules;
};

// The "module" lines of a record for these modules.
std::string FormatCrashRecordModules(const std::vector<LoadedModule>& modules);

// A record of this process as it runs, with no crash in it: for a problem report the user asks
// for. Its cause is "request"; it has no signal, registers or frames.
std::string RecordOfThisProcess();

// Reads a record. nullopt when the header is missing or the record does not end with its "end"
// line (a handler that died half-way); unknown lines are skipped, so later versions may add some.
std::optional<CrashRecord> ParseCrashRecord(std::string_view text);

}  // namespace qav
