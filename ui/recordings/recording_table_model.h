// CRecordingTableModel: the rows of a recordings list (voice messages or conversations) as a Qt
// table model, built to stay quick with tens of thousands of recordings:
// - a row holds its recording's identity as a number, never a pointer (the page finds the
//   recording again in its collection at every use), and what its columns show;
// - a rebuild (Sync) keeps the rows of the recordings still there, writes into them only what
//   changed, removes the rows of recordings that have gone and adds the new rows in one step, so
//   the view keeps the selection and the current row on their recordings.
// The page's sort proxy (ui/recordings/recording_sort_proxy.h) orders the rows for the view.
// GUI thread only.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

// The role under which every cell answers its row's recording identity (a qulonglong).
inline constexpr int kRecordingIdRole = Qt::UserRole + 1;

// What one row shows: a text and an icon a column. A page with more columns does not compile
// (ui/recordings/recording_columns.h); raise the figure for it.
struct CRecordingCells {
  static constexpr int kMaxColumns = 4;
  std::array<QString, kMaxColumns> texts;
  std::array<QIcon, kMaxColumns> icons;
};

class CRecordingTableModel : public QAbstractTableModel {
 public:
  // Writes what the recording at that index of the ids given to Sync shows.
  using Fill = std::function<void(CRecordingCells& cells, size_t index)>;

  // `centredColumns` are drawn centred, in the rows and in the header. More columns than a row
  // holds throw std::length_error.
  CRecordingTableModel(int columns, std::vector<int> centredColumns, QObject* parent = nullptr);

  void SetHeaders(const QStringList& titles);

  // Brings the rows in line with the recordings `ids` (in their collection's order): drops the
  // rows of recordings that have gone, lets `fill` write the others again, and adds rows for the
  // new ones after the rest.
  void Sync(const std::vector<uint64_t>& ids, const Fill& fill);
  // Writes that recording's row again (a change seen before the next rebuild); false without one.
  bool Update(uint64_t id, const std::function<void(CRecordingCells& cells)>& fill);

  // Each text the column shows, once.
  QStringList DistinctTexts(int column) const;

  uint64_t IdAt(int row) const { return m_rows[static_cast<size_t>(row)].id; }
  std::vector<uint64_t> Ids() const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  struct Row {
    uint64_t id;
    CRecordingCells cells;
  };
  bool Centred(int column) const;
  // Stores the fresh cells; whether anything the row shows changed.
  static bool Store(Row& row, CRecordingCells&& fresh);

  int m_columns;
  std::vector<int> m_centred;
  QStringList m_titles;
  std::vector<Row> m_rows;
};

// The identity a row of a recordings list holds; 0 for an index of no row.
uint64_t RecordingIdOf(const QModelIndex& index);

// The identities of a collection's recordings (each with GetId()), in its order.
template <class Recording>
std::vector<uint64_t> RecordingIdsOf(const std::vector<Recording*>& recordings) {
  std::vector<uint64_t> ids;
  ids.reserve(recordings.size());
  for (const Recording* recording : recordings) ids.push_back(static_cast<uint64_t>(recording->GetId()));
  return ids;
}

// Texts that many rows show alike (a caller's name, a duration), made once per rebuild and shared
// by those rows: less formatting, and one copy in memory instead of one per row.
template <typename Key>
class CSharedRowTexts {
 public:
  // The text for the key; `make` (giving a std::u16string) is called only for a key not seen yet.
  template <typename Make>
  const QString& Get(const Key& key, Make&& make) {
    const auto [place, added] = m_texts.try_emplace(key);
    if (added) place->second = QString::fromStdU16String(make());
    return place->second;
  }

 private:
  std::unordered_map<Key, QString> m_texts;
};
