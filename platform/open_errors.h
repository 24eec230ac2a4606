// The texts of the desktop's "open" result codes (the shell's numbers: 2 file not found, 31 no
// application for the kind, ...), as the program shows them when a link or a file cannot be
// opened. One table for every place that tells the user so.
#pragma once

#include <string>

namespace qav {

// The text of the error a result code of the desktop's "open" stands for.
std::u16string OpenErrorText(int code);

}  // namespace qav
