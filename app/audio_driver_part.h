// The audio thread (audio/audio_driver.h) as the application object starts it and, in the exit
// path, brings it to rest: the driver's destruction ends a job still running, releases everything
// and joins the thread; requests made from then on return 0.
#pragma once

#include <memory>

#include "app/parts/audio_driver.h"
#include "audio/audio_driver.h"

class CAudioDriverPart : public CAppAudioDriver {
 public:
  ~CAudioDriverPart() override { Stop(0); }
  bool Start() override;
  bool Stop(int timeoutMs) override;

 private:
  std::unique_ptr<CAudioDriver> m_driver;
};
