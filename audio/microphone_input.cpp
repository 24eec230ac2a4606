#include "audio/microphone_input.h"

#include "audio/speaker_output.h"
#include "foundation/logger.h"

bool CMicrophoneInput::Open(int deviceId, const WAVEFORMATEX& format, qav::ThreadId thread, uint32_t blockSize) {
  const int r = qav::OpenWaveIn(&m_device, deviceId, format, thread);
  if (r != qav::MMSYSERR_NOERROR) {
    m_device.reset();
    LogWaveError(__LINE__, u"WAVEIN", deviceId, r);
    return false;
  }
  m_blockSize = blockSize;
  m_queued = 0;
  return true;
}

bool CMicrophoneInput::AddBuffer(qav::WaveHeaderPtr reuse) {
  if (!m_device) return false;
  qav::WaveHeaderPtr buffer = reuse && reuse->data.size() == m_blockSize ? std::move(reuse)
                                                                         : std::make_unique<qav::WaveHeader>(m_blockSize);
  buffer->bytesRecorded = 0;
  if (m_device->AddBuffer(buffer) != qav::MMSYSERR_NOERROR) {
    QAV_LOG(LOG_WARNING, u"CAudioDriver [ERROR from PrepareAndAddBufferToWaveIn]");
    return false;
  }
  ++m_queued;
  return true;
}

bool CMicrophoneInput::Start() {
  if (m_device && m_device->Start() == qav::MMSYSERR_NOERROR) return true;
  LogWaveError(__LINE__, u"WAVEIN", 0, qav::MMSYSERR_ERROR);
  return false;
}

qav::WaveHeaderPtr CMicrophoneInput::Take(qav::Msg& msg) {
  if (!m_device || msg.wParam != m_device->id() || !msg.Get<qav::WaveHeader>()) return nullptr;
  if (m_queued > 0) --m_queued;
  return qav::WaveHeaderPtr(static_cast<qav::WaveHeader*>(msg.payload.release()));
}

void CMicrophoneInput::Recycle(qav::WaveHeaderPtr buffer) {
  if (m_queued < kMinQueued) AddBuffer(std::move(buffer));
}

void CMicrophoneInput::Stop() {
  if (m_device) m_device->Stop();
}

void CMicrophoneInput::Close() {
  if (m_device) {
    m_device->Reset();
    m_device.reset();
  }
  m_queued = 0;
}
