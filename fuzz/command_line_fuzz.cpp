// The command-line splitter: a command line (as the autostart entry or another instance hands it
// over) split into arguments with the Windows quoting rules, switches looked up in it, and a line
// built from arguments splitting back into the same arguments.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz/fuzz_support.h"
#include "platform/command_line.h"
#include "platform/text.h"

namespace {

constexpr qav::SwitchSpec kSwitches[] = {
    {u"/autostart", qav::SwitchValue::kNone},
    {u"/lang=", qav::SwitchValue::kAttached},
    {u"/log", qav::SwitchValue::kSeparate},
    {u"/", qav::SwitchValue::kSeparate},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input = qav::fuzz::Bytes(data, size);
  const uint8_t choice = qav::fuzz::TakeByte(input);
  const std::u16string text = (choice & 1) ? qav::fuzz::Units(input) : qav::U16(input);

  const qav::CommandLine line = qav::CommandLine::FromText(text);
  for (const auto& spec : kSwitches) {
    if (const auto match = line.Find(spec)) {
      if (match->argument + match->argumentCount > line.arguments().size()) __builtin_trap();
    }
    line.Without(spec);
  }
  line.MatchTable(std::span(kSwitches));

  const qav::CommandLine again = qav::CommandLine::FromText(line.ToText());
  if (again.arguments() != line.arguments()) __builtin_trap();
  return 0;
}
