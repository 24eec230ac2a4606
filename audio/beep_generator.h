// The beeps the audio thread lays over a 16000 Hz stream: each beep is 100 ms of a 666 Hz tone at
// 0.65 of full scale followed by 300 ms of silence, written over the samples; pending beeps follow
// each other without a gap. The call generator's beeps go into the call, the speaker generator's
// to the local speaker.
#pragma once

#include <cstddef>
#include <cstdint>

class CBeepGenerator {
 public:
  static constexpr double kStep = 1.0 / 16000;  // seconds per sample of the live stream
  static constexpr double kPeriod = 0.4;        // seconds of one beep with its silence
  static constexpr double kTone = 0.1;          // seconds of tone at its start

  // Nothing pending, time 0.
  void Reset(double step = kStep);
  // One more beep; a generator with none pending starts its period at time 0.
  void AddBeep();
  // Writes the pending beeps over `count` samples. 0 (samples untouched) when none is pending;
  // else 1. When the last pending beep ends inside the block, the rest keeps its values.
  int Generate(int16_t* samples, size_t count);

  unsigned GetPending() const { return m_pending; }
  double GetTime() const { return static_cast<double>(m_sample) * m_step; }

 private:
  unsigned m_pending = 0;
  double m_step = kStep;
  // The position in the current period, in samples: counting samples keeps 0.4 s an exact number
  // of them, where adding the step up would drift by one now and then.
  uint64_t m_sample = 0;
};
