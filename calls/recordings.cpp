#include "calls/recordings.h"

#include "calls/conversation_collection.h"
#include "calls/message_collection.h"

int64_t CRecordings::GetMessagesFolderSizeBytes() { return g_MessageCollection.GetMessagesFolderSizeBytes(); }

void CRecordings::LoadForUser(std::u16string_view handle) {
  g_MessageCollection.init(handle);
  g_ConversationCollection.init(handle);
}

void CRecordings::DeleteAll() {
  g_MessageCollection.RemoveAll();
  g_ConversationCollection.DeleteAll();
}
