// The call client's lines as they arrive on the wire: one line a run of the input up to "\n", read
// from its bytes, its reply id taken, parsed into a command, and the command copied.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "skype/link/skype_protocol_error.h"
#include "skype/link/skype_to_device_cmd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input = qav::fuzz::Bytes(data, size);
  while (true) {
    const size_t end = input.find('\n');
    const std::u16string line = SkypeToDeviceCmd::LineFromWire(input.substr(0, end));
    const int32_t replyId = SkypeToDeviceCmd::ReadReplyId(line);
    if (replyId < -1) __builtin_trap();
    SkypeToDeviceCmd command;
    try {
      command.Parse(line);
      SkypeToDeviceCmd copy(command);
      if (copy.GetText() != line || copy.GetId() != command.GetId()) __builtin_trap();
    } catch (const qav::SkypeProtocolError&) {
      // A line the program cannot read: refused with a reason, which is what must happen.
    }
    if (end == std::string_view::npos) break;
    input.remove_prefix(end + 1);
  }
  return 0;
}
