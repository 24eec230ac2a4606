#include "ui/dlg_messages.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QThread>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <ctime>
#include <unordered_map>

#include "app/app_messages.h"
#include "app/app_names.h"
#include "app/extr_app_notify.h"
#include "app/web_links.h"
#include "calls/message_collection.h"
#include "foundation/date_time.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "skype/link/main_window_port.h"
#include "skype/link/user.h"
#include "ui/app_image_lists.h"
#include "ui/button_ssl.h"
#include "ui/list_page_text.h"
#include "ui/sheet_services.h"
#include "ui/title_menu.h"

namespace {

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

constexpr int kIdRole = Qt::UserRole + 1;

// The toolbar list's pictures.
constexpr int kImagePlay = 0, kImageDelete = 6, kImageFolder = 8, kImageCall = 9, kImageConference = 10,
              kImageChat = 11, kImageAnalysis = 13;

std::u16string Number(int64_t value) { return qav::U16(std::to_string(value)); }

}  // namespace

CDlgMessages::SortState& CDlgMessages::Sort() {
  static SortState state;
  return state;
}

CDlgMessages::CDlgMessages(CSheetServices& services, QWidget* parent)
    : CPropPage(parent), m_services(services), m_clock([] { return static_cast<int64_t>(std::time(nullptr)); }) {
  m_refreshTimer.setSingleShot(true);
  m_refreshTimer.setInterval(kListRefreshDelayMs);
  connect(&m_refreshTimer, &QTimer::timeout, this, [this] { OnRefreshTimer(); });

  m_play = MakeButton(kImagePlay);
  m_call = MakeButton(kImageCall);
  m_chat = MakeButton(kImageChat);
  m_delete = MakeButton(kImageDelete);
  m_folder = MakeButton(kImageFolder);
  m_analysis = MakeButton(kImageAnalysis);
  connect(m_play, &CButtonSSL::clicked, this, [this] { PlaybackSelected(false); });
  connect(m_analysis, &CButtonSSL::clicked, this, [this] { PlaybackSelected(true); });
  connect(m_call, &CButtonSSL::clicked, this, [this] { CallSelected(); });
  connect(m_chat, &CButtonSSL::clicked, this, [this] { ChatSelected(); });
  connect(m_delete, &CButtonSSL::clicked, this, [this] { DeleteSelected(); });
  connect(m_folder, &CButtonSSL::clicked, this, [this] { OpenFolder(); });
  m_folder->setVisible(g_ShowOpenFolderButton.Get() != 0);

  m_list = new QTreeWidget(this);
  m_list->setRootIsDecorated(false);
  m_list->setUniformRowHeights(true);
  m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_list->setContextMenuPolicy(Qt::CustomContextMenu);
  m_list->setColumnCount(4);
  m_list->header()->setSectionsClickable(true);
  m_list->header()->setSortIndicatorShown(false);
  m_list->header()->setStretchLastSection(false);
  m_list->setColumnWidth(kCallerColumn, 210);
  m_list->setColumnWidth(kTimeColumn, 134);
  m_list->setColumnWidth(kDurationColumn, 70);
  m_list->setColumnWidth(kNewMarkColumn, 22);
  m_list->installEventFilter(this);
  connect(m_list->header(), &QHeaderView::sectionClicked, this, [this](int column) { OnColumnClick(column); });
  connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
  connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { PlaybackSelected(false); });
  connect(m_list, &QTreeWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { ShowContextMenu(m_list->viewport()->mapToGlobal(at)); });

  m_noUser = new QLabel(this);
  m_noUser->setAlignment(Qt::AlignCenter);
  m_noUser->setFrameShape(QFrame::StyledPanel);
  m_noUser->hide();

  auto* toolbar = new QHBoxLayout;
  for (CButtonSSL* button : {m_play, m_call, m_chat, m_delete, m_folder, m_analysis}) toolbar->addWidget(button);
  toolbar->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(toolbar);
  layout->addWidget(m_list, 1);
  layout->addWidget(m_noUser, 1);
  setMinimumSize(460, 320);
  Localize();
}

CDlgMessages::~CDlgMessages() = default;

CButtonSSL* CDlgMessages::MakeButton(int image) {
  auto* button = new CButtonSSL(this);
  button->setFixedSize(36, 34);
  if (g_pImageLists) button->SetImageList(g_pImageLists->m_toolbarList, image);
  return button;
}

std::u16string CDlgMessages::GetTabTitle() const {
  std::u16string title = GetLangString(60);
  const int total = static_cast<int>(g_MessageCollection.GetCount());
  if (g_ShowNumRecordingsInTab.Get() != 0 && total > 0) {
    const int fresh = g_MessageCollection.GetNumNewSavedVoiceMessages();
    title += fresh > 0 ? u" (" + Number(fresh) + u"/" + Number(total) + u")" : u" (" + Number(total) + u")";
  }
  return title;
}

void CDlgMessages::Localize() {
  const bool screenReader = g_ScreenReaderFriendlyMode.Get() != 0;
  const std::pair<CButtonSSL*, int> tips[] = {{m_play, 100}, {m_chat, 104}, {m_delete, 105}, {m_folder, 106}, {m_analysis, 107}};
  for (const auto& [button, id] : tips) {
    button->SetTooltipText(Q(GetLangString(id)));
    button->setText(screenReader ? Q(GetLangString(id)) : QString());
  }
  m_list->setHeaderLabels({Q(GetLangString(110)), Q(GetLangString(111)), Q(GetLangString(112)), QString()});
  m_list->headerItem()->setTextAlignment(kTimeColumn, Qt::AlignCenter);
  m_list->headerItem()->setTextAlignment(kDurationColumn, Qt::AlignCenter);
  m_noUser->setText(Q(GetLangString(2200)));
  UpdateButtons();
}

bool CDlgMessages::SignedIn() const { return !m_services.CurrentUserHandle().empty(); }

void CDlgMessages::OnSetActive() {
  m_active = true;
  OnUpdateDlg();
}

void CDlgMessages::OnKillActive() { m_active = false; }

void CDlgMessages::OnUpdateDlg() {
  if (!m_active) {
    m_lastRefresh = 0;
    m_refreshTimer.stop();
    return;
  }
  const int64_t now = m_clock();
  if (m_lastRefresh >= now) {
    // A rebuild already ran in this second: one more follows shortly, never more than one pending.
    if (!m_refreshTimer.isActive()) m_refreshTimer.start();
    return;
  }
  m_lastRefresh = now;
  RebuildList();
  m_refreshTimer.stop();
}

void CDlgMessages::OnRefreshTimer() {
  m_refreshTimer.stop();
  OnUpdateDlg();
}

VoiceMessageId CDlgMessages::RowId(const QTreeWidgetItem* item) {
  return VoiceMessageId{item->data(kCallerColumn, kIdRole).toULongLong()};
}

QTreeWidgetItem* CDlgMessages::FindRow(VoiceMessageId id) const {
  for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = m_list->topLevelItem(i);
    if (RowId(item) == id) return item;
  }
  return nullptr;
}

void CDlgMessages::UpdateDlgItem(CMessage& message) { UpdateDlgItem(message, FindRow(message.GetId())); }

void CDlgMessages::UpdateDlgItem(CMessage& message, QTreeWidgetItem* item) {
  if (!item) {
    item = new QTreeWidgetItem(m_list);
    item->setData(kCallerColumn, kIdRole, QVariant::fromValue<qulonglong>(static_cast<uint64_t>(message.GetId())));
    item->setTextAlignment(kTimeColumn, Qt::AlignCenter);
    item->setTextAlignment(kDurationColumn, Qt::AlignCenter);
  }
  item->setText(kCallerColumn, Q(message.GetUserDisplayNameWithHandle()));
  item->setText(kTimeColumn, Q(message.GetTimeOfCallText()));
  item->setText(kDurationColumn, Q(message.GetDurationText()));
  if (g_pImageLists) {
    item->setIcon(kCallerColumn, g_pImageLists->m_statusList.GetIcon(message.GetUserStatus()));
    item->setIcon(kNewMarkColumn, g_pImageLists->m_statusList.GetIcon(message.GetIconIndex(g_pImageLists->MarkBase())));
  }
}

void CDlgMessages::RebuildList() {
  if (!m_active) return;
  ++m_rebuilds;
  if (SignedIn()) {
    m_noUser->hide();
    // One look-up table per rebuild: the collection finds by walking its list.
    std::unordered_map<uint64_t, CMessage*> byId;
    for (CMessage* message : g_MessageCollection.GetMessages()) byId.emplace(static_cast<uint64_t>(message->GetId()), message);
    for (int i = 0; i < m_list->topLevelItemCount();) {
      if (byId.count(static_cast<uint64_t>(RowId(m_list->topLevelItem(i)))) == 0) {
        delete m_list->takeTopLevelItem(i);
      } else {
        ++i;
      }
    }
    // Thousands of rows: one index rebuild, not one per row.
    m_list->setUpdatesEnabled(false);
    const QSignalBlocker blocker(m_list);
    std::unordered_map<uint64_t, QTreeWidgetItem*> rows;
    rows.reserve(m_list->topLevelItemCount());
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
      QTreeWidgetItem* item = m_list->topLevelItem(i);
      rows.emplace(static_cast<uint64_t>(RowId(item)), item);
    }
    for (CMessage* message : g_MessageCollection.GetMessages()) {
      const auto found = rows.find(static_cast<uint64_t>(message->GetId()));
      UpdateDlgItem(*message, found == rows.end() ? nullptr : found->second);
    }
    SortList();
    m_list->setUpdatesEnabled(true);
    m_list->show();
    m_list->setEnabled(true);
  } else {
    m_list->hide();
    m_list->setEnabled(false);
    m_noUser->show();
  }
  UpdateButtons();
}

bool CDlgMessages::SortsBefore(const CMessage* first, const CMessage* second, const SortState& sort) {
  // A message that has gone ranks after every other, whatever the direction, so the order stays
  // a strict weak ordering.
  if (!first || !second) return first && !second;
  auto ordered = [&sort](const auto& a, const auto& b) { return sort.ascending ? a < b : b < a; };
  switch (sort.column) {
    case kCallerColumn:
      return ordered(first->GetUserDisplayNameWithHandle(), second->GetUserDisplayNameWithHandle());
    case kTimeColumn:
      return ordered(first->GetTimeOfCall(), second->GetTimeOfCall());
    case kDurationColumn:
      return ordered(first->GetDuration(), second->GetDuration());
    case kNewMarkColumn:
      // New before heard when ascending.
      return ordered(first->IsSeen(), second->IsSeen());
    default:
      return false;
  }
}

void CDlgMessages::SortList() {
  const int count = m_list->topLevelItemCount();
  struct Row {
    QTreeWidgetItem* item;
    const CMessage* message;
    bool selected;
  };
  std::vector<Row> rows;
  rows.reserve(count);
  const QTreeWidgetItem* current = m_list->currentItem();
  for (int i = count - 1; i >= 0; --i) {
    QTreeWidgetItem* item = m_list->topLevelItem(i);
    rows.push_back({item, nullptr, item->isSelected()});
  }
  std::reverse(rows.begin(), rows.end());
  std::unordered_map<uint64_t, const CMessage*> byId;
  for (const CMessage* message : g_MessageCollection.GetMessages()) byId.emplace(static_cast<uint64_t>(message->GetId()), message);
  for (Row& row : rows) {
    const auto found = byId.find(static_cast<uint64_t>(RowId(row.item)));
    row.message = found == byId.end() ? nullptr : found->second;
  }
  const SortState sort = Sort();
  std::stable_sort(rows.begin(), rows.end(),
                   [&sort](const Row& a, const Row& b) { return SortsBefore(a.message, b.message, sort); });
  const QSignalBlocker blocker(m_list);
  const VoiceMessageId currentId = current ? RowId(current) : VoiceMessageId{0};
  while (m_list->topLevelItemCount() > 0) m_list->takeTopLevelItem(m_list->topLevelItemCount() - 1);
  QList<QTreeWidgetItem*> items;
  items.reserve(count);
  for (const Row& row : rows) items.append(row.item);
  m_list->addTopLevelItems(items);
  for (const Row& row : rows) {
    row.item->setSelected(row.selected);
    if (current && RowId(row.item) == currentId) m_list->setCurrentItem(row.item, 0, QItemSelectionModel::NoUpdate);
  }
}

void CDlgMessages::OnColumnClick(int column) {
  SortState& sort = Sort();
  sort.ascending = !sort.ascending;
  sort.column = column;
  QAV_LOG(LOG_FINE, u"CDlgMessages::OnColumnclickTablelist( %d )", column);
  SortList();
}

std::vector<int> CDlgMessages::SelectedRows() const {
  std::vector<int> rows;
  for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
    if (m_list->topLevelItem(i)->isSelected()) rows.push_back(i);
  }
  return rows;
}

std::vector<CMessage*> CDlgMessages::SelectedMessages(bool knownDurationOnly) const {
  std::vector<CMessage*> messages;
  for (int row : SelectedRows()) {
    CMessage* message = g_MessageCollection.Find(RowId(m_list->topLevelItem(row)));
    if (message && (!knownDurationOnly || message->GetDuration() >= 0)) messages.push_back(message);
  }
  return messages;
}

void CDlgMessages::UpdateButtons() {
  const size_t selected = SelectedRows().size();
  if (g_pImageLists) m_call->SetImageList(g_pImageLists->m_toolbarList, selected > 1 ? kImageConference : kImageCall);
  const std::u16string callText = GetLangString(selected < 2 ? 102 : 103);
  m_call->SetTooltipText(Q(callText));
  m_call->setText(g_ScreenReaderFriendlyMode.Get() != 0 ? Q(callText) : QString());
  if (!SignedIn()) {
    for (CButtonSSL* button : {m_play, m_call, m_chat, m_delete, m_folder, m_analysis}) button->setEnabled(false);
    return;
  }
  m_folder->setEnabled(true);
  const bool any = selected > 0;
  for (CButtonSSL* button : {m_play, m_call, m_delete, m_analysis}) button->setEnabled(any);
  bool chat = false;
  for (const CMessage* message : SelectedMessages(false)) {
    const CUser* caller = message->GetUser();
    if (caller && !caller->IsPstnNumber()) chat = true;
  }
  m_chat->setEnabled(any && chat);
  m_call->update();
}

void CDlgMessages::NotifyMainWindow() { m_services.PostMainWindow(UM_UPDATEDLG, kPageVoiceMessages, 0); }

void CDlgMessages::PlaybackSelected(bool analysis) {
  g_bTrayNewMessageFlag = false;
  std::vector<int> selected = SelectedRows();
  if (selected.empty()) return;
  std::vector<VoiceMessageId> selectedIds;
  for (int row : selected) selectedIds.push_back(RowId(m_list->topLevelItem(row)));
  auto isSelected = [&selectedIds](VoiceMessageId id) {
    return std::find(selectedIds.begin(), selectedIds.end(), id) != selectedIds.end();
  };
  bool restricted = selected.size() > 1;
  int n = selected.front();
  int step = 1;
  while (n >= 0 && n < m_list->topLevelItemCount()) {
    const VoiceMessageId id = RowId(m_list->topLevelItem(n));
    if (CMessage* message = g_MessageCollection.Find(id)) {
      message->SetSeen(true);
      UpdateDlgItem(*message);
      NotifyMainWindow();
      const int result = m_player ? m_player(*message, analysis) : 2;
      switch (result) {
        case kListPlayerPrevious:
          step = -1;
          break;
        case kListPlayerNext:
          step = 1;
          break;
        case kListPlayerDelete:
          Delete({id});
          return;
        case kListPlayerDeleteAndNext:
          Delete({id});
          // The next row has moved up into this place (unless the delete was refused).
          n -= 1;
          step = 1;
          break;
        case kListPlayerError:
        case kListPlayerNothingToPlay:
          restricted = true;
          step = 1;
          break;
        default:
          return;
      }
    }
    n += step;
    while (restricted && n >= 0 && n < m_list->topLevelItemCount() && !isSelected(RowId(m_list->topLevelItem(n)))) {
      n += step;
    }
  }
}

void CDlgMessages::Delete(const std::vector<VoiceMessageId>& ids) {
  QAV_LOG(LOG_FINE, u"CDlgMessages::Delete( Count=%d )", static_cast<int>(ids.size()));
  if (!SignedIn() || ids.empty()) return;
  g_bTrayNewMessageFlag = false;
  const std::u16string folder = g_MessageCollection.GetMessagesFolder();
  if (g_VoiceMsgDeleteConfirmation.Get() == 0) {
    QAV_LOG(LOG_FINE, u"Delete without asking for approvale.");
  } else {
    std::u16string question;
    if (ids.size() == 1) {
      const CMessage* message = g_MessageCollection.Find(ids.front());
      if (!message) return RebuildList();
      const CUser* caller = message->GetUser();
      question = FillInLangFormat(GetLangString(140), {caller ? caller->GetDisplayName() : u"", message->GetTimeOfCallText()});
    } else {
      question = GetLangString(141);
      for (VoiceMessageId id : ids) {
        const CMessage* message = g_MessageCollection.Find(id);
        if (!message) continue;
        const CUser* caller = message->GetUser();
        question += FillInLangFormat(GetLangString(142), {caller ? caller->GetDisplayName() : u"", message->GetTimeOfCallText()});
      }
    }
    if (qav::ShowMessageBox(question, kAppName, qav::MB_OKCANCEL | qav::MB_ICONEXCLAMATION) != qav::IDOK) {
      QAV_LOG(LOG_FINE, u"Delete denied!");
      return;
    }
  }
  QAV_LOG(LOG_FINE, u"Delete approved!");
  for (VoiceMessageId id : ids) {
    CMessage* message = g_MessageCollection.Find(id);
    if (!message) continue;
    if (message->DeleteFile() == 0) {
      QAV_LOG(LOG_WARNING, u"Error deleting file: %s%s", folder, message->GetFileName());
      qav::ShowMessageBox(GetLangString(1005) + folder + message->GetFileName(), kAppName, qav::MB_OK);
    }
    // The message leaves the list even when its file could not be deleted.
    g_MessageCollection.del(message);
  }
  NotifyMainWindow();
  RebuildList();
}

void CDlgMessages::DeleteSelected() {
  std::vector<VoiceMessageId> ids;
  for (CMessage* message : SelectedMessages(false)) ids.push_back(message->GetId());
  if (!ids.empty()) Delete(ids);
}

void CDlgMessages::CallOf(const CMessage& message) const {
  if (CUser* caller = message.GetUser()) {
    QAV_LOG(LOG_FINE, u"Going to call '%s'", caller->GetDisplayNameWithHandle());
    caller->StartCall();
  }
}

void CDlgMessages::ChatWith(const CMessage& message) const {
  if (CUser* caller = message.GetUser()) {
    QAV_LOG(LOG_FINE, u"Message: Open IM Dialog to %s", caller->GetDisplayNameWithHandle());
    caller->OpenIMDialog(GetLangString(145));
  }
}

void CDlgMessages::ProfileOf(const CMessage& message) const {
  if (CUser* caller = message.GetUser()) {
    QAV_LOG(LOG_FINE, u"Message: Open User Info Dialog to %s", caller->GetDisplayNameWithHandle());
    caller->OpenUserInfoDialog();
  }
}

void CDlgMessages::CallSelected() {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) return;
  if (const CMessage* message = g_MessageCollection.Find(RowId(m_list->topLevelItem(rows.front())))) {
    CallOf(*message);
  } else {
    RebuildList();
  }
}

void CDlgMessages::ChatSelected() {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) return;
  if (const CMessage* message = g_MessageCollection.Find(RowId(m_list->topLevelItem(rows.front())))) {
    ChatWith(*message);
  } else {
    RebuildList();
  }
}

void CDlgMessages::OpenFolder() {
  if (!SignedIn()) return;
  m_services.OpenUrl(QUrl::fromLocalFile(Q(g_MessageCollection.GetMessagesFolder())).toString().toStdU16String());
}

void CDlgMessages::PlayNewMessages() {
  int chosen = 0;
  {
    const QSignalBlocker blocker(m_list);
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
      QTreeWidgetItem* item = m_list->topLevelItem(i);
      const CMessage* message = g_MessageCollection.Find(RowId(item));
      const bool play = message && !message->IsSeen() && message->GetDuration() >= 0;
      item->setSelected(play);
      chosen += play ? 1 : 0;
    }
  }
  UpdateButtons();
  if (chosen > 0) {
    PlaybackSelected(false);
  } else {
    QAV_LOG(LOG_FINE, u"No New Messages to Play");
  }
}

std::vector<CDlgMessages::MenuEntry> CDlgMessages::ContextMenu(VoiceMessageId clicked) const {
  const CMessage* message = g_MessageCollection.Find(clicked);
  if (!message) return {};
  const bool several = SelectedRows().size() >= 2;
  const CUser* caller = message->GetUser();
  std::vector<MenuEntry> entries = {
      {kCmdPlay, GetLangString(120), 0, false},
      {kCmdCall, GetLangString(several ? 122 : 121), several ? 5 : 4, false},
      {kCmdChat, GetLangString(123), 6, caller && caller->IsPstnNumber()},
      {kCmdProfile, GetLangString(129), 8, false},
      {kCmdToggleHeard, GetLangString(message->IsSeen() ? 125 : 124), 9, false},
      {kCmdCopy, GetLangString(128), 13, false},
  };
  if (FindSiblingAppWindow() != 0) entries.push_back({kCmdSendToSibling, GetLangString(131), -1, false});
  entries.push_back({kCmdDelete, GetLangString(126), 11, false});
  return entries;
}

void CDlgMessages::ShowContextMenu(const QPoint& at) {
  QTreeWidgetItem* item = m_list->itemAt(m_list->viewport()->mapFromGlobal(at));
  if (!item) return;
  const VoiceMessageId clicked = RowId(item);
  const std::vector<MenuEntry> entries = ContextMenu(clicked);
  if (entries.empty()) return RebuildList();
  CTitleMenu menu(this);
  if (g_pImageLists) menu.SetImageList(g_pImageLists->m_menuList);
  for (const MenuEntry& entry : entries) {
    menu.AppendMenu(entry.grayed ? (MF_STRING | MF_GRAYED) : MF_STRING, entry.id, Q(entry.text), entry.image);
  }
  menu.SetDefaultItem(kCmdPlay);
  const uint32_t command = menu.TrackPopupMenu(at);
  if (command != 0) RunCommand(command, clicked);
}

void CDlgMessages::RunCommand(uint32_t command, VoiceMessageId clicked) {
  switch (command) {
    case kCmdPlay:
      return PlaybackSelected(false);
    case kCmdDelete:
      return DeleteSelected();
    case kCmdToggleHeard:
      return ToggleHeard(clicked);
    case kCmdCopy:
      return CopySelection();
    case kCmdSendToSibling:
      return SendToSibling();
    default:
      break;
  }
  const CMessage* message = g_MessageCollection.Find(clicked);
  if (!message) return RebuildList();
  if (command == kCmdChat) ChatWith(*message);
  if (command == kCmdCall) CallOf(*message);
  if (command == kCmdProfile) ProfileOf(*message);
}

void CDlgMessages::ToggleHeard(VoiceMessageId clicked) {
  const CMessage* message = g_MessageCollection.Find(clicked);
  if (!message) return RebuildList();
  const bool seen = !message->IsSeen();
  for (CMessage* selected : SelectedMessages(false)) selected->SetSeen(seen);
  NotifyMainWindow();
  RebuildList();
}

QMimeData* CDlgMessages::SelectionMimeData() const {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) return nullptr;
  const std::u16string folder = g_MessageCollection.GetMessagesFolder();
  std::vector<std::u16string> paths;
  for (const CMessage* message : SelectedMessages(true)) paths.push_back(folder + message->GetFileName());
  std::u16string text;
  if (rows.size() == 1) {
    if (const CMessage* message = g_MessageCollection.Find(RowId(m_list->topLevelItem(rows.front())))) {
      text = RecordingDescription(message->GetUserDisplayNameWithHandle(), message->GetTimeOfCall(), message->GetDuration());
    }
  }
  return CopiedFilesMimeData(paths, text);
}

void CDlgMessages::CopySelection() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  if (QMimeData* data = SelectionMimeData()) QApplication::clipboard()->setMimeData(data);
  QApplication::restoreOverrideCursor();
}

void CDlgMessages::SendToSibling() {
  // The notice goes through the workers' sibling thread; a sibling gone meanwhile drops it.
  for (const CMessage* message : SelectedMessages(true)) m_services.SendToSibling(*message);
}

bool CDlgMessages::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_list && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
    DeleteSelected();
    return true;
  }
  return CPropPage::eventFilter(watched, event);
}
