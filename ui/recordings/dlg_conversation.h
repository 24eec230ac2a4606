// CDlgConversation: the sheet's second page, the current user's recorded conversations: a list
// (participants, start time, duration) with the same toolbar, refresh, sorting and player walk as
// the voice-messages page. A conversation still recording or paused cannot be played, copied or
// deleted; its menu pauses, resumes or hangs up instead. Rows hold the conversation's identity and
// find it again in the collection at every use. GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "calls/conversation.h"
#include "ui/recordings/list_refresh_throttle.h"
#include "ui/sheet/prop_page.h"

class QLabel;
class QMimeData;
class QTreeWidget;
class QTreeWidgetItem;
class CButtonSSL;
class CSheetServices;

class CDlgConversation : public CPropPage {
 public:
  enum Column { kParticipantsColumn = 0, kTimeColumn = 1, kDurationColumn = 2 };
  enum Command : uint32_t {
    kCmdHangUp = 32720,
    kCmdPause = 32721,
    kCmdResume = 32722,
    kCmdPlay = 32723,
    kCmdDelete = 32724,
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
  // The page's own sort state, kept for the run (not the messages page's).
  struct SortState {
    int column = kTimeColumn;
    bool ascending = false;
  };
  using PlayerRunner = std::function<int(CConversation& conversation, bool analysis)>;
  using Clock = CListRefreshThrottle::Clock;

  explicit CDlgConversation(CSheetServices& services, QWidget* parent = nullptr);
  ~CDlgConversation() override;

  void SetPlayerRunner(PlayerRunner runner) { m_player = std::move(runner); }
  void SetClock(Clock clock) { m_refresh.SetClock(std::move(clock)); }

  std::u16string GetTabTitle() const override;
  void Localize() override;
  void OnUpdateDlg() override;
  void OnSetActive() override;
  void OnKillActive() override;

  void RebuildList();
  void PlaybackSelected(bool analysis);
  void Delete(const std::vector<ConversationId>& ids);
  void DeleteSelected();
  void OnColumnClick(int column);

  std::vector<MenuEntry> ContextMenu(ConversationId clicked) const;
  void RunCommand(uint32_t command, ConversationId clicked);
  QMimeData* SelectionMimeData() const;

  static SortState& Sort();
  static bool SortsBefore(const CConversation* first, const CConversation* second, const SortState& sort);

  QTreeWidget* List() const { return m_list; }
  CButtonSSL* PlayButton() const { return m_play; }
  CButtonSSL* CallButton() const { return m_call; }
  CButtonSSL* ChatButton() const { return m_chat; }
  CButtonSSL* DeleteButton() const { return m_delete; }
  CButtonSSL* AnalysisButton() const { return m_analysis; }
  bool RefreshPending() const { return m_refresh.Pending(); }
  int RebuildCount() const { return m_rebuilds; }
  void OnRefreshTimer();
  static ConversationId RowId(const QTreeWidgetItem* item);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct RowTexts;
  // Writes the conversation's texts and icon into its row.
  static void FillRow(QTreeWidgetItem& row, const CConversation& conversation, RowTexts& texts);
  void SortList();
  void UpdateButtons();
  std::vector<int> SelectedRows() const;
  std::vector<CConversation*> SelectedConversations(bool endedOnly) const;
  int PartnerCount(const std::vector<CConversation*>& conversations) const;
  void ShowContextMenu(const QPoint& at);
  void CallOf(const CConversation& conversation) const;
  void ChatWith(const CConversation& conversation) const;
  void ProfileOf(const CConversation& conversation) const;

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
