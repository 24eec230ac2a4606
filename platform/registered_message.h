// Message numbers for names, agreed by every process on the desktop.
//
// The names live in "registered-messages" in the desktop directory, one a line, read and extended
// under an exclusive lock; a name's number is kFirstRegisteredMessage plus its line index. So the
// same name (compared without regard to ASCII case) gives the same number in every process and in
// every later call, and different names never share one.
#pragma once

#include <cstdint>
#include <string_view>

namespace qav {

// The name's number, or 0 when the name is unusable (empty, longer than 255 bytes, holding a
// control character), the table is full, or the desktop directory cannot be used.
uint32_t RegisterWindowMessage(std::string_view name);

}  // namespace qav
