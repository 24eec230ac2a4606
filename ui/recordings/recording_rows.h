// The rows of the voice-messages and conversations lists, which must stay quick with tens of
// thousands of recordings:
// - a row holds its recording's identity as a number, never a pointer (the page finds the
//   recording again in its collection at every use); the centred time and duration columns are
//   answered by the row type instead of being stored in every row;
// - a rebuild writes only what changed into the rows already shown and adds the new rows to the
//   list in one step;
// - a sort reorders the rows in place, so the selection and the current row stay on their
//   recordings, and reads each row's recording once rather than at every comparison.
// GUI thread only.
#pragma once

#include <QString>
#include <QTreeWidgetItem>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

class QIcon;
class QTreeWidget;

class CRecordingRow : public QTreeWidgetItem {
 public:
  static constexpr int kType = QTreeWidgetItem::UserType + 1;

  explicit CRecordingRow(uint64_t id) : QTreeWidgetItem(kType), m_id(id) {}

  uint64_t Id() const { return m_id; }
  // The row's place in the order being applied (SortRecordingRows).
  void SetRank(int rank) { m_rank = rank; }

  // The time (1) and duration (2) columns are centred.
  QVariant data(int column, int role) const override;
  // By rank.
  bool operator<(const QTreeWidgetItem& other) const override;

 private:
  uint64_t m_id;
  int m_rank = 0;
};

// The identity a row of a recordings list holds; 0 for any other item.
uint64_t RecordingRowId(const QTreeWidgetItem* row);

// Brings the list's rows in line with the recordings `ids` (in their collection's order): drops
// the rows of recordings that have gone, lets `fill` write the others again, and adds rows for the
// new ones after the rest. `fill` gets the row and the recording's index in `ids`.
void SyncRecordingRows(QTreeWidget& list, const std::vector<uint64_t>& ids,
                       const std::function<void(QTreeWidgetItem& row, size_t index)>& fill);

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

// Sets the column's icon unless the row shows that icon already. (Qt cannot compare icons, so
// setting the same one again would repaint the row every rebuild.)
void SetRowIcon(QTreeWidgetItem& row, int column, const QIcon& icon);

// What a row sorts by under the sorted column: a text, or a number (the other left as it is).
struct RecordingSortKey {
  // The recording is no longer in its collection.
  bool gone = true;
  std::u16string text;
  int64_t number = 0;
};

// Whether `first` sorts before `second` in that direction. A recording that has gone sorts after
// every other in either direction, so the order stays a strict weak ordering.
bool SortKeyBefore(const RecordingSortKey& first, const RecordingSortKey& second, bool ascending);

// Orders the list's rows by their recordings' keys; rows with equal keys keep their order.
// `keyOf` is asked once per row, with the row's identity.
void SortRecordingRows(QTreeWidget& list, bool ascending, const std::function<RecordingSortKey(uint64_t id)>& keyOf);

// SortRecordingRows over a collection's recordings (each with GetId()): `keyOf` gets the row's
// recording, or null for one that has gone. One look-up table per sort, since the collections
// find by walking their lists.
template <class Recording, class KeyOf>
void SortRecordingRowsOf(QTreeWidget& list, const std::vector<Recording*>& recordings, bool ascending, KeyOf&& keyOf) {
  std::unordered_map<uint64_t, const Recording*> byId;
  for (const Recording* recording : recordings) byId.emplace(static_cast<uint64_t>(recording->GetId()), recording);
  SortRecordingRows(list, ascending, [&byId, &keyOf](uint64_t id) {
    const auto found = byId.find(id);
    return keyOf(found == byId.end() ? nullptr : found->second);
  });
}

// The indexes of the list's selected rows, top to bottom.
std::vector<int> SelectedRowIndexes(const QTreeWidget& list);
