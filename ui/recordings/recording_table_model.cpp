#include "ui/recordings/recording_table_model.h"

#include <QSet>
#include <algorithm>
#include <stdexcept>

CRecordingTableModel::CRecordingTableModel(int columns, std::vector<int> centredColumns, QObject* parent)
    : QAbstractTableModel(parent), m_columns(columns), m_centred(std::move(centredColumns)) {
  // A page's table of columns is checked when it is compiled (ui/recordings/recording_columns.h);
  // a column more than a row holds would never show.
  if (columns < 0 || columns > CRecordingCells::kMaxColumns) throw std::length_error("a recordings row holds at most kMaxColumns columns");
}

void CRecordingTableModel::SetHeaders(const QStringList& titles) {
  m_titles = titles;
  if (m_columns > 0) emit headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
}

bool CRecordingTableModel::Store(Row& row, CRecordingCells&& fresh) {
  bool changed = false;
  for (size_t column = 0; column < fresh.texts.size(); ++column) {
    if (row.cells.texts[column] != fresh.texts[column]) {
      row.cells.texts[column] = std::move(fresh.texts[column]);
      changed = true;
    }
    // Qt cannot compare icons: the same picture is the same cache key (the image lists hand out one
    // icon a picture), and storing it again would repaint the row at every rebuild.
    if (row.cells.icons[column].cacheKey() != fresh.icons[column].cacheKey()) {
      row.cells.icons[column] = std::move(fresh.icons[column]);
      changed = true;
    }
  }
  return changed;
}

void CRecordingTableModel::Sync(const std::vector<uint64_t>& ids, const Fill& fill) {
  std::unordered_map<uint64_t, size_t> indexOf;
  indexOf.reserve(ids.size());
  for (size_t i = 0; i < ids.size(); ++i) indexOf.emplace(ids[i], i);
  std::vector<bool> shown(ids.size(), false);
  std::vector<bool> keep(m_rows.size(), false);
  for (size_t row = 0; row < m_rows.size(); ++row) {
    const auto found = indexOf.find(m_rows[row].id);
    if (found == indexOf.end() || shown[found->second]) continue;
    shown[found->second] = true;
    keep[row] = true;
  }
  // The gone rows leave in runs, from the end, so the rows still to visit keep their places.
  for (int last = static_cast<int>(m_rows.size()) - 1; last >= 0;) {
    if (keep[static_cast<size_t>(last)]) {
      --last;
      continue;
    }
    int first = last;
    while (first > 0 && !keep[static_cast<size_t>(first - 1)]) --first;
    beginRemoveRows({}, first, last);
    m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
    endRemoveRows();
    last = first - 1;
  }
  // One change notice for the span of rows that changed: a rebuild mostly changes none.
  int firstChanged = -1, lastChanged = -1;
  for (size_t row = 0; row < m_rows.size(); ++row) {
    CRecordingCells fresh;
    fill(fresh, indexOf.at(m_rows[row].id));
    if (!Store(m_rows[row], std::move(fresh))) continue;
    if (firstChanged < 0) firstChanged = static_cast<int>(row);
    lastChanged = static_cast<int>(row);
  }
  if (firstChanged >= 0) emit dataChanged(index(firstChanged, 0), index(lastChanged, m_columns - 1));
  // The new rows are filled first and then join the list at once: one insertion for the view.
  std::vector<Row> added;
  for (size_t i = 0; i < ids.size(); ++i) {
    if (shown[i]) continue;
    Row row{ids[i], {}};
    fill(row.cells, i);
    added.push_back(std::move(row));
  }
  if (added.empty()) return;
  const int at = static_cast<int>(m_rows.size());
  beginInsertRows({}, at, at + static_cast<int>(added.size()) - 1);
  m_rows.insert(m_rows.end(), std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
  endInsertRows();
}

bool CRecordingTableModel::Update(uint64_t id, const std::function<void(CRecordingCells& cells)>& fill) {
  const auto found = std::find_if(m_rows.begin(), m_rows.end(), [id](const Row& row) { return row.id == id; });
  if (found == m_rows.end()) return false;
  CRecordingCells fresh;
  fill(fresh);
  if (Store(*found, std::move(fresh))) {
    const int row = static_cast<int>(found - m_rows.begin());
    emit dataChanged(index(row, 0), index(row, m_columns - 1));
  }
  return true;
}

QStringList CRecordingTableModel::DistinctTexts(int column) const {
  if (column < 0 || column >= m_columns) return {};
  QSet<QString> seen;
  QStringList texts;
  for (const Row& row : m_rows) {
    const QString& text = row.cells.texts[static_cast<size_t>(column)];
    if (!text.isEmpty() && !seen.contains(text)) {
      seen.insert(text);
      texts.append(text);
    }
  }
  return texts;
}

std::vector<uint64_t> CRecordingTableModel::Ids() const {
  std::vector<uint64_t> ids;
  ids.reserve(m_rows.size());
  for (const Row& row : m_rows) ids.push_back(row.id);
  return ids;
}

int CRecordingTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CRecordingTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_columns; }

bool CRecordingTableModel::Centred(int column) const {
  return std::find(m_centred.begin(), m_centred.end(), column) != m_centred.end();
}

QVariant CRecordingTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(m_rows.size()) || index.column() >= m_columns) return {};
  const Row& row = m_rows[static_cast<size_t>(index.row())];
  const size_t column = static_cast<size_t>(index.column());
  switch (role) {
    case Qt::DisplayRole:
      return row.cells.texts[column].isNull() ? QVariant() : QVariant(row.cells.texts[column]);
    case Qt::DecorationRole:
      // No icon is no value: a null icon would still leave room for one.
      return row.cells.icons[column].isNull() ? QVariant() : QVariant(row.cells.icons[column]);
    case Qt::TextAlignmentRole:
      return Centred(index.column()) ? QVariant(static_cast<int>(Qt::AlignCenter)) : QVariant();
    case kRecordingIdRole:
      return QVariant(static_cast<qulonglong>(row.id));
    default:
      return {};
  }
}

QVariant CRecordingTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= m_columns) return {};
  // A column without a title shows none (not Qt's number).
  if (role == Qt::DisplayRole) return m_titles.value(section);
  if (role == Qt::TextAlignmentRole && Centred(section)) return QVariant(static_cast<int>(Qt::AlignCenter));
  return {};
}

Qt::ItemFlags CRecordingTableModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

uint64_t RecordingIdOf(const QModelIndex& index) {
  return index.isValid() ? index.data(kRecordingIdRole).toULongLong() : 0;
}
