// One running instance of a table-driven state machine: its owner, its current state, its name
// for the log, and the machine's shared table (which it does not own).
//
// An instance lives on the GUI thread, where the engine dispatches its events, and is destroyed
// there (the engine's held events have no lock). Destroying it drops
// every event that waits for it under the engine's timer, and any event still queued for it
// becomes a no-op, so no event ever reaches a freed instance.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct FSMTable;

class CFSMObject {
 public:
  CFSMObject();
  virtual ~CFSMObject();
  CFSMObject(const CFSMObject&) = delete;
  CFSMObject& operator=(const CFSMObject&) = delete;

  // Binds the instance. The initial state is stored as it is: no entry function runs.
  void Init(void* owner, std::u16string_view name, int32_t initialState, const FSMTable* table);

  // Stores the new current state; the engine calls it on a change of state.
  virtual void SetState(int32_t state) { m_nState = state; }

  int32_t GetState() const { return m_nState; }
  void* GetOwner() const { return m_pOwner; }
  const std::u16string& GetName() const { return m_strName; }
  const FSMTable* GetTable() const { return m_pTable; }

  // Expires when the instance is destroyed; events hold a weak reference to it.
  std::weak_ptr<const void> LifeToken() const { return m_life; }

 private:
  void* m_pOwner = nullptr;
  int32_t m_nState = -1;
  std::u16string m_strName;
  const FSMTable* m_pTable = nullptr;
  std::shared_ptr<const void> m_life;
};
