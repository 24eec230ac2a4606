// CDlgConversation: the sheet's second page, the current user's recorded conversations: a list
// (participants, start time, duration) on the recordings pages' one page class
// (ui/recordings/recording_list_page.h), with the same toolbar, refresh, sorting and player walk
// as the voice-messages page. A conversation still recording or paused cannot be played, copied
// or deleted; its menu pauses, resumes or hangs up instead. GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "calls/conversation.h"
#include "ui/recordings/recording_list_page.h"

class CSheetServices;

class CDlgConversation : public CRecordingListPage {
 public:
  // The list's columns, left to right; each has its row in the page's table of columns.
  enum Column { kParticipantsColumn, kTimeColumn, kDurationColumn, kColumnCount };
  enum Command : uint32_t {
    kCmdHangUp = 32720,
    kCmdPause = 32721,
    kCmdResume = 32722,
    kCmdPlay = kRecordingCmdPlay,
    kCmdDelete = kRecordingCmdDelete,
    kCmdChat = 32726,
    kCmdCall = 32727,
    kCmdCopy = kRecordingCmdCopy,
    kCmdProfile = 32730,
    kCmdSendToSibling = kRecordingCmdSendToSibling,
  };
  using MenuEntry = RecordingMenuEntry;
  // The page's own sort state, kept for the run (not the messages page's).
  using SortState = RecordingSortState;
  using PlayerRunner = std::function<int(CConversation& conversation, bool analysis)>;

  explicit CDlgConversation(CSheetServices& services, QWidget* parent = nullptr);

  void SetPlayerRunner(PlayerRunner runner) { m_player = std::move(runner); }

  std::u16string GetTabTitle() const override;

  void Delete(const std::vector<ConversationId>& ids);

  std::vector<MenuEntry> ContextMenu(ConversationId clicked) const { return MenuFor(static_cast<uint64_t>(clicked)); }
  void RunCommand(uint32_t command, ConversationId clicked) { RunMenuCommand(command, static_cast<uint64_t>(clicked)); }

  static SortState& Sort();
  static ConversationId RowId(const QModelIndex& row);

 protected:
  void FillModel(CRecordingTableModel& model) override;
  std::vector<RecordingSortKey> SortKeys(const std::vector<uint64_t>& ids, int column) const override;
  RecordingButtonStates ButtonStates(const std::vector<uint64_t>& selected) const override;
  std::optional<int> Play(uint64_t id, bool analysis) override;
  void DeleteRecordings(const std::vector<uint64_t>& ids) override;
  std::vector<uint64_t> Deletable(const std::vector<uint64_t>& selected) const override;
  bool CallOf(uint64_t id) override;
  bool ChatWith(uint64_t id) override;
  bool OnlyTelephoneNumbers(uint64_t id) const override;
  std::u16string Folder() const override;
  std::vector<RecordingMenuEntry> MenuFor(uint64_t id) const override;
  void RunOwnCommand(uint32_t command, uint64_t clicked) override;
  std::vector<std::u16string> CopiedFiles(const std::vector<uint64_t>& selected) const override;
  std::u16string CopiedText(uint64_t id) const override;
  void SendToSibling(const std::vector<uint64_t>& selected) override;

 private:
  std::vector<CConversation*> Conversations(const std::vector<uint64_t>& ids, bool endedOnly) const;
  static int PartnerCount(const std::vector<CConversation*>& conversations);
  static void CallPartners(const CConversation& conversation);
  static void ChatWithPartners(const CConversation& conversation);
  static void ProfileOf(const CConversation& conversation);

  PlayerRunner m_player;
};
