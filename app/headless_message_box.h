// The message boxes of the program without a user interface: each text is logged and written to
// the standard error stream, and the box's default button is the answer.
#pragma once

#include "platform/message_box.h"

class CHeadlessMessageBox : public qav::MessageBoxHandler {
 public:
  int Show(std::u16string_view text, std::u16string_view caption, uint32_t type) override;
};
