#include "ui/dlg_conversation.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <ctime>
#include <unordered_map>

#include "app/app_names.h"
#include "app/extr_app_notify.h"
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
#include "ui/app_image_lists.h"
#include "ui/button_ssl.h"
#include "ui/list_page_text.h"
#include "ui/sheet_services.h"
#include "ui/title_menu.h"

namespace {

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

constexpr int kIdRole = Qt::UserRole + 1;
constexpr int kImagePlay = 0, kImageDelete = 6, kImageFolder = 8, kImageCall = 9, kImageConference = 10,
              kImageChat = 11, kImageAnalysis = 13;

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
    if (SignedIn()) {
      m_services.OpenUrl(QUrl::fromLocalFile(Q(g_ConversationCollection.GetConversationsFolder())).toString().toStdU16String());
    }
  });
  m_folder->setVisible(g_ShowOpenFolderButton.Get() != 0);

  m_list = new QTreeWidget(this);
  m_list->setRootIsDecorated(false);
  m_list->setUniformRowHeights(true);
  m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_list->setContextMenuPolicy(Qt::CustomContextMenu);
  m_list->setColumnCount(3);
  m_list->header()->setSectionsClickable(true);
  m_list->header()->setStretchLastSection(false);
  m_list->setColumnWidth(kParticipantsColumn, 226);
  m_list->setColumnWidth(kTimeColumn, 134);
  m_list->setColumnWidth(kDurationColumn, 70);
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
  Localize();
}

CDlgConversation::~CDlgConversation() = default;

CButtonSSL* CDlgConversation::MakeButton(int image) {
  auto* button = new CButtonSSL(this);
  button->setFixedSize(36, 34);
  if (g_pImageLists) button->SetImageList(g_pImageLists->m_toolbarList, image);
  return button;
}

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
  m_list->setHeaderLabels({Q(GetLangString(162)), Q(GetLangString(160)), Q(GetLangString(161))});
  m_list->headerItem()->setTextAlignment(kTimeColumn, Qt::AlignCenter);
  m_list->headerItem()->setTextAlignment(kDurationColumn, Qt::AlignCenter);
  m_noUser->setText(Q(GetLangString(2200)));
  UpdateButtons();
}

bool CDlgConversation::SignedIn() const { return !m_services.CurrentUserHandle().empty(); }

void CDlgConversation::OnSetActive() {
  m_active = true;
  OnUpdateDlg();
}

void CDlgConversation::OnKillActive() { m_active = false; }

void CDlgConversation::OnUpdateDlg() {
  if (!m_active) {
    m_lastRefresh = 0;
    m_refreshTimer.stop();
    return;
  }
  const int64_t now = m_clock();
  if (m_lastRefresh >= now) {
    if (!m_refreshTimer.isActive()) m_refreshTimer.start();
    return;
  }
  m_lastRefresh = now;
  RebuildList();
  m_refreshTimer.stop();
}

void CDlgConversation::OnRefreshTimer() {
  m_refreshTimer.stop();
  OnUpdateDlg();
}

ConversationId CDlgConversation::RowId(const QTreeWidgetItem* item) {
  return ConversationId{item->data(kParticipantsColumn, kIdRole).toULongLong()};
}

void CDlgConversation::UpdateDlgItem(CConversation& conversation, QTreeWidgetItem* item) {
  if (!item) {
    item = new QTreeWidgetItem(m_list);
    item->setData(kParticipantsColumn, kIdRole, QVariant::fromValue<qulonglong>(static_cast<uint64_t>(conversation.GetId())));
    item->setTextAlignment(kTimeColumn, Qt::AlignCenter);
    item->setTextAlignment(kDurationColumn, Qt::AlignCenter);
  }
  item->setText(kParticipantsColumn, Q(NamesOf(conversation).names));
  item->setText(kTimeColumn, Q(conversation.GetStartTimeText()));
  item->setText(kDurationColumn, Q(conversation.GetDurationText()));
  if (g_pImageLists) {
    // Recording, paused, ended.
    const int state = std::clamp(conversation.GetState(), 1, 3) - 1;
    item->setIcon(kParticipantsColumn, g_pImageLists->m_conversationList.GetIcon(state));
  }
}

void CDlgConversation::RebuildList() {
  if (!m_active) return;
  ++m_rebuilds;
  if (SignedIn()) {
    m_noUser->hide();
    std::unordered_map<uint64_t, CConversation*> byId;
    for (CConversation* conversation : g_ConversationCollection.GetConversations()) {
      byId.emplace(static_cast<uint64_t>(conversation->GetId()), conversation);
    }
    for (int i = 0; i < m_list->topLevelItemCount();) {
      if (byId.count(static_cast<uint64_t>(RowId(m_list->topLevelItem(i)))) == 0) {
        delete m_list->takeTopLevelItem(i);
      } else {
        ++i;
      }
    }
    m_list->setUpdatesEnabled(false);
    {
      const QSignalBlocker blocker(m_list);
      std::unordered_map<uint64_t, QTreeWidgetItem*> rows;
      for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        rows.emplace(static_cast<uint64_t>(RowId(m_list->topLevelItem(i))), m_list->topLevelItem(i));
      }
      for (CConversation* conversation : g_ConversationCollection.GetConversations()) {
        const auto found = rows.find(static_cast<uint64_t>(conversation->GetId()));
        UpdateDlgItem(*conversation, found == rows.end() ? nullptr : found->second);
      }
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

bool CDlgConversation::SortsBefore(const CConversation* first, const CConversation* second, const SortState& sort) {
  if (!first || !second) return first && !second;  // gone: after every other, in either direction
  auto ordered = [&sort](const auto& a, const auto& b) { return sort.ascending ? a < b : b < a; };
  switch (sort.column) {
    case kParticipantsColumn:
      return ordered(NamesOf(*first).names, NamesOf(*second).names);
    case kTimeColumn:
      return ordered(first->GetStartTime(), second->GetStartTime());
    case kDurationColumn:
      return ordered(first->GetDuration(), second->GetDuration());
    default:
      return false;
  }
}

void CDlgConversation::SortList() {
  std::vector<std::pair<QTreeWidgetItem*, const CConversation*>> rows;
  std::vector<bool> selected;
  while (m_list->topLevelItemCount() > 0) {
    QTreeWidgetItem* item = m_list->topLevelItem(0);
    item->setData(kTimeColumn, kIdRole, item->isSelected());
    rows.emplace_back(m_list->takeTopLevelItem(0), nullptr);
  }
  std::unordered_map<uint64_t, const CConversation*> byId;
  for (const CConversation* conversation : g_ConversationCollection.GetConversations()) {
    byId.emplace(static_cast<uint64_t>(conversation->GetId()), conversation);
  }
  for (auto& row : rows) {
    const auto found = byId.find(static_cast<uint64_t>(RowId(row.first)));
    row.second = found == byId.end() ? nullptr : found->second;
  }
  const SortState sort = Sort();
  std::stable_sort(rows.begin(), rows.end(),
                   [&sort](const auto& a, const auto& b) { return SortsBefore(a.second, b.second, sort); });
  QList<QTreeWidgetItem*> items;
  for (const auto& row : rows) items.append(row.first);
  const QSignalBlocker blocker(m_list);
  m_list->addTopLevelItems(items);
  for (QTreeWidgetItem* item : items) item->setSelected(item->data(kTimeColumn, kIdRole).toBool());
}

void CDlgConversation::OnColumnClick(int column) {
  SortState& sort = Sort();
  sort.ascending = !sort.ascending;
  sort.column = column;
  QAV_LOG(LOG_FINE, u"CDlgConversation::OnColumnclickTablelist( %d )", column);
  SortList();
}

std::vector<int> CDlgConversation::SelectedRows() const {
  std::vector<int> rows;
  for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
    if (m_list->topLevelItem(i)->isSelected()) rows.push_back(i);
  }
  return rows;
}

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
  if (!SignedIn()) {
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
  const std::vector<int> selected = SelectedRows();
  if (selected.empty()) return;
  std::vector<ConversationId> selectedIds;
  for (int row : selected) selectedIds.push_back(RowId(m_list->topLevelItem(row)));
  auto isSelected = [&selectedIds](ConversationId id) {
    return std::find(selectedIds.begin(), selectedIds.end(), id) != selectedIds.end();
  };
  bool restricted = selected.size() > 1;
  int n = selected.front();
  int step = 1;
  while (n >= 0 && n < m_list->topLevelItemCount()) {
    const ConversationId id = RowId(m_list->topLevelItem(n));
    CConversation* conversation = g_ConversationCollection.Find(id);
    if (!conversation || !Ended(*conversation)) {
      step = 1;  // one still recording (or gone) is passed over downwards
    } else {
      const int result = m_player ? m_player(*conversation, analysis) : 2;
      if (result == kListPlayerPrevious) {
        step = -1;
      } else if (result == kListPlayerNext) {
        step = 1;
      } else if (result == kListPlayerDelete) {
        Delete({id});
        return;
      } else if (result == kListPlayerDeleteAndNext) {
        Delete({id});
        n -= 1;
        step = 1;
      } else if (result == kListPlayerError || result == kListPlayerNothingToPlay) {
        restricted = true;
        step = 1;
      } else {
        return;
      }
    }
    n += step;
    while (restricted && n >= 0 && n < m_list->topLevelItemCount() && !isSelected(RowId(m_list->topLevelItem(n)))) {
      n += step;
    }
  }
}

void CDlgConversation::Delete(const std::vector<ConversationId>& ids) {
  QAV_LOG(LOG_FINE, u"CDlgConversation::Delete( Count=%d )", static_cast<int>(ids.size()));
  if (!SignedIn() || ids.empty()) return;
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
  const bool sibling = FindSiblingAppWindow() != 0;
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
    for (const CConversation* conversation : SelectedConversations(true)) m_services.SendToSibling(*conversation);
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
