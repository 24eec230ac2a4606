#include "ui/recordings/dlg_messages.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QThread>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>

#include "app/app_names.h"
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
#include "ui/art/app_image_lists.h"
#include "ui/controls/button_ssl.h"
#include "ui/recordings/list_page_text.h"
#include "ui/recordings/player_walk.h"
#include "ui/recordings/recording_list_layout.h"
#include "ui/recordings/recording_rows.h"
#include "ui/sheet/sheet_services.h"
#include "ui/controls/title_menu.h"

namespace {

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

// The toolbar list's pictures the call button switches between.
constexpr int kImageCall = 9, kImageConference = 10;

std::u16string Number(int64_t value) { return qav::U16(std::to_string(value)); }

}  // namespace

CDlgMessages::SortState& CDlgMessages::Sort() {
  static SortState state;
  return state;
}

CDlgMessages::CDlgMessages(CSheetServices& services, QWidget* parent)
    : CPropPage(parent), m_services(services), m_refresh([this] { RebuildList(); }) {
  const RecordingListControls controls =
      BuildRecordingListControls(*this, {210 /*caller*/, 134 /*time*/, 70 /*duration*/, 22 /*new mark*/});
  m_play = controls.play;
  m_call = controls.call;
  m_chat = controls.chat;
  m_delete = controls.remove;
  m_folder = controls.folder;
  m_analysis = controls.analysis;
  m_list = controls.list;
  m_noUser = controls.noUser;
  connect(m_play, &CButtonSSL::clicked, this, [this] { PlaybackSelected(false); });
  connect(m_analysis, &CButtonSSL::clicked, this, [this] { PlaybackSelected(true); });
  connect(m_call, &CButtonSSL::clicked, this, [this] { CallSelected(); });
  connect(m_chat, &CButtonSSL::clicked, this, [this] { ChatSelected(); });
  connect(m_delete, &CButtonSSL::clicked, this, [this] { DeleteSelected(); });
  connect(m_folder, &CButtonSSL::clicked, this, [this] { OpenFolder(); });
  m_list->installEventFilter(this);
  connect(m_list->header(), &QHeaderView::sectionClicked, this, [this](int column) { OnColumnClick(column); });
  connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
  connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { PlaybackSelected(false); });
  connect(m_list, &QTreeWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { ShowContextMenu(m_list->viewport()->mapToGlobal(at)); });
  setMinimumSize(460, 320);
  Localize();
}

CDlgMessages::~CDlgMessages() = default;

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
  SetRecordingListHeaders(*m_list, {Q(GetLangString(110)), Q(GetLangString(111)), Q(GetLangString(112)), QString()});
  m_noUser->setText(Q(GetLangString(2200)));
  UpdateButtons();
}

void CDlgMessages::OnSetActive() { m_refresh.Activate(); }

void CDlgMessages::OnKillActive() { m_refresh.Deactivate(); }

void CDlgMessages::OnUpdateDlg() { m_refresh.Request(); }

void CDlgMessages::OnRefreshTimer() { m_refresh.OnTimer(); }

VoiceMessageId CDlgMessages::RowId(const QTreeWidgetItem* item) { return VoiceMessageId{RecordingRowId(item)}; }

QTreeWidgetItem* CDlgMessages::FindRow(VoiceMessageId id) const {
  for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = m_list->topLevelItem(i);
    if (RowId(item) == id) return item;
  }
  return nullptr;
}

// Callers and durations repeat across thousands of messages.
struct CDlgMessages::RowTexts {
  CSharedRowTexts<const CUser*> callers;
  CSharedRowTexts<int32_t> durations;
};

void CDlgMessages::UpdateDlgItem(CMessage& message) {
  QTreeWidgetItem* row = FindRow(message.GetId());
  if (!row) {
    row = new CRecordingRow(static_cast<uint64_t>(message.GetId()));
    m_list->addTopLevelItem(row);
  }
  RowTexts texts;
  FillRow(*row, message, texts);
}

void CDlgMessages::FillRow(QTreeWidgetItem& row, const CMessage& message, RowTexts& texts) {
  row.setText(kCallerColumn, texts.callers.Get(message.GetUser(), [&message] { return message.GetUserDisplayNameWithHandle(); }));
  row.setText(kTimeColumn, Q(message.GetTimeOfCallText()));
  row.setText(kDurationColumn, texts.durations.Get(message.GetDuration(), [&message] { return message.GetDurationText(); }));
  if (g_pImageLists) {
    SetRowIcon(row, kCallerColumn, g_pImageLists->m_statusList.GetIcon(message.GetUserStatus()));
    SetRowIcon(row, kNewMarkColumn, g_pImageLists->m_statusList.GetIcon(message.GetIconIndex(g_pImageLists->MarkBase())));
  }
}

void CDlgMessages::RebuildList() {
  if (!m_refresh.IsActive()) return;
  ++m_rebuilds;
  if (m_services.SignedIn()) {
    m_noUser->hide();
    const std::vector<CMessage*> messages = g_MessageCollection.GetMessages();
    std::vector<uint64_t> ids;
    ids.reserve(messages.size());
    for (const CMessage* message : messages) ids.push_back(static_cast<uint64_t>(message->GetId()));
    m_list->setUpdatesEnabled(false);
    {
      const QSignalBlocker blocker(m_list);
      RowTexts texts;
      SyncRecordingRows(*m_list, ids,
                        [&messages, &texts](QTreeWidgetItem& row, size_t index) { FillRow(row, *messages[index], texts); });
      SortList();
    }
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

namespace {

RecordingSortKey SortKeyOf(const CMessage* message, int column) {
  RecordingSortKey key;
  if (!message) return key;
  key.gone = false;
  switch (column) {
    case CDlgMessages::kCallerColumn:
      key.text = message->GetUserDisplayNameWithHandle();
      break;
    case CDlgMessages::kTimeColumn:
      key.number = message->GetTimeOfCall();
      break;
    case CDlgMessages::kDurationColumn:
      key.number = message->GetDuration();
      break;
    case CDlgMessages::kNewMarkColumn:
      // New before heard when ascending.
      key.number = message->IsSeen() ? 1 : 0;
      break;
    default:
      break;
  }
  return key;
}

}  // namespace

bool CDlgMessages::SortsBefore(const CMessage* first, const CMessage* second, const SortState& sort) {
  return SortKeyBefore(SortKeyOf(first, sort.column), SortKeyOf(second, sort.column), sort.ascending);
}

void CDlgMessages::SortList() {
  const SortState sort = Sort();
  const QSignalBlocker blocker(m_list);
  SortRecordingRowsOf(*m_list, g_MessageCollection.GetMessages(), sort.ascending,
                      [&sort](const CMessage* recording) { return SortKeyOf(recording, sort.column); });
}

void CDlgMessages::OnColumnClick(int column) {
  SortState& sort = Sort();
  sort.ascending = !sort.ascending;
  sort.column = column;
  QAV_LOG(LOG_FINE, u"CDlgMessages::OnColumnclickTablelist( %d )", column);
  SortList();
}

std::vector<int> CDlgMessages::SelectedRows() const { return SelectedRowIndexes(*m_list); }

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
  if (!m_services.SignedIn()) {
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

void CDlgMessages::NotifyMainWindow() { m_services.PagesChanged(CSheetPages{kPageVoiceMessages}); }

void CDlgMessages::PlaybackSelected(bool analysis) {
  g_bTrayNewMessageFlag = false;
  PlayerWalk walk;
  walk.rowId = [](const QTreeWidgetItem* row) { return static_cast<uint64_t>(RowId(row)); };
  walk.play = [this, analysis](uint64_t id) -> std::optional<int> {
    CMessage* message = g_MessageCollection.Find(VoiceMessageId{id});
    if (!message) return std::nullopt;
    message->SetSeen(true);
    UpdateDlgItem(*message);
    NotifyMainWindow();
    return m_player ? m_player(*message, analysis) : kListPlayerClosed;
  };
  walk.remove = [this](uint64_t id) { Delete({VoiceMessageId{id}}); };
  WalkSelectedRows(*m_list, walk);
}

void CDlgMessages::Delete(const std::vector<VoiceMessageId>& ids) {
  QAV_LOG(LOG_FINE, u"CDlgMessages::Delete( Count=%d )", static_cast<int>(ids.size()));
  if (!m_services.SignedIn() || ids.empty()) return;
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
  if (!m_services.SignedIn()) return;
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
  if (m_services.SiblingRunning()) entries.push_back({kCmdSendToSibling, GetLangString(131), -1, false});
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
  // One notice for the whole selection, through the workers' sibling thread; a sibling gone
  // meanwhile drops it.
  const std::vector<CMessage*> selected = SelectedMessages(true);
  if (!selected.empty()) m_services.SendToSibling({selected.begin(), selected.end()}, {});
}

bool CDlgMessages::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_list && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
    DeleteSelected();
    return true;
  }
  return CPropPage::eventFilter(watched, event);
}
