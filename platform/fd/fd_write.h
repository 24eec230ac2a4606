// Writing a whole buffer to a file descriptor: the one loop every file writer in the program uses.
#pragma once

#include <string_view>

namespace qav {

// Writes every byte, going on after interrupted and partial writes; false when the write fails.
bool WriteAllToFd(int fd, std::string_view bytes);

}  // namespace qav
