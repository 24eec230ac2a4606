// The audio-driver part: the audio thread, started at start-up and brought to rest at exit; without
// it CNullAudioDriver stands in (the audio requests then fail). GUI thread only.
#pragma once

class CAppAudioDriver {
 public:
  virtual ~CAppAudioDriver() = default;
  // Creates the driver, starts its thread at the highest priority and makes it the program's.
  virtual bool Start() = 0;
  // Brings the thread to rest, joins it and deletes the driver; requests made afterwards fail.
  virtual bool Stop(int timeoutMs) = 0;
};

class CNullAudioDriver : public CAppAudioDriver {
 public:
  bool Start() override { return true; }
  bool Stop(int) override { return true; }
};
