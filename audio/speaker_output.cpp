#include "audio/speaker_output.h"

#include "foundation/logger.h"

void LogWaveError(int line, const char16_t* family, int device, int result) {
  QAV_LOG(LOG_WARNING, u"Line:%d - %s[%d]: %x - %s", line, family, device, result, qav::WaveErrorText(result));
}

bool CSpeakerOutput::Open(int deviceId, const WAVEFORMATEX& format, qav::ThreadId thread) {
  const int r = qav::OpenWaveOut(&m_device, deviceId, format, thread);
  if (r != qav::MMSYSERR_NOERROR) {
    m_device.reset();
    LogWaveError(__LINE__, u"WAVEOUT", deviceId, r);
    return false;
  }
  m_outstanding = 0;
  return true;
}

bool CSpeakerOutput::Write(const uint8_t* data, size_t bytes, uint64_t user) {
  if (!m_device || bytes == 0) return false;
  qav::WaveHeaderPtr block;
  if (m_spare.empty()) {
    block = std::make_unique<qav::WaveHeader>();
  } else {
    block = std::move(m_spare.back());
    m_spare.pop_back();
  }
  block->data.assign(data, data + bytes);  // within the capacity of a reused header: no allocation
  block->user = user;
  if (m_device->Write(block) != qav::MMSYSERR_NOERROR) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PrepareAndWriteDataToWaveOut hWaveOutSpkr]");
    m_spare.push_back(std::move(block));
    return false;
  }
  ++m_outstanding;
  return true;
}

bool CSpeakerOutput::TakeBack(qav::Msg& msg, uint64_t* user) {
  if (!m_device || msg.wParam != m_device->id()) return false;
  if (m_outstanding > 0) --m_outstanding;
  *user = 0;
  if (msg.Get<qav::WaveHeader>()) {
    qav::WaveHeaderPtr block(static_cast<qav::WaveHeader*>(msg.payload.release()));
    *user = block->user;
    m_spare.push_back(std::move(block));
  }
  return true;
}

void CSpeakerOutput::Close() {
  if (m_device) {
    m_device->Reset();
    m_device.reset();
  }
  m_outstanding = 0;
}
