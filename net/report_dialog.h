// The report dialog, as the report builder asks it: the user's contact, a description of what
// went wrong and files to attach, and whether to send. The user interface provides it; without
// one the report asks with a Yes/No message box instead.
#pragma once

#include <string>
#include <vector>

#include "platform/message.h"

struct CReportDialogAnswer {
  std::u16string contact;
  std::u16string description;
  std::vector<std::u16string> attachments;
};

class CReportDialog {
 public:
  virtual ~CReportDialog() = default;
  // Shows the dialog modally over `parent` (0: none) for a crash or for a problem report the user
  // asked for, and fills `answer`. Returns 1 for Send, 2 for Don't Send, 0 for a parent that is
  // not a window and -1 when the dialog failed. Throws when it cannot be shown at all; the report
  // then asks with the message box.
  virtual int Show(bool crash, qav::Hwnd parent, CReportDialogAnswer& answer) = 0;
};
