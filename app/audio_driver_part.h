// The audio thread (audio/audio_driver.h) as the application object starts it and, in the exit
// path, brings it to rest within the exit's bound: a job still running is ended, everything is
// released and the thread is joined; requests made from then on return 0. A thread that does not
// end within the bound (a handler hanging on a device or a file) is left behind with its driver,
// so it cannot hang the exit.
#pragma once

#include <memory>

#include "app/parts/audio_driver.h"
#include "audio/audio_driver.h"

class CAudioDriverPart : public CAppAudioDriver {
 public:
  // The exit path has stopped it within its bound already; otherwise this waits as long as the
  // driver's own destruction does.
  ~CAudioDriverPart() override { Stop(qav::kInfinite); }
  bool Start() override;
  bool Stop(int timeoutMs) override;

 private:
  std::unique_ptr<CAudioDriver> m_driver;
};
