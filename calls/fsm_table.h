// A state machine compiled from its transition rows into a full matrix.
//
// A machine is written once as a list of rows (state, event, next state, function) and compiled by
// CFSM::BuildFullTable into S rows of C = E + 3 cells: columns 0..E-1 are the events, column E the
// timeout column, E+1 the entry column and E+2 the exit column. Every event and timeout cell that
// no row names keeps {same state, default function}. Entry and exit cells hold the function run
// when a state is entered or left (their next state plays no part). Any number of instances share
// one table; whoever builds it owns it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CFSMEv;

// A transition function: runs on the GUI thread with the event being dispatched.
using FSMDoFunc = void (*)(CFSMEv& event);

struct FSMCell {
  int32_t nextState = 0;
  FSMDoFunc function = nullptr;
};

// One input row. Special values: event -3 the timeout column, -2 the entry column, -1 the exit
// column; next state -53 the row's own state; state -73 with event -87 ends the list; a null
// function keeps the cell's default.
struct FSMTransition {
  int32_t state;
  int32_t event;
  int32_t nextState;
  FSMDoFunc function;
};

inline constexpr int32_t kFsmTimeoutColumn = -3;
inline constexpr int32_t kFsmEntryColumn = -2;
inline constexpr int32_t kFsmExitColumn = -1;
inline constexpr int32_t kFsmSameState = -53;
inline constexpr int32_t kFsmEndState = -73;
inline constexpr int32_t kFsmEndEvent = -87;
inline constexpr FSMTransition kFsmEndRow = {kFsmEndState, kFsmEndEvent, 0, nullptr};

struct FSMTable {
  int32_t stateCount = -1;
  int32_t columnCount = -1;             // event count + 3
  const char16_t* const* stateNames = nullptr;  // stateCount texts, for log lines
  const char16_t* const* eventNames = nullptr;  // event count + 1 texts (the last: the timeout)
  std::vector<FSMCell> matrix;          // stateCount * columnCount cells, row by row; empty when not built

  bool IsBuilt() const { return !matrix.empty(); }
  int32_t EventCount() const { return columnCount - 3; }
  int32_t TimeoutColumn() const { return columnCount - 3; }
  int32_t EntryColumn() const { return columnCount - 2; }
  int32_t ExitColumn() const { return columnCount - 1; }
  const FSMCell& Cell(int32_t state, int32_t column) const {
    return matrix[static_cast<size_t>(state) * static_cast<size_t>(columnCount) + static_cast<size_t>(column)];
  }
  const char16_t* StateName(int32_t state) const;
  // Names of events 0..E-1 and of the timeout column E.
  const char16_t* EventName(int32_t column) const;
};

// Frees the matrix; counts become -1 and the names null. Null is accepted.
void FreeFSMTable(FSMTable* table);
