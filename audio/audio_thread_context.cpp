#include "audio/audio_thread_context.h"

#include <cassert>

#include "audio/va_in.h"
#include "audio/va_out.h"
#include "platform/message_loop.h"
#include "platform/sound/wave_device.h"

void AudioThreadContext::PostNextBlock(int count) const {
  assert(thread != 0 && "a job runs only once the thread has started");
  for (int i = 0; i < count; ++i) qav::PostThreadMessage(thread, WM_AUDIO_PLAY_NEXT_BUFFER);
}

void AudioThreadContext::RemoveAndReleaseAudioWaveBufferFromQ() {
  qav::MessageLoop* loop = qav::MessageLoop::Current();
  if (!loop) return;
  constexpr uint32_t kFirstWaveMessage = 0x3BB;  // MM_WOM_OPEN .. MM_WIM_DATA
  loop->RemoveMessages(kFirstWaveMessage, qav::MM_WIM_DATA, 0);
  loop->RemoveMessages(WM_AUDIO_PLAY_NEXT_BUFFER, WM_AUDIO_PLAY_NEXT_BUFFER, 0);
  loop->RemoveMessages(WM_VAIN_DATA, WM_VAIN_DATA, 0);
  loop->RemoveMessages(WM_VAOUT_DONE, WM_VAOUT_DONE, 0);
}
