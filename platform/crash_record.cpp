#include "platform/crash_record.h"

#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <ctime>

#include "platform/loaded_modules.h"

namespace qav {

namespace {

// Splits off the first blank-separated word of `rest`.
std::string_view NextWord(std::string_view& rest) {
  const size_t blank = rest.find(' ');
  std::string_view word = rest.substr(0, blank);
  rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
  return word;
}

template <typename Number>
Number ParseNumber(std::string_view text) {
  Number value{};
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  std::from_chars(text.data(), text.data() + text.size(), value, base);
  return value;
}

}  // namespace

std::string FormatCrashRecordModules(const std::vector<LoadedModule>& modules) {
  std::string lines;
  for (const LoadedModule& module : modules) {
    std::string path = module.path;
    for (char& c : path) {
      if (c == '\n' || c == '\r') c = '?';  // one module a line, whatever its name
    }
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "0x%llx 0x%llx ", static_cast<unsigned long long>(module.base),
                  static_cast<unsigned long long>(module.size));
    lines += "module ";
    lines += numbers;
    lines += module.buildId.empty() ? "-" : module.buildId;
    lines += " " + path + "\n";
  }
  return lines;
}

std::string RecordOfThisProcess() {
  const std::vector<LoadedModule> modules = ListLoadedModules();
  std::string record(kCrashRecordHeader);
  record += "\nprocess " + std::to_string(getpid()) + "\n";
  record += "time " + std::to_string(static_cast<long long>(std::time(nullptr))) + "\n";
  record += "program " + (modules.empty() ? std::string() : modules.front().path) + "\n";
  record += "cause request\n";
  record += FormatCrashRecordModules(modules);
  record += "end\n";
  return record;
}

std::optional<CrashRecord> ParseCrashRecord(std::string_view text) {
  CrashRecord record;
  bool header = false;
  bool ended = false;
  while (!text.empty() && !ended) {
    const size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
    if (!header) {
      if (line != kCrashRecordHeader) return std::nullopt;
      header = true;
      continue;
    }
    std::string_view rest = line;
    const std::string_view key = NextWord(rest);
    if (key == "end") {
      ended = true;
    } else if (key == "process") {
      record.processId = ParseNumber<int64_t>(rest);
    } else if (key == "thread") {
      record.threadId = ParseNumber<int64_t>(rest);
    } else if (key == "time") {
      record.timeSeconds = ParseNumber<int64_t>(rest);
    } else if (key == "program") {
      record.program = rest;
    } else if (key == "cause") {
      record.cause = rest;
    } else if (key == "terminate-message") {
      record.terminateMessage = rest;
    } else if (key == "signal") {
      record.signal = ParseNumber<int>(NextWord(rest));
      record.signalName = rest;
    } else if (key == "signal-code") {
      record.signalCode = ParseNumber<int>(rest);
    } else if (key == "exception") {
      record.exceptionCode = ParseNumber<uint32_t>(NextWord(rest));
      record.exceptionName = rest;
    } else if (key == "instruction") {
      record.instructionAddress = ParseNumber<uint64_t>(rest);
    } else if (key == "fault-address") {
      record.faultAddress = ParseNumber<uint64_t>(rest);
    } else if (key == "register") {
      const std::string_view name = NextWord(rest);
      record.registers.emplace_back(std::string(name), ParseNumber<uint64_t>(rest));
    } else if (key == "frame") {
      record.frames.push_back(ParseNumber<uint64_t>(rest));
    } else if (key == "module") {
      CrashRecordModule module;
      module.base = ParseNumber<uint64_t>(NextWord(rest));
      module.size = ParseNumber<uint64_t>(NextWord(rest));
      const std::string_view buildId = NextWord(rest);
      module.buildId = buildId == "-" ? std::string() : std::string(buildId);
      module.path = rest;
      record.modules.push_back(std::move(module));
    }
  }
  if (!ended) return std::nullopt;
  return record;
}

}  // namespace qav
