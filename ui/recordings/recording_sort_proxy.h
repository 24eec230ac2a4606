// The order of a recordings list: the pages' own rule, applied by a sort proxy between the page's
// table model (ui/recordings/recording_table_model.h) and its view. A header click flips the
// page's one direction flag, shared by every column (and, on the voice-messages page, by every
// instance of the page), and sorts by the clicked column. A recording that has gone from its
// collection since the last rebuild sorts after every other in either direction; rows with equal
// keys keep their order. The proxy reads each row's recording once a sort, not at every
// comparison, and sorts only when asked (a header click or a rebuild), so the rows do not move
// under the user between two. GUI thread only.
#pragma once

#include <QSortFilterProxyModel>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

class CRecordingTableModel;

// The sorted column and the direction, kept for the run.
struct RecordingSortState {
  int column = 1;  // the time column
  bool ascending = false;
};

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

class CRecordingSortProxy : public QSortFilterProxyModel {
 public:
  // The keys of the recordings `ids` under that column, one a recording, in the same order.
  using KeysOf = std::function<std::vector<RecordingSortKey>(const std::vector<uint64_t>& ids, int column)>;

  CRecordingSortProxy(CRecordingTableModel& source, KeysOf keysOf, QObject* parent = nullptr);

  // Orders the rows under the state; the selection and the current row stay on their recordings.
  void Apply(const RecordingSortState& state);

 protected:
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

 private:
  CRecordingTableModel& m_source;
  KeysOf m_keysOf;
  // The source rows' keys while a sort runs.
  std::vector<RecordingSortKey> m_keys;
  bool m_ascending = false;
};

// The keys of a collection's recordings (each with GetId()): `keyOf` gets the recording, or null
// for one that has gone. One look-up table a sort, since the collections find by walking their lists.
template <class Recording, class KeyOf>
std::vector<RecordingSortKey> RecordingSortKeysOf(const std::vector<Recording*>& recordings, const std::vector<uint64_t>& ids,
                                                  KeyOf&& keyOf) {
  std::unordered_map<uint64_t, const Recording*> byId;
  byId.reserve(recordings.size());
  for (const Recording* recording : recordings) byId.emplace(static_cast<uint64_t>(recording->GetId()), recording);
  std::vector<RecordingSortKey> keys;
  keys.reserve(ids.size());
  for (uint64_t id : ids) {
    const auto found = byId.find(id);
    keys.push_back(keyOf(found == byId.end() ? nullptr : found->second));
  }
  return keys;
}
