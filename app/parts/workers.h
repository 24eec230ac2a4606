// The worker-threads part: the e-mail thread that mails voice messages and the thread that tells
// the sibling application about calls. The main window starts and stops them and hands them work;
// without them CNullWorkers stands in. Every call is made on the GUI thread.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "calls/message.h"

class CConversation;

class CAppWorkers {
 public:
  virtual ~CAppWorkers() = default;
  virtual bool StartMailThread() = 0;
  virtual bool StartNotifyThread() = 0;
  // Mails the voice message with that identity. The e-mail thread looks it up again in
  // g_MessageCollection (on the GUI thread) when it gets to it: the user may delete it meanwhile.
  virtual bool MailVoiceMessage(VoiceMessageId message) = 0;
  // WM_COPYDATA from the sibling application (`dataKind` is its dwData): true when it was taken.
  virtual bool OnCopyData(uint64_t dataKind, std::string_view bytes) = 0;
  // A call that recorded something has ended: the sibling application's notice of the voice
  // message and the conversation (either may be null), built before this returns.
  virtual void SendCallDoneNotice(const CMessage* message, const CConversation* conversation) = 0;
  // The user sends recordings to the sibling application from the pages: one notice with all of
  // them (in this order, messages first), built before this returns.
  virtual void SendRecordingsNotice(const std::vector<const CMessage*>& messages,
                                    const std::vector<const CConversation*>& conversations) = 0;
  // Ends both threads; false when one has not ended within the bound.
  virtual bool Stop(int timeoutMs) = 0;
};

// No worker threads: what would have been mailed or sent is logged.
class CNullWorkers : public CAppWorkers {
 public:
  bool StartMailThread() override { return true; }
  bool StartNotifyThread() override { return true; }
  bool MailVoiceMessage(VoiceMessageId message) override;
  bool OnCopyData(uint64_t, std::string_view) override { return false; }
  void SendCallDoneNotice(const CMessage* message, const CConversation* conversation) override;
  void SendRecordingsNotice(const std::vector<const CMessage*>& messages,
                            const std::vector<const CConversation*>& conversations) override;
  bool Stop(int) override { return true; }
};
