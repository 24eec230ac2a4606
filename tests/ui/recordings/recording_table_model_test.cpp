// The recordings lists' table model and sort proxy under a real tree view (offscreen): a rebuild
// keeps the rows it can, drops the gone and adds the new; a sort reorders them with the selection
// and the current row staying on their recordings, ties in their order and gone recordings last.
#include <gtest/gtest.h>

#include <QIcon>
#include <QPixmap>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTreeView>
#include <map>

#include "ui/recordings/recording_sort_proxy.h"
#include "ui/recordings/recording_table_model.h"

namespace {

class RecordingTableModelTest : public testing::Test {
 protected:
  RecordingTableModelTest() {
    list_.setModel(&proxy_);
    list_.setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_.setSelectionBehavior(QAbstractItemView::SelectRows);
  }

  // Shows these recordings; each row's first column is its recording's name.
  void Show(const std::vector<uint64_t>& ids) {
    model_.Sync(ids, [this, &ids](CRecordingCells& cells, size_t index) {
      cells.texts[0] = QString::fromStdU16String(names_[ids[index]]);
      cells.icons[0] = icon_;
      ++fills_;
    });
  }
  // The recordings in the order the view shows them.
  std::vector<uint64_t> Ids() const {
    std::vector<uint64_t> ids;
    for (int row = 0; row < proxy_.rowCount(); ++row) ids.push_back(RecordingIdOf(proxy_.index(row, 0)));
    return ids;
  }
  QModelIndex RowOf(uint64_t id) const {
    for (int row = 0; row < proxy_.rowCount(); ++row) {
      if (RecordingIdOf(proxy_.index(row, 0)) == id) return proxy_.index(row, 0);
    }
    return {};
  }
  void Select(uint64_t id) {
    list_.selectionModel()->select(RowOf(id), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  bool Selected(uint64_t id) const { return list_.selectionModel()->isSelected(RowOf(id)); }
  // Sorts by name (recordings not in names_ have gone).
  void SortByName(bool ascending) { proxy_.Apply({0, ascending}); }

  std::map<uint64_t, std::u16string> names_ = {{1, u"cid"}, {2, u"ann"}, {3, u"bea"}, {4, u"ann"}, {5, u"dan"}};
  QIcon icon_;
  int fills_ = 0;
  CRecordingTableModel model_{3, {1, 2}};
  CRecordingSortProxy proxy_{model_, [this](const std::vector<uint64_t>& ids, int) {
                               std::vector<RecordingSortKey> keys;
                               for (uint64_t id : ids) {
                                 RecordingSortKey key;
                                 const auto found = names_.find(id);
                                 if (found != names_.end()) {
                                   key.gone = false;
                                   key.text = found->second;
                                 }
                                 keys.push_back(key);
                               }
                               return keys;
                             }};
  QTreeView list_;
};

TEST_F(RecordingTableModelTest, ARebuildKeepsTheRowsItCanDropsTheGoneAndAddsTheNewAtTheEnd) {
  Show({1, 2, 3});
  EXPECT_EQ(Ids(), (std::vector<uint64_t>{1, 2, 3}));
  const QPersistentModelIndex kept = RowOf(3);
  Select(3);
  names_[3] = u"bea renamed";
  fills_ = 0;
  Show({5, 3, 4});
  EXPECT_EQ(Ids(), (std::vector<uint64_t>{3, 5, 4}));
  EXPECT_EQ(fills_, 3);
  ASSERT_TRUE(kept.isValid());
  EXPECT_EQ(QModelIndex(kept), RowOf(3));
  EXPECT_TRUE(Selected(3));
  EXPECT_EQ(list_.selectionModel()->selectedRows().size(), 1);
  EXPECT_EQ(kept.data().toString(), QStringLiteral("bea renamed"));
  Show({});
  EXPECT_EQ(proxy_.rowCount(), 0);
  // Rows that are not a recording's have no identity.
  EXPECT_EQ(RecordingIdOf(QModelIndex()), 0u);
  QStandardItemModel plain(1, 1);
  EXPECT_EQ(RecordingIdOf(plain.index(0, 0)), 0u);
}

TEST_F(RecordingTableModelTest, ASortKeepsSelectionAndCurrentRowTiesInOrderAndTheGoneLast) {
  Show({1, 2, 3, 4, 5});
  names_.erase(5);  // gone since the rebuild: still shown, sorts last
  Select(3);
  Select(1);
  list_.selectionModel()->setCurrentIndex(RowOf(4), QItemSelectionModel::NoUpdate);

  SortByName(true);
  EXPECT_EQ(Ids(), (std::vector<uint64_t>{2, 4, 3, 1, 5}));  // the two "ann" keep their order
  SortByName(false);
  EXPECT_EQ(Ids(), (std::vector<uint64_t>{1, 3, 2, 4, 5}));
  for (uint64_t id : Ids()) EXPECT_EQ(Selected(id), id == 1 || id == 3) << id;
  EXPECT_EQ(RecordingIdOf(list_.currentIndex()), 4u);
  EXPECT_EQ(list_.selectionModel()->selectedRows().size(), 2);

  // Keys compare in either direction; the gone after everything, whatever the direction.
  RecordingSortKey earlier{false, u"", 1}, later{false, u"", 2}, gone;
  for (bool ascending : {true, false}) {
    EXPECT_EQ(SortKeyBefore(earlier, later, ascending), ascending);
    EXPECT_TRUE(SortKeyBefore(later, gone, ascending));
    EXPECT_FALSE(SortKeyBefore(gone, earlier, ascending));
    EXPECT_FALSE(SortKeyBefore(gone, gone, ascending));
    EXPECT_FALSE(SortKeyBefore(earlier, earlier, ascending));
  }
}

TEST_F(RecordingTableModelTest, TheSameIconAgainLeavesTheRowUntouchedAndTimeAndDurationAreCentred) {
  Show({1});
  const QModelIndex row = model_.index(0, 0);
  QPixmap picture(16, 16);
  picture.fill(Qt::red);
  QSignalSpy changes(&model_, &QAbstractItemModel::dataChanged);
  icon_ = QIcon(picture);
  Show({1});
  EXPECT_EQ(changes.count(), 1);
  Show({1});
  EXPECT_EQ(changes.count(), 1);
  icon_ = QIcon();
  Show({1});
  EXPECT_EQ(changes.count(), 2);
  EXPECT_FALSE(row.data(Qt::DecorationRole).isValid());

  for (int column : {1, 2}) {
    EXPECT_EQ(model_.index(0, column).data(Qt::TextAlignmentRole).toInt(), static_cast<int>(Qt::AlignCenter)) << column;
    EXPECT_EQ(model_.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt(), static_cast<int>(Qt::AlignCenter));
  }
  EXPECT_FALSE(row.data(Qt::TextAlignmentRole).isValid());
}

}  // namespace
