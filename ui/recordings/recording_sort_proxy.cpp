#include "ui/recordings/recording_sort_proxy.h"

#include "ui/recordings/recording_table_model.h"

bool SortKeyBefore(const RecordingSortKey& first, const RecordingSortKey& second, bool ascending) {
  if (first.gone || second.gone) return !first.gone && second.gone;
  const RecordingSortKey& a = ascending ? first : second;
  const RecordingSortKey& b = ascending ? second : first;
  if (a.text != b.text) return a.text < b.text;
  return a.number < b.number;
}

CRecordingSortProxy::CRecordingSortProxy(CRecordingTableModel& source, KeysOf keysOf, QObject* parent)
    : QSortFilterProxyModel(parent), m_source(source), m_keysOf(std::move(keysOf)) {
  // Rows move only when the page sorts, never because a row's texts changed.
  setDynamicSortFilter(false);
  setSourceModel(&source);
}

void CRecordingSortProxy::Apply(const RecordingSortState& state) {
  // The proxy's row map must exist before the sort: one made later would sort without the keys.
  rowCount();
  m_keys = m_keysOf(m_source.Ids(), state.column);
  m_ascending = state.ascending;
  // Qt's own direction stays ascending: the page's rule holds the direction, so that the gone
  // rows stay last either way. Qt sorts the rows in their present order, stably.
  sort(state.column, Qt::AscendingOrder);
  m_keys.clear();
}

bool CRecordingSortProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const {
  const size_t a = static_cast<size_t>(left.row()), b = static_cast<size_t>(right.row());
  // Outside a sort (Qt placing rows on its own) the model's order holds.
  if (a >= m_keys.size() || b >= m_keys.size()) return left.row() < right.row();
  return SortKeyBefore(m_keys[a], m_keys[b], m_ascending);
}
