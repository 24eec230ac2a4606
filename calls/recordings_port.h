// What the calls and the dispatcher need of the voice-message and conversation collections.
//
// The collections live with the recording layer; calls and the dispatcher reach them through this
// seam, installed at start-up (tests install a double). Every operation runs on the GUI thread
// (docs/model-threading.md). Without an installed port the folder is empty and there is nothing
// to load or delete.
#pragma once

#include <cstdint>
#include <string_view>

class CRecordingsPort {
 public:
  virtual ~CRecordingsPort() = default;
  // The sum of the voice messages' file sizes, in bytes: the answering machine's folder limit.
  virtual int64_t GetMessagesFolderSizeBytes() = 0;
  // Loads the saved voice messages and then the conversations of the user with this handle,
  // with the calls rebuilt for them.
  virtual void LoadForUser(std::u16string_view handle) = 0;
  // Deletes every voice message and conversation of the current user from the lists (the files
  // stay).
  virtual void DeleteAll() = 0;
};

// The caller keeps ownership; null removes the port.
void SetRecordingsPort(CRecordingsPort* port);
CRecordingsPort* GetRecordingsPort();
