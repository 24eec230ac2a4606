// CDlgMessages: the sheet's first page, the voice messages callers left for the current user: a
// list (caller, time of call, duration, new mark) with a toolbar, a context menu, sorting by
// column, deletion with confirmation, playback through the player, and the call client's actions
// on a caller (call, chat, profile).
//
// The page never owns a message and never keeps a pointer to one: each row holds its message's
// identity and finds the message again in the collection at every use, since the call machine
// and the e-mail thread add and remove messages while the row is shown. GUI thread only.
#pragma once

#include <QPoint>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "calls/message.h"
#include "ui/recordings/list_refresh_throttle.h"
#include "ui/sheet/prop_page.h"

class QLabel;
class QMimeData;
class QTreeWidget;
class QTreeWidgetItem;
class CButtonSSL;
class CSheetServices;

class CDlgMessages : public CPropPage {
 public:
  enum Column { kCallerColumn = 0, kTimeColumn = 1, kDurationColumn = 2, kNewMarkColumn = 3 };
  // Context-menu commands.
  enum Command : uint32_t {
    kCmdPlay = 32723,
    kCmdDelete = 32724,
    kCmdToggleHeard = 32725,
    kCmdChat = 32726,
    kCmdCall = 32727,
    kCmdCopy = 32728,
    kCmdProfile = 32730,
    kCmdSendToSibling = 32731,
  };
  struct MenuEntry {
    uint32_t id;
    std::u16string text;
    int image;
    bool grayed;
  };
  // One sort state for every instance of the page, kept for the run.
  struct SortState {
    int column = kTimeColumn;
    bool ascending = false;
  };

  // Runs the player modally for a message; returns its result code.
  using PlayerRunner = std::function<int(CMessage& message, bool analysis)>;
  using Clock = CListRefreshThrottle::Clock;

  explicit CDlgMessages(CSheetServices& services, QWidget* parent = nullptr);
  ~CDlgMessages() override;

  void SetPlayerRunner(PlayerRunner runner) { m_player = std::move(runner); }
  void SetClock(Clock clock) { m_refresh.SetClock(std::move(clock)); }

  std::u16string GetTabTitle() const override;
  void Localize() override;
  void OnUpdateDlg() override;
  void OnSetActive() override;
  void OnKillActive() override;

  void RebuildList();
  void PlaybackSelected(bool analysis);
  void Delete(const std::vector<VoiceMessageId>& ids);
  void DeleteSelected();
  void OnColumnClick(int column);
  void PlayNewMessages();
  void CallSelected();
  void ChatSelected();
  void OpenFolder();

  // The context menu for the row of that message (the clicked one).
  std::vector<MenuEntry> ContextMenu(VoiceMessageId clicked) const;
  void RunCommand(uint32_t command, VoiceMessageId clicked);
  // What Copy puts on the clipboard for the selected rows; null when nothing is selected.
  QMimeData* SelectionMimeData() const;

  static SortState& Sort();
  // Whether the first message sorts before the second under the sort state; a message no longer
  // in the collection sorts after every other.
  static bool SortsBefore(const CMessage* first, const CMessage* second, const SortState& sort);

  QTreeWidget* List() const { return m_list; }
  CButtonSSL* PlayButton() const { return m_play; }
  CButtonSSL* CallButton() const { return m_call; }
  CButtonSSL* ChatButton() const { return m_chat; }
  CButtonSSL* DeleteButton() const { return m_delete; }
  CButtonSSL* FolderButton() const { return m_folder; }
  CButtonSSL* AnalysisButton() const { return m_analysis; }
  QLabel* NoUserText() const { return m_noUser; }
  bool RefreshPending() const { return m_refresh.Pending(); }
  int RebuildCount() const { return m_rebuilds; }
  // The timer's end, for tests that do not wait for it.
  void OnRefreshTimer();
  static VoiceMessageId RowId(const QTreeWidgetItem* item);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void UpdateDlgItem(CMessage& message);
  struct RowTexts;
  // Writes the message's texts and icons into its row.
  static void FillRow(QTreeWidgetItem& row, const CMessage& message, RowTexts& texts);
  QTreeWidgetItem* FindRow(VoiceMessageId id) const;
  void SortList();
  void UpdateButtons();
  std::vector<int> SelectedRows() const;
  std::vector<CMessage*> SelectedMessages(bool knownDurationOnly) const;
  void ShowContextMenu(const QPoint& at);
  void CallOf(const CMessage& message) const;
  void ChatWith(const CMessage& message) const;
  void ProfileOf(const CMessage& message) const;
  void ToggleHeard(VoiceMessageId clicked);
  void CopySelection();
  void SendToSibling();
  void NotifyMainWindow();

  CSheetServices& m_services;
  PlayerRunner m_player;
  CListRefreshThrottle m_refresh;
  int m_rebuilds = 0;
  QTreeWidget* m_list;
  QLabel* m_noUser;
  CButtonSSL* m_play;
  CButtonSSL* m_call;
  CButtonSSL* m_chat;
  CButtonSSL* m_delete;
  CButtonSSL* m_folder;
  CButtonSSL* m_analysis;
};
