// Names of files found in the recordings folders (voice messages and conversations), and the
// conversation side files beside them: read from anything, and what the program writes reads back
// to what it wrote.
#include <cstddef>
#include <cstdint>

#include "calls/conversation_data_file.h"
#include "calls/recording_file_names.h"
#include "fuzz/fuzz_support.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input = qav::fuzz::Bytes(data, size);
  const uint8_t choice = qav::fuzz::TakeByte(input);
  const std::u16string name = (choice & 1) ? qav::fuzz::Units(input) : qav::U16(input);

  if (const auto message = ParseVoiceMessageFileName(name)) {
    const std::u16string rebuilt = BuildVoiceMessageFileName(message->caller, message->startTime, message->duration,
                                                             message->seen, message->extension);
    const auto again = ParseVoiceMessageFileName(rebuilt);
    if (!again || again->startTime != message->startTime || again->duration != message->duration ||
        again->seen != message->seen) {
      __builtin_trap();
    }
  }
  if (const auto conversation = ParseConversationFileName(name)) {
    const auto again = ParseConversationFileName(
        BuildConversationBaseName(conversation->startTime, conversation->conferenceId) + u"." + conversation->extension);
    if (!again || again->startTime != conversation->startTime || again->conferenceId != conversation->conferenceId) {
      __builtin_trap();
    }
  }
  VoiceMessageFileNameHandle(name);

  const ConversationData side = ParseConversationData(input);
  const ConversationData back = ParseConversationData(BuildConversationData(side.duration, side.partners));
  if (back.duration != side.duration || back.partners != side.partners) __builtin_trap();
  return 0;
}
