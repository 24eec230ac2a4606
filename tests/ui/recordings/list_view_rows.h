// A recordings page's rows as its view shows them, read and selected through the view's model
// (the page's sort proxy), as a user sees and clicks them.
#pragma once

#include <QItemSelectionModel>
#include <QTreeView>
#include <initializer_list>
#include <vector>

#include "ui/recordings/recording_table_model.h"

namespace qav::test {

inline int RowCount(const QTreeView* list) { return list->model()->rowCount(); }

inline QModelIndex RowIndex(const QTreeView* list, int row) { return list->model()->index(row, 0); }

inline QString RowText(const QTreeView* list, int row, int column = 0) {
  return list->model()->index(row, column).data().toString();
}

inline std::vector<QString> RowTexts(const QTreeView* list) {
  std::vector<QString> texts;
  for (int row = 0; row < RowCount(list); ++row) texts.push_back(RowText(list, row));
  return texts;
}

inline std::vector<uint64_t> RowRecordings(const QTreeView* list) {
  std::vector<uint64_t> ids;
  for (int row = 0; row < RowCount(list); ++row) ids.push_back(RecordingIdOf(RowIndex(list, row)));
  return ids;
}

// Adds the row to the selection.
inline void SelectRow(QTreeView* list, int row) {
  list->selectionModel()->select(RowIndex(list, row), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// Selects exactly these rows.
inline void SelectRows(QTreeView* list, std::initializer_list<int> rows) {
  list->clearSelection();
  for (int row : rows) SelectRow(list, row);
}

inline QModelIndexList SelectedRows(const QTreeView* list) { return list->selectionModel()->selectedRows(); }

}  // namespace qav::test
