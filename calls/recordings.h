// The voice-message and conversation collections behind the seam the calls and the dispatcher use
// (calls/recordings_port.h). The application installs one at start-up:
//
//   CRecordings recordings;
//   SetRecordingsPort(&recordings);
//
// Threading: GUI thread only, as the collections.
#pragma once

#include "calls/recordings_port.h"

class CRecordings : public CRecordingsPort {
 public:
  int64_t GetMessagesFolderSizeBytes() override;
  // The voice messages first, then the conversations.
  void LoadForUser(std::u16string_view handle) override;
  void DeleteAll() override;
};
