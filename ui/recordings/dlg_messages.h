// CDlgMessages: the sheet's first page, the voice messages callers left for the current user: a
// list (caller with its online status, time of call, duration, new mark) with the recordings
// pages' toolbar, context menu, sorting by column, deletion with confirmation and playback
// (ui/recordings/recording_list_page.h), and the call client's actions on a caller (call, chat,
// profile). The page never owns a message and never keeps a pointer to one. GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "calls/message.h"
#include "ui/recordings/recording_list_page.h"

class CSheetServices;
struct CRecordingCells;

class CDlgMessages : public CRecordingListPage {
 public:
  // The list's columns, left to right; each has its row in the page's table of columns.
  enum Column { kCallerColumn, kTimeColumn, kDurationColumn, kNewMarkColumn, kColumnCount };
  // Context-menu commands.
  enum Command : uint32_t {
    kCmdPlay = kRecordingCmdPlay,
    kCmdDelete = kRecordingCmdDelete,
    kCmdToggleHeard = 32725,
    kCmdChat = 32726,
    kCmdCall = 32727,
    kCmdCopy = kRecordingCmdCopy,
    kCmdProfile = 32730,
    kCmdSendToSibling = kRecordingCmdSendToSibling,
  };
  using MenuEntry = RecordingMenuEntry;
  // One sort state for every instance of the page, kept for the run.
  using SortState = RecordingSortState;

  // Runs the player modally for a message; returns its result code.
  using PlayerRunner = std::function<int(CMessage& message, bool analysis)>;

  explicit CDlgMessages(CSheetServices& services, QWidget* parent = nullptr);

  void SetPlayerRunner(PlayerRunner runner) { m_player = std::move(runner); }

  std::u16string GetTabTitle() const override;

  void Delete(const std::vector<VoiceMessageId>& ids);
  // Selects the new messages of known duration and plays them.
  void PlayNewMessages();

  // The context menu for the row of that message (the clicked one).
  std::vector<MenuEntry> ContextMenu(VoiceMessageId clicked) const { return MenuFor(static_cast<uint64_t>(clicked)); }
  void RunCommand(uint32_t command, VoiceMessageId clicked) { RunMenuCommand(command, static_cast<uint64_t>(clicked)); }

  static SortState& Sort();
  // Whether the first message sorts before the second under the sort state; a message no longer
  // in the collection sorts after every other.
  static bool SortsBefore(const CMessage* first, const CMessage* second, const SortState& sort);
  static VoiceMessageId RowId(const QModelIndex& row);

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
  void OnWalkStarts() override;

 private:
  std::vector<CMessage*> Messages(const std::vector<uint64_t>& ids, bool knownDurationOnly) const;
  void ToggleHeard(VoiceMessageId clicked);
  void NotifyMainWindow();

  PlayerRunner m_player;
};
