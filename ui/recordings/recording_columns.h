// A recordings page's columns, defined in one place: one row of a page's table says how the
// column looks, what a recording's row shows in it and the key it sorts by. The table's size is
// checked when the page is compiled: no page has more columns than a row holds, and none leaves a
// column of its list without its row. GUI thread only.
#pragma once

#include <QIcon>
#include <QString>
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ui/recordings/recording_sort_proxy.h"
#include "ui/recordings/recording_table_model.h"

// How a column of a recordings list looks.
struct RecordingColumnLook {
  int titleId;  // the language string of its header; 0 for none
  int width;    // in pixels, whatever the font
  bool centred;
  // A picture only, no text (drawn centred whatever `centred` says).
  bool imageOnly = false;
  // Grows beyond `width` to show its texts whole at any font: those of its rows and, whether a row
  // shows it now or not, the language string `alwaysFitsTextId` (0 for none).
  bool fitsTexts = false;
  int alwaysFitsTextId = 0;
};

// One column of a page whose rows show `Recording`s; `Texts` holds what a rebuild's rows share.
template <class Recording, class Texts>
struct RecordingColumn {
  RecordingColumnLook look;
  // Writes what the recording's row shows in the column: a text, a picture, or both.
  void (*fill)(QString& text, QIcon& picture, const Recording& recording, Texts& texts);
  // The key the column sorts the recording by.
  RecordingSortKey (*key)(const Recording& recording);
};

// A column's key by text, or by number.
inline RecordingSortKey RecordingTextKey(std::u16string text) {
  RecordingSortKey key;
  key.text = std::move(text);
  return key;
}
inline RecordingSortKey RecordingNumberKey(int64_t number) {
  RecordingSortKey key;
  key.number = number;
  return key;
}

template <class Recording, class Texts, std::size_t N>
using RecordingColumns = std::array<RecordingColumn<Recording, Texts>, N>;

// Whether every column of the table has its row (an array given fewer rows than its size leaves
// the last ones empty).
template <class Recording, class Texts, std::size_t N>
constexpr bool EveryColumnDefined(const RecordingColumns<Recording, Texts, N>& columns) {
  return std::all_of(columns.begin(), columns.end(),
                     [](const RecordingColumn<Recording, Texts>& column) { return column.fill && column.key; });
}

// The looks of the table's columns, left to right.
template <class Recording, class Texts, std::size_t N>
std::vector<RecordingColumnLook> LooksOf(const RecordingColumns<Recording, Texts, N>& columns) {
  static_assert(N <= CRecordingCells::kMaxColumns, "a recordings row holds at most kMaxColumns columns");
  std::vector<RecordingColumnLook> looks;
  for (const RecordingColumn<Recording, Texts>& column : columns) looks.push_back(column.look);
  return looks;
}

// Writes what the recording's row shows in every column.
template <class Recording, class Texts, std::size_t N>
void FillRow(const RecordingColumns<Recording, Texts, N>& columns, CRecordingCells& cells, const Recording& recording,
             Texts& texts) {
  static_assert(N <= CRecordingCells::kMaxColumns, "a recordings row holds at most kMaxColumns columns");
  for (std::size_t column = 0; column < N; ++column) columns[column].fill(cells.texts[column], cells.icons[column], recording, texts);
}

// The recording's key under the column; a recording that has gone (null), or a column the table
// does not have, gives the key of a gone one.
template <class Recording, class Texts, std::size_t N>
RecordingSortKey SortKeyIn(const RecordingColumns<Recording, Texts, N>& columns, const Recording* recording, int column) {
  if (!recording || column < 0 || static_cast<std::size_t>(column) >= N) {
    RecordingSortKey key;
    key.gone = recording == nullptr;
    return key;
  }
  RecordingSortKey key = columns[static_cast<std::size_t>(column)].key(*recording);
  key.gone = false;
  return key;
}
