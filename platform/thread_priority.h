// Scheduling priority of the calling thread.
//
// The program gives its threads priorities relative to normal: the audio thread the highest, the
// call client's sender above normal, the mail threads below normal. On Linux a thread's priority is
// its nice value (each thread has its own). Lowering a thread's priority always works; raising it
// above normal needs the privilege to do so, which a desktop session usually lacks, so callers treat
// a refusal as "runs at normal priority" and go on.
#pragma once

namespace qav {

enum class ThreadPriority {
  kLowest,
  kBelowNormal,
  kNormal,
  kAboveNormal,
  kHighest,
};

// True when the calling thread now runs at that priority; false when the system refused.
bool SetCurrentThreadPriority(ThreadPriority priority);

}  // namespace qav
