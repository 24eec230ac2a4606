// The recordings lists' rows on a real tree widget (offscreen): a rebuild keeps the rows it can,
// drops the gone and adds the new; a sort reorders them with the selection and the current row
// staying on their recordings, ties in their order and gone recordings last.
#include <gtest/gtest.h>

#include <QIcon>
#include <QPixmap>
#include <QSignalSpy>
#include <QTreeWidget>
#include <map>

#include "ui/recordings/recording_rows.h"

namespace {

class RecordingRowsTest : public testing::Test {
 protected:
  RecordingRowsTest() { list_.setColumnCount(3); }

  // Shows these recordings; each row's first column is its recording's name.
  void Show(const std::vector<uint64_t>& ids) {
    SyncRecordingRows(list_, ids, [this, &ids](QTreeWidgetItem& row, size_t index) {
      row.setText(0, QString::fromStdU16String(names_[ids[index]]));
      ++fills_;
    });
  }
  std::vector<uint64_t> Ids() const {
    std::vector<uint64_t> ids;
    for (int i = 0; i < list_.topLevelItemCount(); ++i) ids.push_back(RecordingRowId(list_.topLevelItem(i)));
    return ids;
  }
  QTreeWidgetItem* RowOf(uint64_t id) const {
    for (int i = 0; i < list_.topLevelItemCount(); ++i) {
      if (RecordingRowId(list_.topLevelItem(i)) == id) return list_.topLevelItem(i);
    }
    return nullptr;
  }
  // Sorts by name (recordings not in names_ have gone).
  void SortByName(bool ascending) {
    SortRecordingRows(list_, ascending, [this](uint64_t id) {
      RecordingSortKey key;
      const auto found = names_.find(id);
      if (found == names_.end()) return key;
      key.gone = false;
      key.text = found->second;
      return key;
    });
  }

  QTreeWidget list_;
  std::map<uint64_t, std::u16string> names_ = {{1, u"cid"}, {2, u"ann"}, {3, u"bea"}, {4, u"ann"}, {5, u"dan"}};
  int fills_ = 0;
};

TEST_F(RecordingRowsTest, ARebuildKeepsTheRowsItCanDropsTheGoneAndAddsTheNewAtTheEnd) {
  Show({1, 2, 3});
  EXPECT_EQ(Ids(), (std::vector<uint64_t>{1, 2, 3}));
  QTreeWidgetItem* kept = RowOf(3);
  kept->setSelected(true);
  names_[3] = u"bea renamed";
  fills_ = 0;
  Show({5, 3, 4});
  EXPECT_EQ(Ids(), (std::vector<uint64_t>{3, 5, 4}));
  EXPECT_EQ(fills_, 3);
  EXPECT_EQ(RowOf(3), kept);
  EXPECT_TRUE(kept->isSelected());
  EXPECT_EQ(kept->text(0), QStringLiteral("bea renamed"));
  Show({});
  EXPECT_EQ(list_.topLevelItemCount(), 0);
  // Rows that are not a recording's have no identity.
  EXPECT_EQ(RecordingRowId(nullptr), 0u);
  QTreeWidgetItem plain;
  EXPECT_EQ(RecordingRowId(&plain), 0u);
}

TEST_F(RecordingRowsTest, ASortKeepsSelectionAndCurrentRowTiesInOrderAndTheGoneLast) {
  Show({1, 2, 3, 4, 5});
  names_.erase(5);  // gone since the rebuild: still shown, sorts last
  list_.setSelectionMode(QAbstractItemView::ExtendedSelection);
  RowOf(3)->setSelected(true);
  RowOf(1)->setSelected(true);
  list_.setCurrentItem(RowOf(4), 0, QItemSelectionModel::NoUpdate);

  SortByName(true);
  EXPECT_EQ(Ids(), (std::vector<uint64_t>{2, 4, 3, 1, 5}));  // the two "ann" keep their order
  SortByName(false);
  EXPECT_EQ(Ids(), (std::vector<uint64_t>{1, 3, 2, 4, 5}));
  for (int i = 0; i < list_.topLevelItemCount(); ++i) {
    const uint64_t id = RecordingRowId(list_.topLevelItem(i));
    EXPECT_EQ(list_.topLevelItem(i)->isSelected(), id == 1 || id == 3) << id;
  }
  EXPECT_EQ(RecordingRowId(list_.currentItem()), 4u);
  EXPECT_EQ(list_.selectedItems().size(), 2);

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

TEST_F(RecordingRowsTest, TheSameIconAgainLeavesTheRowUntouchedAndTimeAndDurationAreCentred) {
  Show({1});
  QTreeWidgetItem& row = *list_.topLevelItem(0);
  QPixmap picture(16, 16);
  picture.fill(Qt::red);
  const QIcon icon(picture);
  QSignalSpy changes(list_.model(), &QAbstractItemModel::dataChanged);
  SetRowIcon(row, 0, icon);
  EXPECT_EQ(changes.count(), 1);
  SetRowIcon(row, 0, icon);
  EXPECT_EQ(changes.count(), 1);
  SetRowIcon(row, 0, QIcon());
  EXPECT_EQ(changes.count(), 2);
  EXPECT_TRUE(row.icon(0).isNull());

  for (int column : {1, 2}) EXPECT_EQ(row.textAlignment(column), static_cast<int>(Qt::AlignCenter)) << column;
  EXPECT_FALSE(row.data(0, Qt::TextAlignmentRole).isValid());
}

}  // namespace
