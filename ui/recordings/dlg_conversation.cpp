#include "ui/recordings/dlg_conversation.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>

#include "app/app_names.h"
#include "calls/call.h"
#include "calls/conversation_collection.h"
#include "foundation/date_time.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "skype/link/device_to_skype_cmd.h"
#include "skype/link/skype_transport.h"
#include "skype/link/skype_vocabulary.h"
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

bool Ended(const CConversation& conversation) { return conversation.GetState() == CConversation::kEnded; }

struct Partners {
  std::u16string handles;
  std::u16string names;
};
Partners NamesOf(const CConversation& conversation) {
  Partners partners;
  conversation.GetPartnerNames(partners.handles, partners.names);
  return partners;
}

}  // namespace

CDlgConversation::SortState& CDlgConversation::Sort() {
  static SortState state;
  return state;
}

CDlgConversation::CDlgConversation(CSheetServices& services, QWidget* parent)
    : CPropPage(parent), m_services(services), m_refresh([this] { RebuildList(); }) {
  const RecordingListControls controls =
      BuildRecordingListControls(*this, {226 /*participants*/, 134 /*time*/, 70 /*duration*/});
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
  connect(m_call, &CButtonSSL::clicked, this, [this] {
    const auto selected = SelectedConversations(false);
    if (!selected.empty()) CallOf(*selected.front());
  });
  connect(m_chat, &CButtonSSL::clicked, this, [this] {
    const auto selected = SelectedConversations(false);
    if (!selected.empty()) ChatWith(*selected.front());
  });
  connect(m_delete, &CButtonSSL::clicked, this, [this] { DeleteSelected(); });
  connect(m_folder, &CButtonSSL::clicked, this, [this] {
    if (m_services.SignedIn()) {
      m_services.OpenUrl(QUrl::fromLocalFile(Q(g_ConversationCollection.GetConversationsFolder())).toString().toStdU16String());
    }
  });
  m_list->installEventFilter(this);
  connect(m_list->header(), &QHeaderView::sectionClicked, this, [this](int column) { OnColumnClick(column); });
  connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
  connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { PlaybackSelected(false); });
  connect(m_list, &QTreeWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { ShowContextMenu(m_list->viewport()->mapToGlobal(at)); });
  Localize();
}

CDlgConversation::~CDlgConversation() = default;

std::u16string CDlgConversation::GetTabTitle() const {
  std::u16string title = GetLangString(61);
  const size_t total = g_ConversationCollection.GetCount();
  if (g_ShowNumRecordingsInTab.Get() != 0 && total > 0) title += u" (" + qav::U16(std::to_string(total)) + u")";
  return title;
}

void CDlgConversation::Localize() {
  const bool screenReader = g_ScreenReaderFriendlyMode.Get() != 0;
  const std::pair<CButtonSSL*, int> tips[] = {{m_play, 100}, {m_chat, 104}, {m_delete, 105}, {m_folder, 167}, {m_analysis, 107}};
  for (const auto& [button, id] : tips) {
    button->SetTooltipText(Q(GetLangString(id)));
    button->setText(screenReader ? Q(GetLangString(id)) : QString());
  }
  SetRecordingListHeaders(*m_list, {Q(GetLangString(162)), Q(GetLangString(160)), Q(GetLangString(161))});
  m_noUser->setText(Q(GetLangString(2200)));
  UpdateButtons();
}

void CDlgConversation::OnSetActive() { m_refresh.Activate(); }

void CDlgConversation::OnKillActive() { m_refresh.Deactivate(); }

void CDlgConversation::OnUpdateDlg() { m_refresh.Request(); }

void CDlgConversation::OnRefreshTimer() { m_refresh.OnTimer(); }

ConversationId CDlgConversation::RowId(const QTreeWidgetItem* item) { return ConversationId{RecordingRowId(item)}; }

// Durations repeat across a large archive.
struct CDlgConversation::RowTexts {
  CSharedRowTexts<int32_t> durations;
};

void CDlgConversation::FillRow(QTreeWidgetItem& row, const CConversation& conversation, RowTexts& texts) {
  row.setText(kParticipantsColumn, Q(NamesOf(conversation).names));
  row.setText(kTimeColumn, Q(conversation.GetStartTimeText()));
  row.setText(kDurationColumn,
              texts.durations.Get(conversation.GetDuration(), [&conversation] { return conversation.GetDurationText(); }));
  if (g_pImageLists) {
    // Recording, paused, ended.
    const int state = std::clamp(conversation.GetState(), 1, 3) - 1;
    SetRowIcon(row, kParticipantsColumn, g_pImageLists->m_conversationList.GetIcon(state));
  }
}

void CDlgConversation::RebuildList() {
  if (!m_refresh.IsActive()) return;
  ++m_rebuilds;
  if (m_services.SignedIn()) {
    m_noUser->hide();
    const std::vector<CConversation*> conversations = g_ConversationCollection.GetConversations();
    std::vector<uint64_t> ids;
    ids.reserve(conversations.size());
    for (const CConversation* conversation : conversations) ids.push_back(static_cast<uint64_t>(conversation->GetId()));
    m_list->setUpdatesEnabled(false);
    {
      const QSignalBlocker blocker(m_list);
      RowTexts texts;
      SyncRecordingRows(*m_list, ids, [&conversations, &texts](QTreeWidgetItem& row, size_t index) {
        FillRow(row, *conversations[index], texts);
      });
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

RecordingSortKey SortKeyOf(const CConversation* conversation, int column) {
  RecordingSortKey key;
  if (!conversation) return key;
  key.gone = false;
  switch (column) {
    case CDlgConversation::kParticipantsColumn:
      key.text = NamesOf(*conversation).names;
      break;
    case CDlgConversation::kTimeColumn:
      key.number = conversation->GetStartTime();
      break;
    case CDlgConversation::kDurationColumn:
      key.number = conversation->GetDuration();
      break;
    default:
      break;
  }
  return key;
}

}  // namespace

bool CDlgConversation::SortsBefore(const CConversation* first, const CConversation* second, const SortState& sort) {
  return SortKeyBefore(SortKeyOf(first, sort.column), SortKeyOf(second, sort.column), sort.ascending);
}

void CDlgConversation::SortList() {
  const SortState sort = Sort();
  const QSignalBlocker blocker(m_list);
  SortRecordingRowsOf(*m_list, g_ConversationCollection.GetConversations(), sort.ascending,
                      [&sort](const CConversation* recording) { return SortKeyOf(recording, sort.column); });
}

void CDlgConversation::OnColumnClick(int column) {
  SortState& sort = Sort();
  sort.ascending = !sort.ascending;
  sort.column = column;
  QAV_LOG(LOG_FINE, u"CDlgConversation::OnColumnclickTablelist( %d )", column);
  SortList();
}

std::vector<int> CDlgConversation::SelectedRows() const { return SelectedRowIndexes(*m_list); }

std::vector<CConversation*> CDlgConversation::SelectedConversations(bool endedOnly) const {
  std::vector<CConversation*> conversations;
  for (int row : SelectedRows()) {
    CConversation* conversation = g_ConversationCollection.Find(RowId(m_list->topLevelItem(row)));
    if (conversation && (!endedOnly || Ended(*conversation))) conversations.push_back(conversation);
  }
  return conversations;
}

int CDlgConversation::PartnerCount(const std::vector<CConversation*>& conversations) const {
  int partners = 0;
  for (const CConversation* conversation : conversations) {
    int total = 0, skype = 0, telephone = 0;
    conversation->GetPartnerCounts(&total, &skype, &telephone);
    partners += total;
  }
  return partners;
}

void CDlgConversation::UpdateButtons() {
  const std::vector<int> rows = SelectedRows();
  const bool several = PartnerCount(SelectedConversations(true)) > 1;
  if (g_pImageLists) m_call->SetImageList(g_pImageLists->m_toolbarList, several ? kImageConference : kImageCall);
  const std::u16string callText = GetLangString(PartnerCount(SelectedConversations(false)) < 2 ? 165 : 166);
  m_call->SetTooltipText(Q(callText));
  m_call->setText(g_ScreenReaderFriendlyMode.Get() != 0 ? Q(callText) : QString());
  if (!m_services.SignedIn()) {
    for (CButtonSSL* button : {m_play, m_call, m_chat, m_delete, m_folder, m_analysis}) button->setEnabled(false);
    return;
  }
  m_folder->setEnabled(true);
  const bool any = !rows.empty();
  const std::vector<CConversation*> selected = SelectedConversations(false);
  const bool oneUnfinished = rows.size() == 1 && selected.size() == 1 && !Ended(*selected.front());
  for (CButtonSSL* button : {m_play, m_delete, m_analysis}) button->setEnabled(any && !oneUnfinished);
  m_call->setEnabled(any);
  bool chat = false;
  for (const CConversation* conversation : selected) {
    int total = 0, skype = 0, telephone = 0;
    conversation->GetPartnerCounts(&total, &skype, &telephone);
    if (skype > 0) chat = true;
  }
  m_chat->setEnabled(any && chat);
}

void CDlgConversation::PlaybackSelected(bool analysis) {
  PlayerWalk walk;
  walk.rowId = [](const QTreeWidgetItem* row) { return static_cast<uint64_t>(RowId(row)); };
  walk.play = [this, analysis](uint64_t id) -> std::optional<int> {
    CConversation* conversation = g_ConversationCollection.Find(ConversationId{id});
    if (!conversation || !Ended(*conversation)) return std::nullopt;
    return m_player ? m_player(*conversation, analysis) : kListPlayerClosed;
  };
  walk.remove = [this](uint64_t id) { Delete({ConversationId{id}}); };
  // One still recording (or gone) is passed over downwards.
  walk.passOverDownwards = true;
  WalkSelectedRows(*m_list, walk);
}

void CDlgConversation::Delete(const std::vector<ConversationId>& ids) {
  QAV_LOG(LOG_FINE, u"CDlgConversation::Delete( Count=%d )", static_cast<int>(ids.size()));
  if (!m_services.SignedIn() || ids.empty()) return;
  const std::u16string folder = g_ConversationCollection.GetConversationsFolder();
  if (g_ConversationDeleteConfirmation.Get() != 0) {
    std::u16string question;
    if (ids.size() == 1) {
      const CConversation* conversation = g_ConversationCollection.Find(ids.front());
      if (!conversation) return RebuildList();
      question = FillInLangFormat(GetLangString(180), {conversation->GetStartTimeText()});
    } else {
      question = GetLangString(181);
      for (ConversationId id : ids) {
        if (const CConversation* conversation = g_ConversationCollection.Find(id)) {
          question += FillInLangFormat(GetLangString(182), {conversation->GetStartTimeText()});
        }
      }
    }
    if (qav::ShowMessageBox(question, kAppName, qav::MB_OKCANCEL | qav::MB_ICONEXCLAMATION) != qav::IDOK) {
      QAV_LOG(LOG_FINE, u"Delete denied!");
      return;
    }
  }
  QAV_LOG(LOG_FINE, u"Delete approved!");
  for (ConversationId id : ids) {
    CConversation* conversation = g_ConversationCollection.Find(id);
    if (!conversation) continue;
    const bool audioDeleted = conversation->DeleteAudioFile() != 0;
    if (!audioDeleted) {
      QAV_LOG(LOG_WARNING, u"Error deleting file: %s%s", folder, conversation->GetAudioFileName());
      qav::ShowMessageBox(GetLangString(1005) + folder + conversation->GetAudioFileName(), kAppName, qav::MB_OK);
    }
    if (conversation->DeleteDataFile() == 0) {
      QAV_LOG(LOG_WARNING, u"Error deleting file: %s%s.dat", folder, conversation->GetFileBaseName());
    }
    // A conversation whose recording is still on disk stays listed, so the user can try again.
    if (audioDeleted) g_ConversationCollection.del(conversation);
  }
  RebuildList();
}

void CDlgConversation::DeleteSelected() {
  std::vector<ConversationId> ids;
  for (CConversation* conversation : SelectedConversations(true)) ids.push_back(conversation->GetId());
  if (!ids.empty()) Delete(ids);
}

void CDlgConversation::CallOf(const CConversation& conversation) const {
  const Partners partners = NamesOf(conversation);
  QAV_LOG(LOG_FINE, u"Conversation: Going to call '%s'", partners.names);
  if (!partners.handles.empty()) QueueSkypeCmd([&](DeviceToSkypeCmd& cmd) { cmd.Call(partners.handles); });
}

void CDlgConversation::ChatWith(const CConversation& conversation) const {
  const Partners partners = NamesOf(conversation);
  QAV_LOG(LOG_FINE, u"Conversation: Open IM Dialog to '%s'", partners.names);
  if (!partners.handles.empty()) {
    QueueSkypeCmd([&](DeviceToSkypeCmd& cmd) { cmd.OpenIM(partners.handles, GetLangString(185)); });
  }
}

void CDlgConversation::ProfileOf(const CConversation& conversation) const {
  if (conversation.GetCalls().empty()) return;
  const CCall* call = conversation.GetCalls().front();
  if (CUser* partner = call ? call->GetPartner() : nullptr) {
    QAV_LOG(LOG_FINE, u"Conversation: Open User Info Dialog to %s", partner->GetDisplayNameWithHandle());
    partner->OpenUserInfoDialog();
  }
}

std::vector<CDlgConversation::MenuEntry> CDlgConversation::ContextMenu(ConversationId clicked) const {
  const CConversation* conversation = g_ConversationCollection.Find(clicked);
  if (!conversation) return {};
  int total = 0, skype = 0, telephone = 0;
  conversation->GetPartnerCounts(&total, &skype, &telephone);
  const bool noChat = skype == 0;
  const bool sibling = m_services.SiblingRunning();
  std::vector<MenuEntry> entries;
  switch (conversation->GetState()) {
    case CConversation::kEnded: {
      const bool several = PartnerCount(SelectedConversations(false)) >= 2;
      entries = {{kCmdPlay, GetLangString(173), 0, false},
                 {kCmdCall, GetLangString(several ? 176 : 174), several ? 5 : 4, false},
                 {kCmdChat, GetLangString(123), 6, noChat},
                 {kCmdProfile, GetLangString(129), 8, false},
                 {kCmdCopy, GetLangString(128), 13, false}};
      if (sibling) entries.push_back({kCmdSendToSibling, GetLangString(131), -1, false});
      entries.push_back({kCmdDelete, GetLangString(177), 11, false});
      break;
    }
    case CConversation::kStopped:
      entries = {{kCmdResume, GetLangString(171), 2, false},
                 {kCmdHangUp, GetLangString(170), 7, false},
                 {kCmdChat, GetLangString(123), 6, noChat},
                 {kCmdProfile, GetLangString(129), 8, false},
                 {kCmdCopy, GetLangString(128), 13, true}};
      if (sibling) entries.push_back({kCmdSendToSibling, GetLangString(131), -1, false});
      entries.push_back({kCmdDelete, GetLangString(177), 11, true});
      break;
    default:
      entries = {{kCmdPause, GetLangString(172), 1, false},      {kCmdHangUp, GetLangString(170), 7, false},
                 {kCmdChat, GetLangString(123), 6, noChat},      {kCmdProfile, GetLangString(129), 8, false},
                 {kCmdCopy, GetLangString(128), 13, true},       {kCmdDelete, GetLangString(177), 11, true}};
      break;
  }
  return entries;
}

void CDlgConversation::ShowContextMenu(const QPoint& at) {
  QTreeWidgetItem* item = m_list->itemAt(m_list->viewport()->mapFromGlobal(at));
  if (!item) return;
  const ConversationId clicked = RowId(item);
  const std::vector<MenuEntry> entries = ContextMenu(clicked);
  if (entries.empty()) return RebuildList();
  CTitleMenu menu(this);
  if (g_pImageLists) menu.SetImageList(g_pImageLists->m_menuList);
  for (const MenuEntry& entry : entries) {
    menu.AppendMenu(entry.grayed ? (MF_STRING | MF_GRAYED) : MF_STRING, entry.id, Q(entry.text), entry.image);
  }
  menu.SetDefaultItem(entries.front().id);
  const uint32_t command = menu.TrackPopupMenu(at);
  if (command != 0) RunCommand(command, clicked);
}

void CDlgConversation::RunCommand(uint32_t command, ConversationId clicked) {
  if (command == kCmdPlay) return PlaybackSelected(false);
  if (command == kCmdDelete) return DeleteSelected();
  if (command == kCmdCopy) {
    if (QMimeData* data = SelectionMimeData()) QApplication::clipboard()->setMimeData(data);
    return;
  }
  if (command == kCmdSendToSibling) {
    // One notice for the whole selection.
    const std::vector<CConversation*> selected = SelectedConversations(true);
    if (!selected.empty()) m_services.SendToSibling({}, {selected.begin(), selected.end()});
    return;
  }
  CConversation* conversation = g_ConversationCollection.Find(clicked);
  if (!conversation) return RebuildList();
  switch (command) {
    case kCmdCall:
      return CallOf(*conversation);
    case kCmdChat:
      return ChatWith(*conversation);
    case kCmdProfile:
      return ProfileOf(*conversation);
    case kCmdHangUp:
      for (const CCall* call : conversation->GetCalls()) {
        if (call) QueueSkypeCmd([&](DeviceToSkypeCmd& cmd) { cmd.AlterCall(call->GetCallId(), SkypeCallProp::HANGUP); });
      }
      return;
    case kCmdPause:
    case kCmdResume:
      for (CCall* call : conversation->GetCalls()) {
        if (call) call->UserRecordConversation(command == kCmdResume);
      }
      return RebuildList();
    default:
      return;
  }
}

QMimeData* CDlgConversation::SelectionMimeData() const {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) return nullptr;
  const std::u16string folder = g_ConversationCollection.GetConversationsFolder();
  std::vector<std::u16string> paths;
  for (const CConversation* conversation : SelectedConversations(true)) paths.push_back(folder + conversation->GetAudioFileName());
  std::u16string text;
  if (rows.size() == 1) {
    if (const CConversation* conversation = g_ConversationCollection.Find(RowId(m_list->topLevelItem(rows.front())))) {
      std::u16string from;
      for (const CCall* call : conversation->GetCalls()) {
        if (const CUser* partner = call ? call->GetPartner() : nullptr) {
          if (!from.empty()) from += u", ";
          from += partner->GetDisplayNameWithHandle();
        }
      }
      text = RecordingDescription(from, conversation->GetStartTime(), conversation->GetDuration());
    }
  }
  return CopiedFilesMimeData(paths, text);
}

bool CDlgConversation::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_list && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
    DeleteSelected();
    return true;
  }
  return CPropPage::eventFilter(watched, event);
}
