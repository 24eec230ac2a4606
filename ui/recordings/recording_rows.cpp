#include "ui/recordings/recording_rows.h"

#include <QIcon>
#include <QTreeWidget>
#include <algorithm>
#include <numeric>
#include <unordered_map>

namespace {

// The columns every recordings list centres (see SetRecordingListHeaders).
constexpr int kTimeColumn = 1, kDurationColumn = 2;

}  // namespace

QVariant CRecordingRow::data(int column, int role) const {
  if (role == Qt::TextAlignmentRole && (column == kTimeColumn || column == kDurationColumn)) {
    return QVariant(static_cast<int>(Qt::AlignCenter));
  }
  return QTreeWidgetItem::data(column, role);
}

bool CRecordingRow::operator<(const QTreeWidgetItem& other) const {
  if (other.type() != kType) return QTreeWidgetItem::operator<(other);
  return m_rank < static_cast<const CRecordingRow&>(other).m_rank;
}

uint64_t RecordingRowId(const QTreeWidgetItem* row) {
  return row && row->type() == CRecordingRow::kType ? static_cast<const CRecordingRow*>(row)->Id() : 0;
}

void SyncRecordingRows(QTreeWidget& list, const std::vector<uint64_t>& ids,
                       const std::function<void(QTreeWidgetItem& row, size_t index)>& fill) {
  std::unordered_map<uint64_t, size_t> indexOf;
  indexOf.reserve(ids.size());
  for (size_t i = 0; i < ids.size(); ++i) indexOf.emplace(ids[i], i);
  std::vector<bool> shown(ids.size(), false);
  QTreeWidgetItem* root = list.invisibleRootItem();
  // From the end, so a row taken out leaves the places of the rows still to visit as they are.
  for (int i = root->childCount() - 1; i >= 0; --i) {
    QTreeWidgetItem* row = root->child(i);
    const auto found = indexOf.find(RecordingRowId(row));
    if (found == indexOf.end() || shown[found->second]) {
      delete root->takeChild(i);
      continue;
    }
    shown[found->second] = true;
    fill(*row, found->second);
  }
  // New rows are filled before they join the list, which then takes them all at once: one
  // insertion for the view to handle instead of one per row.
  QList<QTreeWidgetItem*> added;
  for (size_t i = 0; i < ids.size(); ++i) {
    if (shown[i]) continue;
    auto* row = new CRecordingRow(ids[i]);
    fill(*row, i);
    added.append(row);
  }
  if (!added.isEmpty()) list.addTopLevelItems(added);
}

void SetRowIcon(QTreeWidgetItem& row, int column, const QIcon& icon) {
  if (row.icon(column).cacheKey() != icon.cacheKey()) row.setIcon(column, icon);
}

bool SortKeyBefore(const RecordingSortKey& first, const RecordingSortKey& second, bool ascending) {
  if (first.gone || second.gone) return !first.gone && second.gone;
  const RecordingSortKey& a = ascending ? first : second;
  const RecordingSortKey& b = ascending ? second : first;
  if (a.text != b.text) return a.text < b.text;
  return a.number < b.number;
}

void SortRecordingRows(QTreeWidget& list, bool ascending, const std::function<RecordingSortKey(uint64_t id)>& keyOf) {
  QTreeWidgetItem* root = list.invisibleRootItem();
  const int count = root->childCount();
  std::vector<RecordingSortKey> keys;
  keys.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) keys.push_back(keyOf(RecordingRowId(root->child(i))));
  std::vector<int> order(static_cast<size_t>(count));
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&keys, ascending](int a, int b) {
    return SortKeyBefore(keys[static_cast<size_t>(a)], keys[static_cast<size_t>(b)], ascending);
  });
  bool moves = false;
  for (int place = 0; place < count; ++place) {
    const int from = order[static_cast<size_t>(place)];
    QTreeWidgetItem* row = root->child(from);
    if (row->type() == CRecordingRow::kType) static_cast<CRecordingRow*>(row)->SetRank(place);
    moves = moves || from != place;
  }
  // Qt moves the rows by their ranks in one layout change and carries the selection and the
  // current row along; taking the rows out and putting them back would drop both and announce
  // every row's removal.
  if (moves) root->sortChildren(0, Qt::AscendingOrder);
}

std::vector<int> SelectedRowIndexes(const QTreeWidget& list) {
  std::vector<int> rows;
  for (int i = 0; i < list.topLevelItemCount(); ++i) {
    if (list.topLevelItem(i)->isSelected()) rows.push_back(i);
  }
  return rows;
}
