// The buffer header that travels between the audio thread and the loopback link, in both
// directions: the audio thread lends CVAIn empty buffers and gets them back full, and writes full
// buffers to CVAOut and gets them back once sent.
//
// A header is owned by whoever holds it: it is handed over by moving its unique_ptr, and comes back
// to the audio thread as the payload of a thread message (WM_VAIN_DATA, WM_VAOUT_DONE). A message
// that is never handled (taken out of the queue at the end of a job, or left when the thread ends)
// frees its header with it, so no buffer is lost or freed twice.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "platform/message.h"

struct vahdr_tag final : qav::Payload {
  vahdr_tag() = default;
  explicit vahdr_tag(uint32_t length) : data(length) {}

  std::vector<uint8_t> data;  // the buffer; its size is the buffer length
  uint32_t bytesDone = 0;     // received into it (CVAIn) or sent from it (CVAOut) so far
  uint64_t user = 0;          // the owner's tag (a source position)
};

using VaHeaderPtr = std::unique_ptr<vahdr_tag>;

namespace qav {
// A new id for a CVAIn or CVAOut: the wParam of the buffers it returns, so that a buffer of an
// object that is gone is never taken for one of its successor's.
uint64_t NextLoopbackLinkId();

// Posts a buffer back to the owner thread as `message`, wParam the link's id; `link` ("CVAIn",
// "CVAOut") names the link in the traces. Without an owner, or when the post fails, the buffer
// is freed (logged).
void ReturnLinkBuffer(ThreadId owner, uint32_t message, uint64_t linkId, VaHeaderPtr header, const char16_t* link);
// The buffer being filled or sent first, then every queued one, in order.
void ReturnLinkBuffers(ThreadId owner, uint32_t message, uint64_t linkId, VaHeaderPtr* current,
                       std::deque<VaHeaderPtr>* queue, const char16_t* link);
}  // namespace qav
