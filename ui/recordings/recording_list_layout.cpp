#include "ui/recordings/recording_list_layout.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "foundation/settings.h"
#include "ui/art/app_image_lists.h"
#include "ui/controls/button_ssl.h"
#include "ui/recordings/centred_image_delegate.h"
#include "ui/recordings/recording_cell_delegate.h"

namespace {

// The toolbar list's pictures.
constexpr int kImagePlay = 0, kImageDelete = 6, kImageFolder = 8, kImageCall = 9, kImageChat = 11, kImageAnalysis = 13;

CButtonSSL* MakeButton(QWidget& page, const char* name, int image) {
  auto* button = new CButtonSSL(&page);
  button->setObjectName(QString::fromLatin1(name));
  // The picture's size, or wider with a caption (screen-reader mode), which is never cut.
  button->setMinimumSize(36, 34);
  button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  if (g_pImageLists) button->SetImageList(g_pImageLists->m_toolbarList, image);
  return button;
}

}  // namespace

RecordingListControls BuildRecordingListControls(QWidget& page, QAbstractItemModel& rows,
                                                 const std::vector<RecordingColumnLayout>& columns) {
  RecordingListControls controls{};
  controls.play = MakeButton(page, "play", kImagePlay);
  controls.call = MakeButton(page, "call", kImageCall);
  controls.chat = MakeButton(page, "chat", kImageChat);
  controls.remove = MakeButton(page, "delete", kImageDelete);
  controls.folder = MakeButton(page, "openFolder", kImageFolder);
  controls.analysis = MakeButton(page, "analysis", kImageAnalysis);
  controls.folder->setVisible(g_ShowOpenFolderButton.Get() != 0);

  QTreeView* list = controls.list = new QTreeView(&page);
  list->setObjectName(QStringLiteral("recordings"));
  list->setModel(&rows);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  // The page sorts on a header click, by its own rule (ui/recordings/recording_sort_proxy.h).
  list->setSortingEnabled(false);
  list->header()->setSectionsClickable(true);
  list->header()->setSortIndicatorShown(false);
  list->header()->setStretchLastSection(false);
  // The header would otherwise widen a column narrower than its font's widest letter (the new
  // mark's, at a larger font).
  int narrowest = list->header()->minimumSectionSize();
  for (const RecordingColumnLayout& column : columns) narrowest = std::min(narrowest, column.width);
  list->header()->setMinimumSectionSize(narrowest);
  // Grid lines, and the whole text as a tip where a cell cuts it.
  list->setItemDelegate(new CRecordingCellDelegate(list));
  auto* imageOnly = new CCentredImageDelegate(list);
  for (int column = 0; column < static_cast<int>(columns.size()); ++column) {
    list->setColumnWidth(column, columns[static_cast<size_t>(column)].width);
    if (columns[static_cast<size_t>(column)].imageOnly) list->setItemDelegateForColumn(column, imageOnly);
  }

  controls.noUser = new QLabel(&page);
  controls.noUser->setObjectName(QStringLiteral("noUser"));
  controls.noUser->setAlignment(Qt::AlignCenter);
  controls.noUser->setFrameShape(QFrame::StyledPanel);
  controls.noUser->hide();

  auto* toolbar = new QHBoxLayout;
  for (CButtonSSL* button : {controls.play, controls.call, controls.chat, controls.remove, controls.folder, controls.analysis}) {
    toolbar->addWidget(button);
  }
  toolbar->addStretch(1);
  auto* layout = new QVBoxLayout(&page);
  layout->addLayout(toolbar);
  layout->addWidget(list, 1);
  layout->addWidget(controls.noUser, 1);
  return controls;
}
