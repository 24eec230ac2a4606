#include "ui/recordings/player_walk.h"

#include <QTreeWidget>
#include <algorithm>
#include <vector>

void WalkSelectedRows(QTreeWidget& list, const PlayerWalk& walk) {
  std::vector<int> selected;
  std::vector<uint64_t> selectedIds;
  for (int i = 0; i < list.topLevelItemCount(); ++i) {
    if (!list.topLevelItem(i)->isSelected()) continue;
    selected.push_back(i);
    selectedIds.push_back(walk.rowId(list.topLevelItem(i)));
  }
  if (selected.empty()) return;
  // Rows are found again by identity: a delete rebuilds the list under the walk.
  auto wasSelected = [&selectedIds](uint64_t id) {
    return std::find(selectedIds.begin(), selectedIds.end(), id) != selectedIds.end();
  };
  bool restricted = selected.size() > 1;
  int n = selected.front();
  int step = 1;
  while (n >= 0 && n < list.topLevelItemCount()) {
    const uint64_t id = walk.rowId(list.topLevelItem(n));
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
    while (restricted && n >= 0 && n < list.topLevelItemCount() && !wasSelected(walk.rowId(list.topLevelItem(n)))) {
      n += step;
    }
  }
}
