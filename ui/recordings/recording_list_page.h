// CRecordingListPage: the one page class of the sheet's two recordings pages, voice messages
// (ui/recordings/dlg_messages.h) and conversations (ui/recordings/dlg_conversation.h). It holds
// what the two do alike, from a small description of each (its columns, its buttons' texts, its
// sort state), and asks the page for what its own collection decides (rows, sort keys, buttons'
// states, the menu, playing, deleting, copying):
// - the toolbar and the list (ui/recordings/recording_list_layout.h) over the page's table model
//   (ui/recordings/recording_table_model.h) through its sort proxy
//   (ui/recordings/recording_sort_proxy.h);
// - the once-a-second refresh (ui/recordings/list_refresh_throttle.h); a rebuild syncs the
//   model with the collection and sorts again;
// - a header click (OnColumnClick) flips the page's direction flag and sorts by that column;
// - the player walk (ui/recordings/player_walk.h) over the rows in the order shown;
// - the context menu, the Delete key, Copy (ui/recordings/list_page_text.h) and the toolbar.
// A row holds its recording's identity; the page finds the recording again in its collection at
// every use, since the call machine and the e-mail thread add and remove recordings while the
// row is shown. GUI thread only.
#pragma once

#include <QPoint>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/controls/wait_cursor.h"
#include "ui/recordings/recording_columns.h"
#include "ui/recordings/list_refresh_throttle.h"
#include "ui/recordings/recording_sort_proxy.h"
#include "ui/sheet/prop_page.h"

class QLabel;
class QMimeData;
class QModelIndex;
class QTreeView;
class CButtonSSL;
class CRecordingTableModel;
class CSheetServices;

// One entry of a recordings page's context menu.
struct RecordingMenuEntry {
  uint32_t id;
  std::u16string text;
  int image;
  bool grayed;
};

// The context-menu commands the two pages share.
enum RecordingCommand : uint32_t {
  kRecordingCmdPlay = 32723,
  kRecordingCmdDelete = 32724,
  kRecordingCmdCopy = 32728,
  kRecordingCmdSendToSibling = 32731,
};

// What tells the two pages apart in their layout and texts.
struct RecordingPageDescription {
  // The page's class, for the log.
  std::u16string name;
  // The page's and its list's name for a screen reader: the tab's title without its counts.
  int titleId;
  // Its columns, left to right (a page defines them in its table, ui/recordings/recording_columns.h).
  std::vector<RecordingColumnLook> columns;
  // The open-folder button's tooltip (the others are the same on both pages).
  int folderTipId;
  // The call button's tooltip for one partner and for several.
  int callTipId;
  int conferenceTipId;
  // A row with nothing to play is passed over downwards (else in the walk's direction).
  bool passOverDownwards;
  // The page's sort state, kept for the run.
  RecordingSortState* sort;
};

// The toolbar's states for the selection, as the page decides them.
struct RecordingButtonStates {
  bool conferenceImage = false;
  bool conferenceText = false;
  bool play = false;
  bool call = false;
  bool chat = false;
  bool remove = false;
  bool analysis = false;
};

// The recordings' own identity type (VoiceMessageId, ConversationId) for each of the ids.
template <class Id>
std::vector<Id> RecordingIdsAs(const std::vector<uint64_t>& ids) {
  std::vector<Id> typed;
  typed.reserve(ids.size());
  for (uint64_t id : ids) typed.push_back(Id{id});
  return typed;
}

// The recordings of `ids` still in the collection that `keep` accepts, in the order of the ids.
template <class Id, class Collection, class Keep>
auto FindRecordings(const Collection& collection, const std::vector<uint64_t>& ids, Keep&& keep) {
  std::vector<decltype(collection.Find(Id{}))> found;
  for (uint64_t id : ids) {
    auto* recording = collection.Find(Id{id});
    if (recording && keep(*recording)) found.push_back(recording);
  }
  return found;
}

// After Call or Chat the wait cursor stays this long, so the user sees the call client being asked;
// the window goes on serving the call link and the user meanwhile.
inline constexpr int kCallClientPauseMs = 250;

class CRecordingListPage : public CPropPage {
 public:
  using Clock = CListRefreshThrottle::Clock;
  // Runs `then` once `ms` have passed, without holding the GUI thread; by default a single-shot
  // timer of the page's, as the other pauses of the sheet.
  using PauseTimer = std::function<void(int ms, std::function<void()> then)>;

  CRecordingListPage(CSheetServices& services, RecordingPageDescription description, QWidget* parent);
  ~CRecordingListPage() override;

  void SetClock(Clock clock) { m_refresh.SetClock(std::move(clock)); }
  void SetPauseTimer(PauseTimer timer) { m_pauseTimer = std::move(timer); }

  void Localize() override;
  // The page's title without the counts its tab carries.
  std::u16string GetAccessibleTitle() const override;
  void OnUpdateDlg() override;
  void OnSetActive() override;
  void OnKillActive() override;

  void RebuildList();
  void PlaybackSelected(bool analysis);
  void DeleteSelected();
  // A click on a column's header: the direction flips and the rows sort by that column.
  void OnColumnClick(int column);
  // Call and Chat for the first selected row, under the wait cursor, which stays for a short pause;
  // a first selected row whose recording has gone rebuilds the list instead. A chat never goes to
  // a telephone number: Chat passes over the rows whose callers are all numbers.
  void CallSelected();
  void ChatSelected();
  void OpenFolder();
  // What Copy puts on the clipboard for the selected rows; null when nothing is selected.
  QMimeData* SelectionMimeData() const;

  QTreeView* List() const { return m_list; }
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

 protected:
  // The collection's part. Every id may name a recording that has gone meanwhile.
  virtual void FillModel(CRecordingTableModel& model) = 0;
  virtual std::vector<RecordingSortKey> SortKeys(const std::vector<uint64_t>& ids, int column) const = 0;
  virtual RecordingButtonStates ButtonStates(const std::vector<uint64_t>& selected) const = 0;
  // Plays it; nothing when there is nothing to play (gone, or still being recorded).
  virtual std::optional<int> Play(uint64_t id, bool analysis) = 0;
  // Deletes them, with the page's confirmation, and rebuilds the list.
  virtual void DeleteRecordings(const std::vector<uint64_t>& ids) = 0;
  // Of the selected, those Delete deletes.
  virtual std::vector<uint64_t> Deletable(const std::vector<uint64_t>& selected) const = 0;
  // False when it has gone.
  virtual bool CallOf(uint64_t id) = 0;
  virtual bool ChatWith(uint64_t id) = 0;
  // Whether the recording is there and none of its callers can get a chat (all telephone numbers).
  virtual bool OnlyTelephoneNumbers(uint64_t id) const = 0;
  virtual std::u16string Folder() const = 0;
  virtual std::vector<RecordingMenuEntry> MenuFor(uint64_t id) const = 0;
  // A menu command other than the shared ones, for the clicked recording.
  virtual void RunOwnCommand(uint32_t command, uint64_t clicked) = 0;
  // The files Copy and the sibling get (finished recordings only), and the text for one recording.
  virtual std::vector<std::u16string> CopiedFiles(const std::vector<uint64_t>& selected) const = 0;
  virtual std::u16string CopiedText(uint64_t id) const = 0;
  virtual void SendToSibling(const std::vector<uint64_t>& selected) = 0;
  // The user starts playing the selection.
  virtual void OnWalkStarts() {}

  // A shared command or the page's own, for the clicked recording.
  void RunMenuCommand(uint32_t command, uint64_t clicked);
  // The selected rows' recordings, top to bottom.
  std::vector<uint64_t> SelectedIds() const;
  // The rows, for writing one again at once (between rebuilds).
  CRecordingTableModel& Model() const { return *m_model; }
  CSheetServices& Services() const { return m_services; }
  // Asks the delete question; whether the user agreed.
  static bool AskToDelete(const std::u16string& question);
  // Reports a file that could not be deleted.
  static void ReportUndeleted(const std::u16string& folder, const std::u16string& file);
  // Sets the toolbar's states for the selection.
  void UpdateButtons();

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SortList();
  // Gives each column that shows its texts whole the width they need; `exact` also narrows one
  // wider than that (after a change of font or language), else a column only grows.
  void FitColumnsToTexts(bool exact);
  // The first time the list shows rows, the top one is selected.
  void SelectFirstRowOnce();
  // The action for the first selected row that `skip` does not pass over.
  void ActOnFirstSelected(const std::function<bool(uint64_t id)>& action,
                          const std::function<bool(uint64_t id)>& skip = {});
  void ShowContextMenu(const QPoint& at);
  void CopySelection();

  CSheetServices& m_services;
  RecordingPageDescription m_description;
  CListRefreshThrottle m_refresh;
  int m_rebuilds = 0;
  bool m_firstRowSelected = false;
  PauseTimer m_pauseTimer;
  // The wait cursor of a Call or Chat, while shown; the pause that ends it is the last one started.
  // It goes with the page, so a pause cut short by the page going never leaves it behind.
  std::optional<WaitCursor> m_pauseCursor;
  uint64_t m_lastPause = 0;
  CRecordingTableModel* m_model;
  CRecordingSortProxy* m_proxy;
  QTreeView* m_list;
  QLabel* m_noUser;
  CButtonSSL* m_play;
  CButtonSSL* m_call;
  CButtonSSL* m_chat;
  CButtonSSL* m_delete;
  CButtonSSL* m_folder;
  CButtonSSL* m_analysis;
};
