// The call state machine's compiled table, shared by every call.
#pragma once

#include <span>

#include "calls/fsm_table.h"

// The machine's transition rows, in order, ending with the end row.
std::span<const FSMTransition> GetCallFSMTransitions();
// Built on first use (the first call constructed) and kept until DeleteCallFSMTable; any thread
// may ask for it.
const FSMTable& GetCallFSMTable();
// Frees the table; the call collection does so when it goes at program end, after its calls.
// A later GetCallFSMTable builds it again.
void DeleteCallFSMTable();
