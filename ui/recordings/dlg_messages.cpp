#include "ui/recordings/dlg_messages.h"

#include <QItemSelectionModel>
#include <QTreeView>

#include "calls/message_collection.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/text.h"
#include "skype/link/main_window_port.h"
#include "skype/link/user.h"
#include "ui/art/app_image_lists.h"
#include "ui/recordings/list_page_text.h"
#include "ui/recordings/player_walk.h"
#include "ui/recordings/recording_columns.h"
#include "ui/recordings/recording_table_model.h"
#include "ui/sheet/sheet_services.h"

namespace {

std::u16string Number(int64_t value) { return qav::U16(std::to_string(value)); }

// Callers and durations repeat across thousands of messages: a rebuild makes each text once.
struct RowTexts {
  CSharedRowTexts<const CUser*> callers;
  CSharedRowTexts<int32_t> durations;
};

QIcon StatusPicture(int index) { return g_pImageLists ? g_pImageLists->m_statusList.GetIcon(index) : QIcon(); }

// The page's columns, in the order of CDlgMessages::Column.
constexpr RecordingColumns<CMessage, RowTexts, CDlgMessages::kColumnCount> kColumns = {{
    {{IDS_MESSAGES_TAB_COLUMN_CALLER, 210, false},
     [](QString& text, QIcon& picture, const CMessage& message, RowTexts& texts) {
       text = texts.callers.Get(message.GetUser(), [&message] { return message.GetUserDisplayNameWithHandle(); });
       picture = StatusPicture(message.GetUserStatus());
     },
     [](const CMessage& message) { return RecordingTextKey(message.GetUserDisplayNameWithHandle()); }},
    {{IDS_MESSAGES_TAB_COLUMN_TIME_OF_CALL, 134, true, false, true},
     [](QString& text, QIcon&, const CMessage& message, RowTexts&) {
       text = QString::fromStdU16String(message.GetTimeOfCallText());
     },
     [](const CMessage& message) { return RecordingNumberKey(message.GetTimeOfCall()); }},
    {{IDS_MESSAGES_TAB_COLUMN_DURATION, 70, true, false, true, IDS_PLAY_SAVED_MESSAGE_DIALOG_DURATION_RECORDING},
     [](QString& text, QIcon&, const CMessage& message, RowTexts& texts) {
       text = texts.durations.Get(message.GetDuration(), [&message] { return message.GetDurationText(); });
     },
     [](const CMessage& message) { return RecordingNumberKey(message.GetDuration()); }},
    // The new mark: a picture only; new before heard when ascending.
    {{0, 16, true, true},
     [](QString&, QIcon& picture, const CMessage& message, RowTexts&) {
       if (g_pImageLists) picture = StatusPicture(message.GetIconIndex(g_pImageLists->MarkBase()));
     },
     [](const CMessage& message) { return RecordingNumberKey(message.IsSeen() ? 1 : 0); }},
}};
static_assert(EveryColumnDefined(kColumns), "each of CDlgMessages::Column has its row in kColumns");

void FillCells(CRecordingCells& cells, const CMessage& message, RowTexts& texts) { FillRow(kColumns, cells, message, texts); }

RecordingSortKey SortKeyOf(const CMessage* message, int column) { return SortKeyIn(kColumns, message, column); }

RecordingPageDescription MessagesPage() {
  RecordingPageDescription page;
  page.titleId = IDS_SHEET_TAB_MESSAGES;
  page.name = u"CDlgMessages";
  page.columns = LooksOf(kColumns);
  page.folderTipId = IDS_MESSAGES_TAB_TOOLTIP_OPEN_MESSAGES_FOLDER;
  page.callTipId = IDS_MESSAGES_TAB_TOOLTIP_CALL_CONTACT;
  page.conferenceTipId = IDS_MESSAGES_TAB_TOOLTIP_INVITE_TO_CONFERENCE;
  // A gone message is passed over in the walk's direction.
  page.passOverDownwards = false;
  page.sort = &CDlgMessages::Sort();
  return page;
}

}  // namespace

CDlgMessages::SortState& CDlgMessages::Sort() {
  static SortState state;
  return state;
}

CDlgMessages::CDlgMessages(CSheetServices& services, QWidget* parent) : CRecordingListPage(services, MessagesPage(), parent) {
  Localize();
}

std::u16string CDlgMessages::GetTabTitle() const {
  // The page's own title (the one a screen reader reads), then the counts.
  std::u16string title = GetAccessibleTitle();
  const int total = static_cast<int>(g_MessageCollection.GetCount());
  if (g_ShowNumRecordingsInTab.Get() != 0 && total > 0) {
    const int fresh = g_MessageCollection.GetNumNewSavedVoiceMessages();
    title += fresh > 0 ? u" (" + Number(fresh) + u"/" + Number(total) + u")" : u" (" + Number(total) + u")";
  }
  return title;
}

VoiceMessageId CDlgMessages::RowId(const QModelIndex& row) { return VoiceMessageId{RecordingIdOf(row)}; }

void CDlgMessages::FillModel(CRecordingTableModel& model) {
  const std::vector<CMessage*> messages = g_MessageCollection.GetMessages();
  RowTexts texts;
  model.Sync(RecordingIdsOf(messages),
             [&messages, &texts](CRecordingCells& cells, size_t index) { FillCells(cells, *messages[index], texts); });
}

std::vector<RecordingSortKey> CDlgMessages::SortKeys(const std::vector<uint64_t>& ids, int column) const {
  return RecordingSortKeysOf(g_MessageCollection.GetMessages(), ids,
                             [column](const CMessage* message) { return SortKeyOf(message, column); });
}

bool CDlgMessages::SortsBefore(const CMessage* first, const CMessage* second, const SortState& sort) {
  return SortKeyBefore(SortKeyOf(first, sort.column), SortKeyOf(second, sort.column), sort.ascending);
}

std::vector<CMessage*> CDlgMessages::Messages(const std::vector<uint64_t>& ids, bool knownDurationOnly) const {
  return FindRecordings<VoiceMessageId>(g_MessageCollection, ids, [knownDurationOnly](const CMessage& message) {
    return !knownDurationOnly || message.GetDuration() >= 0;
  });
}

RecordingButtonStates CDlgMessages::ButtonStates(const std::vector<uint64_t>& selected) const {
  RecordingButtonStates states;
  states.conferenceImage = states.conferenceText = selected.size() > 1;
  const bool any = !selected.empty();
  states.play = states.call = states.analysis = any;
  states.remove = !Deletable(selected).empty();
  for (const CMessage* message : Messages(selected, false)) {
    const CUser* caller = message->GetUser();
    if (caller && !caller->IsPstnNumber()) states.chat = any;
  }
  return states;
}

void CDlgMessages::NotifyMainWindow() { Services().PagesChanged(CSheetPages{kPageVoiceMessages}); }

void CDlgMessages::OnWalkStarts() { g_bTrayNewMessageFlag = false; }

std::optional<int> CDlgMessages::Play(uint64_t id, bool analysis) {
  CMessage* message = g_MessageCollection.Find(VoiceMessageId{id});
  if (!message) return std::nullopt;
  message->SetSeen(true);
  // Its row shows it heard while it plays.
  RowTexts texts;
  Model().Update(id, [&](CRecordingCells& cells) { FillCells(cells, *message, texts); });
  NotifyMainWindow();
  return m_player ? m_player(*message, analysis) : kListPlayerClosed;
}

void CDlgMessages::DeleteRecordings(const std::vector<uint64_t>& ids) { Delete(RecordingIdsAs<VoiceMessageId>(ids)); }

std::vector<uint64_t> CDlgMessages::Deletable(const std::vector<uint64_t>& selected) const {
  // A message still being recorded (its length not known yet) is not offered: its call is routed
  // to the recording, which must end with the call.
  return RecordingIdsOf(Messages(selected, true));
}

void CDlgMessages::Delete(const std::vector<VoiceMessageId>& selected) {
  QAV_LOG(LOG_FINE, u"CDlgMessages::Delete( Count=%d )", static_cast<int>(selected.size()));
  // A message being recorded stays (see Deletable), also when the player asks.
  std::vector<VoiceMessageId> ids = selected;
  std::erase_if(ids, [](VoiceMessageId id) {
    const CMessage* message = g_MessageCollection.Find(id);
    return message != nullptr && message->IsRecording();
  });
  if (!Services().SignedIn() || ids.empty()) return;
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
      question = FillInLangFormat(GetLangString(IDS_MESSAGES_TAB_DELETE_MESSAGE_QUESTION),
                                  {caller ? caller->GetDisplayName() : u"", message->GetTimeOfCallText()});
    } else {
      question = GetLangString(IDS_MESSAGES_TAB_DELETE_MESSAGES_QUESTION);
      for (VoiceMessageId id : ids) {
        const CMessage* message = g_MessageCollection.Find(id);
        if (!message) continue;
        const CUser* caller = message->GetUser();
        question += FillInLangFormat(GetLangString(IDS_MESSAGES_TAB_DELETE_MESSAGES_LINE),
                                     {caller ? caller->GetDisplayName() : u"", message->GetTimeOfCallText()});
      }
    }
    if (!AskToDelete(question)) return;
  }
  QAV_LOG(LOG_FINE, u"Delete approved!");
  for (VoiceMessageId id : ids) {
    CMessage* message = g_MessageCollection.Find(id);
    if (!message) continue;
    if (message->DeleteFile() == 0) ReportUndeleted(folder, message->GetFileName());
    // The message leaves the list even when its file could not be deleted.
    g_MessageCollection.del(message);
  }
  NotifyMainWindow();
  RebuildList();
}

bool CDlgMessages::CallOf(uint64_t id) {
  const CMessage* message = g_MessageCollection.Find(VoiceMessageId{id});
  if (!message) return false;
  if (CUser* caller = message->GetUser()) {
    QAV_LOG(LOG_FINE, u"Going to call '%s'", caller->GetDisplayNameWithHandle());
    caller->StartCall();
  }
  return true;
}

bool CDlgMessages::ChatWith(uint64_t id) {
  const CMessage* message = g_MessageCollection.Find(VoiceMessageId{id});
  if (!message) return false;
  if (CUser* caller = message->GetUser()) {
    QAV_LOG(LOG_FINE, u"Message: Open IM Dialog to %s", caller->GetDisplayNameWithHandle());
    caller->OpenIMDialog(GetLangString(IDS_MESSAGES_TAB_CHAT_REPLY_TEXT));
  }
  return true;
}

bool CDlgMessages::OnlyTelephoneNumbers(uint64_t id) const {
  const CMessage* message = g_MessageCollection.Find(VoiceMessageId{id});
  const CUser* caller = message ? message->GetUser() : nullptr;
  return caller && caller->IsPstnNumber();
}

std::u16string CDlgMessages::Folder() const { return g_MessageCollection.GetMessagesFolder(); }

void CDlgMessages::PlayNewMessages() {
  QTreeView* list = List();
  QAbstractItemModel* rows = list->model();
  QItemSelection chosen;
  for (int row = 0; row < rows->rowCount(); ++row) {
    const CMessage* message = g_MessageCollection.Find(RowId(rows->index(row, 0)));
    if (message && !message->IsSeen() && message->GetDuration() >= 0) chosen.select(rows->index(row, 0), rows->index(row, 0));
  }
  list->selectionModel()->select(chosen, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  UpdateButtons();
  if (!chosen.isEmpty()) {
    PlaybackSelected(false);
  } else {
    QAV_LOG(LOG_FINE, u"No New Messages to Play");
  }
}

std::vector<RecordingMenuEntry> CDlgMessages::MenuFor(uint64_t id) const {
  const CMessage* message = g_MessageCollection.Find(VoiceMessageId{id});
  if (!message) return {};
  const bool several = SelectedIds().size() >= 2;
  const CUser* caller = message->GetUser();
  std::vector<MenuEntry> entries = {
      {kCmdPlay, GetLangString(IDS_MESSAGES_TAB_MENU_PLAY), 0, false},
      {kCmdCall,
       GetLangString(several ? IDS_MESSAGES_TAB_MENU_INVITE_TO_CONFERENCE : IDS_MESSAGES_TAB_MENU_CALL_CONTACT),
       several ? 5 : 4, false},
      {kCmdChat, GetLangString(IDS_MESSAGES_TAB_MENU_START_CHAT), 6, caller && caller->IsPstnNumber()},
      {kCmdProfile, GetLangString(IDS_MESSAGES_TAB_MENU_VIEW_PROFILE), 8, false},
      {kCmdToggleHeard, GetLangString(message->IsSeen() ? 125 : 124), 9, false},
      {kCmdCopy, GetLangString(IDS_MESSAGES_TAB_MENU_COPY_TO_CLIPBOARD), 13, false},
  };
  if (Services().SiblingRunning())
    entries.push_back({kCmdSendToSibling, GetLangString(IDS_MESSAGES_TAB_MENU_SEND_TO_VOXPOSTDESK), -1, false});
  entries.push_back({kCmdDelete, GetLangString(IDS_MESSAGES_TAB_MENU_DELETE), 11, false});
  return entries;
}

void CDlgMessages::RunOwnCommand(uint32_t command, uint64_t clicked) {
  if (command == kCmdToggleHeard) return ToggleHeard(VoiceMessageId{clicked});
  const CMessage* message = g_MessageCollection.Find(VoiceMessageId{clicked});
  if (!message) return RebuildList();
  if (command == kCmdChat) ChatWith(clicked);
  if (command == kCmdCall) CallOf(clicked);
  if (command == kCmdProfile) {
    if (CUser* caller = message->GetUser()) {
      QAV_LOG(LOG_FINE, u"Message: Open User Info Dialog to %s", caller->GetDisplayNameWithHandle());
      caller->OpenUserInfoDialog();
    }
  }
}

void CDlgMessages::ToggleHeard(VoiceMessageId clicked) {
  const CMessage* message = g_MessageCollection.Find(clicked);
  if (!message) return RebuildList();
  const bool seen = !message->IsSeen();
  for (CMessage* selected : Messages(SelectedIds(), false)) selected->SetSeen(seen);
  NotifyMainWindow();
  RebuildList();
}

std::vector<std::u16string> CDlgMessages::CopiedFiles(const std::vector<uint64_t>& selected) const {
  const std::u16string folder = g_MessageCollection.GetMessagesFolder();
  std::vector<std::u16string> paths;
  for (const CMessage* message : Messages(selected, true)) paths.push_back(folder + message->GetFileName());
  return paths;
}

std::u16string CDlgMessages::CopiedText(uint64_t id) const {
  const CMessage* message = g_MessageCollection.Find(VoiceMessageId{id});
  if (!message) return {};
  return RecordingDescription(message->GetUserDisplayNameWithHandle(), message->GetTimeOfCall(), message->GetDuration());
}

void CDlgMessages::SendToSibling(const std::vector<uint64_t>& selected) {
  const std::vector<CMessage*> messages = Messages(selected, true);
  if (!messages.empty()) Services().SendToSibling({messages.begin(), messages.end()}, {});
}
