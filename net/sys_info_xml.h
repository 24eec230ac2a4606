// The system-information file of a report: the exception (for a crash), the processor, the
// operating system and the program's modules, as one XML document whose values are attributes.
//
// The vocabulary is the one the report server has always read (processor architecture numbers and
// names, "Intel Pentium Pro or Pentium II" levels, major and minor system versions), filled from
// what Linux tells: the architecture the program was built for, the CPU family, the kernel release
// and version.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/crash_record.h"

// The machine facts the file reports; tests inject their own.
struct CSystemFacts {
  uint32_t architecture = 0xFFFF;  // the architecture numbers of the report format (0 Intel x86, 5 ARM, ...)
  int32_t cpuFamily = 0;           // x86 CPU family (3 .. 6 have names), 0 when unknown
  int32_t processorCount = 0;
  int32_t osMajor = 0;
  int32_t osMinor = 0;
  int32_t osBuild = 0;
  std::string osText;  // the kernel's version text, in place of a service pack
};

// The facts of the machine the program runs on.
CSystemFacts CurrentSystemFacts();

// "PROCESSOR_ARCHITECTURE_INTEL" and the others, "Unknown" for any number without a name.
std::u16string ProcessorArchitectureName(uint32_t architecture);
// The level of an x86 processor by its family ("Intel Pentium" for 5); "Unknown" otherwise.
std::u16string ProcessorLevelName(uint32_t architecture, int32_t cpuFamily);

// The document's text: "Exception" with "ExceptionRecord" (only when the record is a crash),
// "Processor", "OperatingSystem" and "Modules" (from the record's module list; each module's time
// stamp is its file's modification time in UTC, its versions its build id).
std::u16string BuildSysInfoXml(const qav::CrashRecord& record, const CSystemFacts& facts);

// Writes the document to `path` (UTF-16LE with a byte-order mark, like the program's other saved
// XML). 1 on success, 0 when the file cannot be written.
int WriteSysInfoXml(std::u16string_view path, const qav::CrashRecord& record, const CSystemFacts& facts);
