// One event for a running state machine: the instance it is for, the event number and the delay.
//
// The sender creates the event and hands it to the engine (CFSM), which owns it from then on and
// frees it after dispatch, or when it can never be dispatched. An event remembers whether its
// target still lives: an instance deleted while one of its events waits makes that event a no-op
// instead of a call into freed memory.
#pragma once

#include <cstdint>
#include <memory>

class CFSMObject;

class CFSMEv {
 public:
  // The timeout event: a state time-out, cancelled when the instance changes state.
  static constexpr int32_t kTimeout = -3;

  CFSMEv(CFSMObject* target, int32_t event, int32_t delayMs = 0);

  CFSMObject* GetTarget() const { return m_pTarget; }
  int32_t GetEvent() const { return m_nEvent; }
  int32_t GetDelay() const { return m_nDelayMs; }
  // False once the target instance has been destroyed.
  bool TargetAlive() const { return !m_targetLife.expired(); }

  // The engine turns the timeout event into the timeout column just before dispatch.
  void SetEvent(int32_t event) { m_nEvent = event; }

 private:
  CFSMObject* m_pTarget;
  std::weak_ptr<const void> m_targetLife;
  int32_t m_nEvent;
  int32_t m_nDelayMs;
};
