#include "ui/recordings/player_walk.h"

#include <QItemSelectionModel>
#include <algorithm>
#include <vector>

#include "ui/recordings/recording_table_model.h"

void WalkSelectedRows(const QItemSelectionModel& selection, const PlayerWalk& walk) {
  const QAbstractItemModel* list = selection.model();
  if (!list) return;
  auto rowId = [list](int row) { return RecordingIdOf(list->index(row, 0)); };
  std::vector<int> selected;
  for (const QModelIndex& index : selection.selectedRows()) selected.push_back(index.row());
  if (selected.empty()) return;
  std::sort(selected.begin(), selected.end());
  std::vector<uint64_t> selectedIds;
  for (int row : selected) selectedIds.push_back(rowId(row));
  // Rows are found again by identity: a delete rebuilds the list under the walk.
  auto wasSelected = [&selectedIds](uint64_t id) {
    return std::find(selectedIds.begin(), selectedIds.end(), id) != selectedIds.end();
  };
  bool restricted = selected.size() > 1;
  int n = selected.front();
  int step = 1;
  while (n >= 0 && n < list->rowCount()) {
    const uint64_t id = rowId(n);
    const std::optional<int> result = walk.play(id);
    if (!result) {
      if (walk.passOverDownwards) step = 1;
    } else {
      switch (*result) {
        case kListPlayerPrevious:
          step = -1;
          break;
        case kListPlayerNext:
          step = 1;
          break;
        case kListPlayerDelete:
          walk.remove(id);
          return;
        case kListPlayerDeleteAndNext:
          walk.remove(id);
          // The next row has moved up into this place (unless the delete was refused).
          n -= 1;
          step = 1;
          break;
        case kListPlayerError:
        case kListPlayerNothingToPlay:
          restricted = true;
          step = 1;
          break;
        default:
          return;
      }
    }
    n += step;
    while (restricted && n >= 0 && n < list->rowCount() && !wasSelected(rowId(n))) n += step;
  }
}
