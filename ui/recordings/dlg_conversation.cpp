#include "ui/recordings/dlg_conversation.h"

#include <algorithm>
#include <set>

#include "calls/call.h"
#include "calls/conversation_collection.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/text.h"
#include "skype/link/device_to_skype_cmd.h"
#include "skype/link/main_window_port.h"
#include "skype/link/skype_transport.h"
#include "skype/link/skype_vocabulary.h"
#include "skype/link/user.h"
#include "ui/art/app_image_lists.h"
#include "ui/recordings/list_page_text.h"
#include "ui/recordings/player_walk.h"
#include "ui/recordings/recording_columns.h"
#include "ui/recordings/recording_table_model.h"
#include "ui/sheet/sheet_services.h"

namespace {

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

// The partners a chat can go to: every one who is not a telephone number, each once.
std::u16string ChatHandlesOf(const CConversation& conversation) {
  std::u16string handles;
  std::set<std::u16string> seen;
  for (const CCall* call : conversation.GetCalls()) {
    const CUser* partner = call ? call->GetPartner() : nullptr;
    if (!partner || partner->IsPstnNumber() || !seen.insert(partner->GetHandle()).second) continue;
    if (!handles.empty()) handles += u", ";
    handles += partner->GetHandle();
  }
  return handles;
}

// Durations repeat across a large archive: a rebuild makes each text once.
using RowTexts = CSharedRowTexts<int32_t>;

// The page's columns, in the order of CDlgConversation::Column.
constexpr RecordingColumns<CConversation, RowTexts, CDlgConversation::kColumnCount> kColumns = {{
    // The partners' names, with the conversation's state (recording, paused, ended).
    {{IDS_CONVERSATIONS_TAB_COLUMN_PARTICIPANTS, 226, false},
     [](QString& text, QIcon& picture, const CConversation& conversation, RowTexts&) {
       text = QString::fromStdU16String(NamesOf(conversation).names);
       if (g_pImageLists) picture = g_pImageLists->m_conversationList.GetIcon(std::clamp(conversation.GetState(), 1, 3) - 1);
     },
     [](const CConversation& conversation) { return RecordingTextKey(NamesOf(conversation).names); }},
    {{IDS_CONVERSATIONS_TAB_COLUMN_TIME_OF_CALL, 134, true, false, true},
     [](QString& text, QIcon&, const CConversation& conversation, RowTexts&) {
       text = QString::fromStdU16String(conversation.GetStartTimeText());
     },
     [](const CConversation& conversation) { return RecordingNumberKey(conversation.GetStartTime()); }},
    {{IDS_CONVERSATIONS_TAB_COLUMN_DURATION, 70, true, false, true, IDS_MESSAGES_TAB_DURATION_RECORDING_NOW},
     [](QString& text, QIcon&, const CConversation& conversation, RowTexts& durations) {
       text = durations.Get(conversation.GetDuration(), [&conversation] { return conversation.GetDurationText(); });
     },
     [](const CConversation& conversation) { return RecordingNumberKey(conversation.GetDuration()); }},
}};
static_assert(EveryColumnDefined(kColumns), "each of CDlgConversation::Column has its row in kColumns");

RecordingSortKey SortKeyOf(const CConversation* conversation, int column) { return SortKeyIn(kColumns, conversation, column); }

void FillCells(CRecordingCells& cells, const CConversation& conversation, RowTexts& durations) {
  FillRow(kColumns, cells, conversation, durations);
}

RecordingPageDescription ConversationsPage() {
  RecordingPageDescription page;
  page.titleId = IDS_SHEET_TAB_CONVERSATIONS;
  page.name = u"CDlgConversation";
  page.columns = LooksOf(kColumns);
  page.folderTipId = IDS_CONVERSATIONS_TAB_TOOLTIP_OPEN_CONVERSATION_FOLDER;
  page.callTipId = IDS_CONVERSATIONS_TAB_TOOLTIP_CALL_CONTACT;
  page.conferenceTipId = IDS_CONVERSATIONS_TAB_TOOLTIP_INVITE_TO_CONFERENCE;
  // One still recording (or gone) is passed over downwards.
  page.passOverDownwards = true;
  page.sort = &CDlgConversation::Sort();
  return page;
}

}  // namespace

CDlgConversation::SortState& CDlgConversation::Sort() {
  static SortState state;
  return state;
}

CDlgConversation::CDlgConversation(CSheetServices& services, QWidget* parent)
    : CRecordingListPage(services, ConversationsPage(), parent) {
  Localize();
}

std::u16string CDlgConversation::GetTabTitle() const {
  // The page's own title (the one a screen reader reads), then the counts.
  std::u16string title = GetAccessibleTitle();
  const size_t total = g_ConversationCollection.GetCount();
  if (g_ShowNumRecordingsInTab.Get() != 0 && total > 0) title += u" (" + qav::U16(std::to_string(total)) + u")";
  return title;
}

ConversationId CDlgConversation::RowId(const QModelIndex& row) { return ConversationId{RecordingIdOf(row)}; }

void CDlgConversation::FillModel(CRecordingTableModel& model) {
  const std::vector<CConversation*> conversations = g_ConversationCollection.GetConversations();
  RowTexts durations;
  model.Sync(RecordingIdsOf(conversations), [&conversations, &durations](CRecordingCells& cells, size_t index) {
    FillCells(cells, *conversations[index], durations);
  });
}

std::vector<RecordingSortKey> CDlgConversation::SortKeys(const std::vector<uint64_t>& ids, int column) const {
  return RecordingSortKeysOf(g_ConversationCollection.GetConversations(), ids,
                             [column](const CConversation* conversation) { return SortKeyOf(conversation, column); });
}

std::vector<CConversation*> CDlgConversation::Conversations(const std::vector<uint64_t>& ids, bool endedOnly) const {
  return FindRecordings<ConversationId>(g_ConversationCollection, ids, [endedOnly](const CConversation& conversation) {
    return !endedOnly || Ended(conversation);
  });
}

int CDlgConversation::PartnerCount(const std::vector<CConversation*>& conversations) {
  int partners = 0;
  for (const CConversation* conversation : conversations) {
    int total = 0, skype = 0, telephone = 0;
    conversation->GetPartnerCounts(&total, &skype, &telephone);
    partners += total;
  }
  return partners;
}

RecordingButtonStates CDlgConversation::ButtonStates(const std::vector<uint64_t>& rows) const {
  const std::vector<CConversation*> selected = Conversations(rows, false);
  RecordingButtonStates states;
  states.conferenceImage = PartnerCount(Conversations(rows, true)) > 1;
  states.conferenceText = PartnerCount(selected) >= 2;
  const bool any = !rows.empty();
  const bool oneUnfinished = rows.size() == 1 && selected.size() == 1 && !Ended(*selected.front());
  states.play = states.remove = states.analysis = any && !oneUnfinished;
  states.call = any;
  for (const CConversation* conversation : selected) {
    int total = 0, skype = 0, telephone = 0;
    conversation->GetPartnerCounts(&total, &skype, &telephone);
    if (skype > 0) states.chat = any;
  }
  return states;
}

std::optional<int> CDlgConversation::Play(uint64_t id, bool analysis) {
  CConversation* conversation = g_ConversationCollection.Find(ConversationId{id});
  if (!conversation || !Ended(*conversation)) return std::nullopt;
  return m_player ? m_player(*conversation, analysis) : kListPlayerClosed;
}

void CDlgConversation::DeleteRecordings(const std::vector<uint64_t>& ids) { Delete(RecordingIdsAs<ConversationId>(ids)); }

std::vector<uint64_t> CDlgConversation::Deletable(const std::vector<uint64_t>& selected) const {
  return RecordingIdsOf(Conversations(selected, true));
}

void CDlgConversation::Delete(const std::vector<ConversationId>& ids) {
  QAV_LOG(LOG_FINE, u"CDlgConversation::Delete( Count=%d )", static_cast<int>(ids.size()));
  if (!Services().SignedIn() || ids.empty()) return;
  const std::u16string folder = g_ConversationCollection.GetConversationsFolder();
  if (g_ConversationDeleteConfirmation.Get() != 0) {
    std::u16string question;
    if (ids.size() == 1) {
      const CConversation* conversation = g_ConversationCollection.Find(ids.front());
      if (!conversation) return RebuildList();
      question = FillInLangFormat(GetLangString(IDS_CONVERSATIONS_TAB_DELETE_CONVERSATION_QUESTION),
                                  {conversation->GetStartTimeText()});
    } else {
      question = GetLangString(IDS_CONVERSATIONS_TAB_DELETE_CONVERSATIONS_QUESTION);
      for (ConversationId id : ids) {
        if (const CConversation* conversation = g_ConversationCollection.Find(id)) {
          question += FillInLangFormat(GetLangString(IDS_CONVERSATIONS_TAB_DELETE_CONVERSATIONS_LINE),
                                       {conversation->GetStartTimeText()});
        }
      }
    }
    if (!AskToDelete(question)) return;
  }
  QAV_LOG(LOG_FINE, u"Delete approved!");
  for (ConversationId id : ids) {
    CConversation* conversation = g_ConversationCollection.Find(id);
    if (!conversation) continue;
    const bool audioDeleted = conversation->DeleteAudioFile() != 0;
    if (!audioDeleted) ReportUndeleted(folder, conversation->GetAudioFileName());
    if (conversation->DeleteDataFile() == 0) {
      QAV_LOG(LOG_WARNING, u"Error deleting file: %s%s.dat", folder, conversation->GetFileBaseName());
    }
    // A conversation whose recording is still on disk stays listed, so the user can try again.
    if (audioDeleted) g_ConversationCollection.del(conversation);
  }
  // The tab's count goes down with the list.
  Services().PagesChanged(CSheetPages{kPageConversations});
  RebuildList();
}

void CDlgConversation::CallPartners(const CConversation& conversation) {
  const Partners partners = NamesOf(conversation);
  QAV_LOG(LOG_FINE, u"Conversation: Going to call '%s'", partners.names);
  if (!partners.handles.empty()) QueueSkypeCmd([&](DeviceToSkypeCmd& cmd) { cmd.Call(partners.handles); });
}

void CDlgConversation::ChatWithPartners(const CConversation& conversation) {
  const Partners partners = NamesOf(conversation);
  QAV_LOG(LOG_FINE, u"Conversation: Open IM Dialog to '%s'", partners.names);
  // A telephone number cannot take part in a chat.
  const std::u16string handles = ChatHandlesOf(conversation);
  if (!handles.empty())
    QueueSkypeCmd(
        [&](DeviceToSkypeCmd& cmd) { cmd.OpenIM(handles, GetLangString(IDS_CONVERSATIONS_TAB_CHAT_REPLY_TEXT)); });
}

void CDlgConversation::ProfileOf(const CConversation& conversation) {
  if (conversation.GetCalls().empty()) return;
  const CCall* call = conversation.GetCalls().front();
  if (CUser* partner = call ? call->GetPartner() : nullptr) {
    QAV_LOG(LOG_FINE, u"Conversation: Open User Info Dialog to %s", partner->GetDisplayNameWithHandle());
    partner->OpenUserInfoDialog();
  }
}

bool CDlgConversation::CallOf(uint64_t id) {
  const CConversation* conversation = g_ConversationCollection.Find(ConversationId{id});
  if (conversation) CallPartners(*conversation);
  return conversation != nullptr;
}

bool CDlgConversation::ChatWith(uint64_t id) {
  const CConversation* conversation = g_ConversationCollection.Find(ConversationId{id});
  if (conversation) ChatWithPartners(*conversation);
  return conversation != nullptr;
}

bool CDlgConversation::OnlyTelephoneNumbers(uint64_t id) const {
  const CConversation* conversation = g_ConversationCollection.Find(ConversationId{id});
  return conversation && ChatHandlesOf(*conversation).empty();
}

std::u16string CDlgConversation::Folder() const { return g_ConversationCollection.GetConversationsFolder(); }

std::vector<RecordingMenuEntry> CDlgConversation::MenuFor(uint64_t id) const {
  const CConversation* conversation = g_ConversationCollection.Find(ConversationId{id});
  if (!conversation) return {};
  const int state = conversation->GetState();
  std::vector<MenuEntry> entries;
  // First what the recording's state allows: play and call once it has ended, else pause or
  // resume it and hang up.
  switch (state) {
    case CConversation::kEnded: {
      const bool several = PartnerCount(Conversations(SelectedIds(), false)) >= 2;
      entries = {{kCmdPlay, GetLangString(IDS_CONVERSATIONS_TAB_MENU_PLAY), 0, false},
                 {kCmdCall,
                  GetLangString(several ? IDS_CONVERSATIONS_TAB_MENU_INVITE_TO_CONFERENCE
                                        : IDS_CONVERSATIONS_TAB_MENU_CALL_CONTACT),
                  several ? 5 : 4, false}};
      break;
    }
    case CConversation::kStopped:
      entries = {{kCmdResume, GetLangString(IDS_CONVERSATIONS_TAB_MENU_RESUME_RECORDING), 2, false},
                 {kCmdHangUp, GetLangString(IDS_CONVERSATIONS_TAB_MENU_HANG_UP), 7, false}};
      break;
    default:
      entries = {{kCmdPause, GetLangString(IDS_CONVERSATIONS_TAB_MENU_PAUSE_RECORDING), 1, false},
                 {kCmdHangUp, GetLangString(IDS_CONVERSATIONS_TAB_MENU_HANG_UP), 7, false}};
      break;
  }
  // Then the partners' entries in every state; the recording is copied or deleted only once it has
  // ended, and goes to the sibling application only while it is not being recorded.
  int total = 0, skype = 0, telephone = 0;
  conversation->GetPartnerCounts(&total, &skype, &telephone);
  const bool unfinished = state != CConversation::kEnded;
  entries.push_back({kCmdChat, GetLangString(IDS_MESSAGES_TAB_MENU_START_CHAT), 6, skype == 0});
  entries.push_back({kCmdProfile, GetLangString(IDS_MESSAGES_TAB_MENU_VIEW_PROFILE), 8, false});
  entries.push_back({kCmdCopy, GetLangString(IDS_MESSAGES_TAB_MENU_COPY_TO_CLIPBOARD), 13, unfinished});
  const bool recordingNow = state != CConversation::kEnded && state != CConversation::kStopped;
  if (!recordingNow && Services().SiblingRunning()) {
    entries.push_back({kCmdSendToSibling, GetLangString(IDS_MESSAGES_TAB_MENU_SEND_TO_VOXPOSTDESK), -1, false});
  }
  entries.push_back({kCmdDelete, GetLangString(IDS_CONVERSATIONS_TAB_MENU_DELETE), 11, unfinished});
  return entries;
}

void CDlgConversation::RunOwnCommand(uint32_t command, uint64_t clicked) {
  CConversation* conversation = g_ConversationCollection.Find(ConversationId{clicked});
  if (!conversation) return RebuildList();
  switch (command) {
    case kCmdCall:
      return CallPartners(*conversation);
    case kCmdChat:
      return ChatWithPartners(*conversation);
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

std::vector<std::u16string> CDlgConversation::CopiedFiles(const std::vector<uint64_t>& selected) const {
  const std::u16string folder = g_ConversationCollection.GetConversationsFolder();
  std::vector<std::u16string> paths;
  for (const CConversation* conversation : Conversations(selected, true)) paths.push_back(folder + conversation->GetAudioFileName());
  return paths;
}

std::u16string CDlgConversation::CopiedText(uint64_t id) const {
  const CConversation* conversation = g_ConversationCollection.Find(ConversationId{id});
  if (!conversation) return {};
  std::u16string from;
  for (const CCall* call : conversation->GetCalls()) {
    if (const CUser* partner = call ? call->GetPartner() : nullptr) {
      if (!from.empty()) from += u", ";
      from += partner->GetDisplayNameWithHandle();
    }
  }
  return RecordingDescription(from, conversation->GetStartTime(), conversation->GetDuration());
}

void CDlgConversation::SendToSibling(const std::vector<uint64_t>& selected) {
  // One notice for the whole selection.
  const std::vector<CConversation*> conversations = Conversations(selected, true);
  if (!conversations.empty()) Services().SendToSibling({}, {conversations.begin(), conversations.end()});
}
