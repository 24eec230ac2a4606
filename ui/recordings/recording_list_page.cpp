#include "ui/recordings/recording_list_page.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

#include "app/app_names.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/message_box.h"
#include "ui/art/app_image_lists.h"
#include "ui/controls/button_ssl.h"
#include "ui/controls/title_menu.h"
#include "ui/controls/wait_cursor.h"
#include "ui/recordings/list_page_text.h"
#include "ui/recordings/player_walk.h"
#include "ui/recordings/recording_cell_delegate.h"
#include "ui/recordings/recording_list_layout.h"
#include "ui/recordings/recording_table_model.h"
#include "ui/sheet/sheet_services.h"

namespace {

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

// The toolbar list's pictures the call button switches between.
constexpr int kImageCall = 9, kImageConference = 10;

// A toolbar button's tip, which is its name for a screen reader too; in screen-reader mode its
// caption as well, on a plain framed button.
void ShowTip(CButtonSSL* button, const QString& tip, bool screenReader) {
  button->SetTooltipText(tip);
  button->setText(screenReader ? tip : QString());
  button->SetButtonStyle(screenReader ? 0 : CButtonSSL::kStyleFlat);
}

std::vector<int> CentredColumns(const RecordingPageDescription& description) {
  std::vector<int> centred;
  for (size_t column = 0; column < description.columns.size(); ++column) {
    if (description.columns[column].centred) centred.push_back(static_cast<int>(column));
  }
  return centred;
}

std::vector<RecordingColumnLayout> ColumnLayouts(const RecordingPageDescription& description) {
  std::vector<RecordingColumnLayout> layouts;
  for (const RecordingColumnLook& column : description.columns) layouts.push_back({column.width, column.imageOnly});
  return layouts;
}

}  // namespace

CRecordingListPage::CRecordingListPage(CSheetServices& services, RecordingPageDescription description, QWidget* parent)
    : CPropPage(parent),
      m_services(services),
      m_description(std::move(description)),
      m_refresh([this] { RebuildList(); }),
      m_pauseTimer([this](int ms, std::function<void()> then) { QTimer::singleShot(ms, this, std::move(then)); }),
      m_model(new CRecordingTableModel(static_cast<int>(m_description.columns.size()), CentredColumns(m_description), this)),
      m_proxy(new CRecordingSortProxy(
          *m_model, [this](const std::vector<uint64_t>& ids, int column) { return SortKeys(ids, column); }, this)) {
  const RecordingListControls controls = BuildRecordingListControls(*this, *m_proxy, ColumnLayouts(m_description));
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
  // Where a header click sorts.
  connect(m_list->header(), &QHeaderView::sectionClicked, this, [this](int column) { OnColumnClick(column); });
  connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateButtons(); });
  connect(m_list, &QTreeView::doubleClicked, this, [this] { PlaybackSelected(false); });
  connect(m_list, &QTreeView::customContextMenuRequested, this,
          [this](const QPoint& at) { ShowContextMenu(m_list->viewport()->mapToGlobal(at)); });
  setMinimumSize(460, 320);
}

CRecordingListPage::~CRecordingListPage() {
  // The page's own part has gone already: nothing the view announces while it goes may reach the
  // page any more, and the view goes before the rows it shows.
  m_list->selectionModel()->disconnect(this);
  delete m_list;
  delete m_proxy;
  delete m_model;
}

std::u16string CRecordingListPage::GetAccessibleTitle() const { return GetLangString(m_description.titleId); }

void CRecordingListPage::Localize() {
  const bool screenReader = g_ScreenReaderFriendlyMode.Get() != 0;
  m_list->setAccessibleName(Q(GetAccessibleTitle()));
  const std::pair<CButtonSSL*, int> tips[] = {{m_play, IDS_MESSAGES_TAB_TOOLTIP_PLAY},
                                              {m_chat, IDS_MESSAGES_TAB_TOOLTIP_START_CHAT},
                                              {m_delete, IDS_MESSAGES_TAB_TOOLTIP_DELETE},
                                              {m_folder, m_description.folderTipId},
                                              {m_analysis, IDS_MESSAGES_TAB_TOOLTIP_PLAY_VSA}};
  for (const auto& [button, id] : tips) ShowTip(button, Q(GetLangString(id)), screenReader);
  QStringList titles;
  for (const RecordingColumnLook& column : m_description.columns) {
    titles.append(column.titleId != 0 ? Q(GetLangString(column.titleId)) : QString());
  }
  m_model->SetHeaders(titles);
  m_noUser->setText(Q(GetLangString(IDS_MISC_NO_USER_LOGGED_IN)));
  FitColumnsToTexts(true);
  UpdateButtons();
}

void CRecordingListPage::FitColumnsToTexts(bool exact) {
  const QFontMetrics metrics = m_list->fontMetrics();
  for (int column = 0; column < static_cast<int>(m_description.columns.size()); ++column) {
    const RecordingColumnLook& look = m_description.columns[static_cast<size_t>(column)];
    if (!look.fitsTexts) continue;
    // The widest text by its advance (each text measured once: a column of times has a text a
    // row), then the cell it needs by the style's own measure.
    QStringList texts = m_model->DistinctTexts(column);
    if (look.alwaysFitsTextId != 0) texts.append(Q(GetLangString(look.alwaysFitsTextId)));
    const QString* widest = nullptr;
    int widestAdvance = -1;
    for (const QString& text : texts) {
      const int advance = metrics.horizontalAdvance(text);
      if (advance > widestAdvance) {
        widest = &text;
        widestAdvance = advance;
      }
    }
    int width = std::max(look.width, m_list->header()->sectionSizeHint(column));
    if (widest) width = std::max(width, CRecordingCellDelegate::WidthFor(*widest, *m_list));
    if (exact ? m_list->columnWidth(column) != width : m_list->columnWidth(column) < width) m_list->setColumnWidth(column, width);
  }
}

void CRecordingListPage::OnSetActive() { m_refresh.Activate(); }

void CRecordingListPage::OnKillActive() { m_refresh.Deactivate(); }

void CRecordingListPage::OnUpdateDlg() { m_refresh.Request(); }

void CRecordingListPage::OnRefreshTimer() { m_refresh.OnTimer(); }

void CRecordingListPage::RebuildList() {
  if (!m_refresh.IsActive()) return;
  ++m_rebuilds;
  if (m_services.SignedIn()) {
    m_noUser->hide();
    m_list->setUpdatesEnabled(false);
    FillModel(*m_model);
    FitColumnsToTexts(false);
    SortList();
    SelectFirstRowOnce();
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

void CRecordingListPage::SortList() { m_proxy->Apply(*m_description.sort); }

void CRecordingListPage::SelectFirstRowOnce() {
  if (m_firstRowSelected || m_proxy->rowCount() == 0) return;
  m_firstRowSelected = true;
  m_list->selectionModel()->setCurrentIndex(m_proxy->index(0, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void CRecordingListPage::OnColumnClick(int column) {
  RecordingSortState& sort = *m_description.sort;
  sort.ascending = !sort.ascending;
  sort.column = column;
  QAV_LOG(LOG_FINE, u"%s::OnColumnclickTablelist( %d )", m_description.name, column);
  SortList();
}

std::vector<uint64_t> CRecordingListPage::SelectedIds() const {
  QModelIndexList rows = m_list->selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  std::vector<uint64_t> ids;
  ids.reserve(static_cast<size_t>(rows.size()));
  for (const QModelIndex& row : rows) ids.push_back(RecordingIdOf(row));
  return ids;
}

void CRecordingListPage::UpdateButtons() {
  const RecordingButtonStates states = ButtonStates(SelectedIds());
  if (g_pImageLists) m_call->SetImageList(g_pImageLists->m_toolbarList, states.conferenceImage ? kImageConference : kImageCall);
  const std::u16string callText = GetLangString(states.conferenceText ? m_description.conferenceTipId : m_description.callTipId);
  ShowTip(m_call, Q(callText), g_ScreenReaderFriendlyMode.Get() != 0);
  if (!m_services.SignedIn()) {
    for (CButtonSSL* button : {m_play, m_call, m_chat, m_delete, m_folder, m_analysis}) button->setEnabled(false);
    return;
  }
  m_folder->setEnabled(true);
  m_play->setEnabled(states.play);
  m_call->setEnabled(states.call);
  m_chat->setEnabled(states.chat);
  m_delete->setEnabled(states.remove);
  m_analysis->setEnabled(states.analysis);
  m_call->update();
}

void CRecordingListPage::PlaybackSelected(bool analysis) {
  OnWalkStarts();
  PlayerWalk walk;
  walk.play = [this, analysis](uint64_t id) { return Play(id, analysis); };
  walk.remove = [this](uint64_t id) { DeleteRecordings({id}); };
  walk.passOverDownwards = m_description.passOverDownwards;
  WalkSelectedRows(*m_list->selectionModel(), walk);
}

void CRecordingListPage::DeleteSelected() {
  const std::vector<uint64_t> ids = Deletable(SelectedIds());
  if (!ids.empty()) DeleteRecordings(ids);
}

bool CRecordingListPage::AskToDelete(const std::u16string& question) {
  if (qav::ShowMessageBox(question, kAppName, qav::MB_OKCANCEL | qav::MB_ICONEXCLAMATION) == qav::IDOK) return true;
  QAV_LOG(LOG_FINE, u"Delete denied!");
  return false;
}

void CRecordingListPage::ReportUndeleted(const std::u16string& folder, const std::u16string& file) {
  QAV_LOG(LOG_WARNING, u"Error deleting file: %s%s", folder, file);
  qav::ShowMessageBox(GetLangString(IDS_ERROR_MESSAGE_FAILED_TO_DELETE_AUDIO_FILE) + folder + file, kAppName,
                      qav::MB_OK);
}

void CRecordingListPage::CallSelected() {
  ActOnFirstSelected([this](uint64_t id) { return CallOf(id); });
}

void CRecordingListPage::ChatSelected() {
  ActOnFirstSelected([this](uint64_t id) { return ChatWith(id); },
                     [this](uint64_t id) { return OnlyTelephoneNumbers(id); });
}

void CRecordingListPage::ActOnFirstSelected(const std::function<bool(uint64_t id)>& action,
                                            const std::function<bool(uint64_t id)>& skip) {
  const std::vector<uint64_t> selected = SelectedIds();
  const auto first = std::find_if(selected.begin(), selected.end(), [&skip](uint64_t id) { return !skip || !skip(id); });
  if (first == selected.end()) return;
  if (!m_pauseCursor) m_pauseCursor.emplace();
  if (!action(*first)) RebuildList();
  // A second click within the pause keeps the cursor until its own pause has passed.
  const uint64_t pause = ++m_lastPause;
  m_pauseTimer(kCallClientPauseMs, [this, pause] {
    if (pause == m_lastPause) m_pauseCursor.reset();
  });
}

void CRecordingListPage::OpenFolder() {
  if (!m_services.SignedIn()) return;
  m_services.OpenLocalFile(Folder());
}

void CRecordingListPage::ShowContextMenu(const QPoint& at) {
  const QModelIndex row = m_list->indexAt(m_list->viewport()->mapFromGlobal(at));
  if (!row.isValid()) return;
  const uint64_t clicked = RecordingIdOf(row);
  const std::vector<RecordingMenuEntry> entries = MenuFor(clicked);
  if (entries.empty()) return RebuildList();
  CTitleMenu menu(this);
  if (g_pImageLists) menu.SetImageList(g_pImageLists->m_menuList);
  for (const RecordingMenuEntry& entry : entries) {
    menu.AppendMenu(entry.grayed ? (MF_STRING | MF_GRAYED) : MF_STRING, entry.id, Q(entry.text), entry.image);
  }
  menu.SetDefaultItem(entries.front().id);
  const uint32_t command = menu.TrackPopupMenu(at);
  if (command != 0) RunMenuCommand(command, clicked);
}

void CRecordingListPage::RunMenuCommand(uint32_t command, uint64_t clicked) {
  switch (command) {
    case kRecordingCmdPlay:
      return PlaybackSelected(false);
    case kRecordingCmdDelete:
      return DeleteSelected();
    case kRecordingCmdCopy:
      return CopySelection();
    case kRecordingCmdSendToSibling:
      // One notice for the whole selection, through the workers' sibling thread; a sibling gone
      // meanwhile drops it.
      return SendToSibling(SelectedIds());
    default:
      return RunOwnCommand(command, clicked);
  }
}

QMimeData* CRecordingListPage::SelectionMimeData() const {
  const std::vector<uint64_t> selected = SelectedIds();
  if (selected.empty()) return nullptr;
  return CopiedFilesMimeData(CopiedFiles(selected), selected.size() == 1 ? CopiedText(selected.front()) : std::u16string());
}

void CRecordingListPage::CopySelection() {
  const WaitCursor wait;
  if (QMimeData* data = SelectionMimeData()) QApplication::clipboard()->setMimeData(data);
}

bool CRecordingListPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_list && event->type() == QEvent::FontChange) FitColumnsToTexts(true);
  if (watched == m_list && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
    DeleteSelected();
    return true;
  }
  return CPropPage::eventFilter(watched, event);
}
