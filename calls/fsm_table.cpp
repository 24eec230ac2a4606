#include "calls/fsm_table.h"

#include <cstdint>
#include <new>

#include "calls/fsm.h"
#include "foundation/logger.h"

namespace {

const char16_t* NameAt(const char16_t* const* names, int32_t count, int32_t index) {
  if (names == nullptr || index < 0 || index >= count || names[index] == nullptr) return u"?";
  return names[index];
}

}  // namespace

const char16_t* FSMTable::StateName(int32_t state) const { return NameAt(stateNames, stateCount, state); }

const char16_t* FSMTable::EventName(int32_t column) const { return NameAt(eventNames, columnCount - 2, column); }

void FreeFSMTable(FSMTable* table) {
  if (table == nullptr) return;
  table->matrix.clear();
  table->matrix.shrink_to_fit();
  table->stateCount = -1;
  table->columnCount = -1;
  table->stateNames = nullptr;
  table->eventNames = nullptr;
}

int CFSM::BuildFullTable(int32_t stateCount, int32_t eventCount, const char16_t* const* stateNames,
                         const char16_t* const* eventNames, FSMDoFunc defaultFunction,
                         std::span<const FSMTransition> rows, FSMTable* out) {
  if (stateCount <= 0 || eventCount <= 0 || defaultFunction == nullptr || rows.data() == nullptr ||
      out == nullptr) {
    QAV_LOG(LOG_WARNING, u"FSM ASSERT ERROR. [%#x]", 0);
    return 0;
  }
  const int32_t columnCount = eventCount + 3;
  out->stateCount = stateCount;
  out->columnCount = columnCount;
  out->stateNames = stateNames;
  out->eventNames = eventNames;
  out->matrix.clear();

  std::vector<FSMCell> matrix;
  try {
    matrix.resize(static_cast<size_t>(stateCount) * static_cast<size_t>(columnCount));
  } catch (const std::bad_alloc&) {
    QAV_LOG(LOG_WARNING, u"FSM ASSERT ERROR. [%#x]", 0);
    return 0;
  } catch (const std::length_error&) {
    QAV_LOG(LOG_WARNING, u"FSM ASSERT ERROR. [%#x]", 0);
    return 0;
  }
  auto cell = [&](int32_t state, int32_t column) -> FSMCell& {
    return matrix[static_cast<size_t>(state) * static_cast<size_t>(columnCount) + static_cast<size_t>(column)];
  };
  // Every event and the timeout keep the state and run the default function unless a row says
  // otherwise; entry and exit cells stay empty.
  for (int32_t state = 0; state < stateCount; ++state) {
    for (int32_t column = 0; column <= columnCount - 3; ++column) cell(state, column) = {state, defaultFunction};
  }

  for (size_t index = 0; index < rows.size(); ++index) {
    const FSMTransition& row = rows[index];
    if (row.state == kFsmEndState && row.event == kFsmEndEvent) break;
    const int32_t nextState = row.nextState == kFsmSameState ? row.state : row.nextState;
    int32_t column = row.event;
    if (column == kFsmTimeoutColumn) column = columnCount - 3;
    else if (column == kFsmEntryColumn) column = columnCount - 2;
    else if (column == kFsmExitColumn) column = columnCount - 1;
    if (row.state < 0 || row.state >= stateCount || column < 0 || column >= columnCount || nextState < 0 ||
        nextState >= stateCount) {
      QAV_LOG(LOG_WARNING, u"ERROR on line [%3d]: St[%2d], Ev[%2d] (nextSt[%2d], doFunc[%#x])", index, row.state,
              column, nextState, reinterpret_cast<uintptr_t>(row.function));
      continue;
    }
    FSMCell& target = cell(row.state, column);
    target.nextState = nextState;
    if (row.function != nullptr) target.function = row.function;
  }

  out->matrix = std::move(matrix);
  QAV_LOG(LOG_INFO, u"FSM full table processing allocated memory size of %d bytes.",
          stateCount * 4 + stateCount * columnCount * 8);
  return 1;
}
