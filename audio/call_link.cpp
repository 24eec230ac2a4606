#include "audio/call_link.h"

#include "foundation/logger.h"

bool CCallLink::Open(qav::ThreadId thread, int* inPort, int* outPort, uint32_t blockSize) {
  m_blockSize = blockSize;
  m_inQueued = m_outOutstanding = 0;
  m_in = std::make_unique<CVAIn>();
  m_out = std::make_unique<CVAOut>();
  int in = *inPort;
  int out = *outPort;
  QAV_LOG(LOG_INFO, u"m_pvaSkypeIn->Open( Port = %d )", in);
  const bool inOpen = m_in->Open(thread, &in) == 1;
  QAV_LOG(LOG_INFO, u"m_pvaSkypeOut->Open( Port = %d )", out);
  if (!inOpen || m_out->Open(thread, &out) != 1) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR form VAOpen In or Out]");
    return false;
  }
  *inPort = in;
  *outPort = out;
  return true;
}

bool CCallLink::LendInBuffer(VaHeaderPtr reuse) {
  if (!m_in) return false;
  VaHeaderPtr buffer = reuse && reuse->data.size() == m_blockSize ? std::move(reuse)
                                                                  : std::make_unique<vahdr_tag>(m_blockSize);
  buffer->bytesDone = 0;
  if (!m_in->AddBuffer(buffer)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PrepareAndAddBufferToVAIn]");
    return false;
  }
  ++m_inQueued;
  return true;
}

VaHeaderPtr CCallLink::TakeIn(qav::Msg& msg) {
  if (!m_in || msg.wParam != m_in->GetId() || !msg.Get<vahdr_tag>()) return nullptr;
  if (m_inQueued > 0) --m_inQueued;
  return VaHeaderPtr(static_cast<vahdr_tag*>(msg.payload.release()));
}

void CCallLink::RecycleIn(VaHeaderPtr buffer) {
  if (m_inQueued < kMinLentIn) LendInBuffer(std::move(buffer));
}

bool CCallLink::WriteOut(const uint8_t* data, size_t bytes, uint64_t user) {
  if (!m_out || bytes == 0) return false;
  VaHeaderPtr block;
  if (m_spare.empty()) {
    block = std::make_unique<vahdr_tag>();
  } else {
    block = std::move(m_spare.back());
    m_spare.pop_back();
  }
  block->data.assign(data, data + bytes);  // within the capacity of a reused header: no allocation
  block->bytesDone = 0;
  block->user = user;
  if (!m_out->Write(block)) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PrepareAndWriteDataToVAOut CVAOut]");
    m_spare.push_back(std::move(block));
    return false;
  }
  ++m_outOutstanding;
  return true;
}

bool CCallLink::TakeBackOut(qav::Msg& msg) {
  if (!m_out || msg.wParam != m_out->GetId()) return false;
  if (m_outOutstanding > 0) --m_outOutstanding;
  if (msg.Get<vahdr_tag>()) m_spare.emplace_back(static_cast<vahdr_tag*>(msg.payload.release()));
  return true;
}

void CCallLink::Close() {
  if (m_out) {
    // (one that never opened has nothing to close)
    if (m_out->GetState() == CVAOut::kOpen || m_out->GetState() == CVAOut::kPaused) m_out->Close();
    m_out.reset();
  }
  if (m_in) {
    if (m_in->GetState() != CVAIn::kClosed) {
      m_in->Stop();
      m_in->Close();
    }
    m_in.reset();
  }
  m_inQueued = m_outOutstanding = 0;
}
