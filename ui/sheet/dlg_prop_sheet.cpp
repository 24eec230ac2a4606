#include "ui/sheet/dlg_prop_sheet.h"

#include <QEvent>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/app_names.h"
#include "data/string_ids.h"
#include "foundation/language_tables.h"
#include "foundation/settings.h"
#include "foundation/logger.h"
#include "skype/link/main_window_port.h"
#include "ui/art/art_images.h"
#include "ui/controls/wait_cursor.h"
#include "ui/sheet/prop_page.h"
#include "ui/sheet/sheet_placement.h"
#include "ui/sheet/sheet_services.h"

namespace {

QPoint g_rememberedPosition(-1, -1);

// Room for the widest option child and a useful number of list rows.
constexpr int kMinimumWidth = 640;
constexpr int kMinimumHeight = 500;

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

// Only these four arrive one at a time from the main window.
bool IsSinglePageFlag(uint32_t flag) {
  return flag == kPageVoiceMessages || flag == kPageConversations || flag == kPageOptions || flag == kPageAbout;
}

}  // namespace

CDlgPropSheet::CDlgPropSheet(CSheetServices& services, QWidget* parent)
    : QDialog(parent), m_services(services), m_tabs(new QTabWidget(this)) {
  // A sheet that can be moved and closed, never minimised, maximised or resized.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setModal(false);
  // The sheet's own icon (149), not the program's, whose picture it shows at the sheet's size.
  if (const auto icon = FindArtImage(149)) {
    QPixmap pixmap;
    if (pixmap.loadFromData(icon->data(), static_cast<uint>(icon->size()))) setWindowIcon(QIcon(pixmap));
  }
  auto* buttons = new QDialogButtonBox(this);
  m_ok = buttons->addButton(QDialogButtonBox::Ok);
  m_cancel = buttons->addButton(QDialogButtonBox::Cancel);
  m_apply = buttons->addButton(QDialogButtonBox::Apply);
  m_apply->setEnabled(false);
  connect(m_ok, &QPushButton::clicked, this, [this] { OnOK(); });
  connect(m_cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
  connect(m_apply, &QPushButton::clicked, this, [this] { OnApply(); });
  connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) { OnCurrentChanged(index); });
  // Ctrl+Tab changes the page from anywhere in the sheet; the tab widget by itself hears it only
  // while the focus is on one of its pages, not on OK, Cancel or Apply.
  new QShortcut(QKeySequence::NextChild, this, this, [this] { StepPage(1); });
  new QShortcut(QKeySequence::PreviousChild, this, this, [this] { StepPage(-1); });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_tabs);
  layout->addWidget(buttons);
}

CDlgPropSheet::~CDlgPropSheet() { RememberPosition(); }

int CDlgPropSheet::AddPage(CPropPage* page, uint32_t pageFlag) {
  page->SetSheet(this);
  m_pages.push_back({page, pageFlag});
  return m_tabs->addTab(page, Q(page->GetTabTitle()));
}

CPropPage* CDlgPropSheet::Page(uint32_t pageFlag) const {
  for (const PageEntry& entry : m_pages) {
    if (entry.flag == pageFlag) return entry.page;
  }
  return nullptr;
}

int CDlgPropSheet::PageIndex(uint32_t pageFlag) const {
  for (size_t i = 0; i < m_pages.size(); ++i) {
    if (m_pages[i].flag == pageFlag) return static_cast<int>(i);
  }
  return -1;
}

CPropPage* CDlgPropSheet::ActivePage() const {
  const int index = m_tabs->currentIndex();
  return index >= 0 && index < static_cast<int>(m_pages.size()) ? m_pages[index].page : nullptr;
}

void CDlgPropSheet::InitSheet() {
  // The largest page decides the size; the options page lays out its current child only when shown.
  {
    const QSignalBlocker quiet(m_tabs);
    for (int i = 0; i < m_tabs->count(); ++i) m_tabs->setCurrentIndex(i);
    m_tabs->setCurrentIndex(-1);
  }
  adjustSize();
  m_builtSize = sizeHint().expandedTo(QSize(kMinimumWidth, kMinimumHeight));
  FitToPages();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(SheetPlacementOnScreen(screen));
  }
  Localize(false);
  UpdateAllPages();
  m_tabs->setCurrentIndex(0);
}

void CDlgPropSheet::FitToPages() {
  if (!m_builtSize.isValid()) return;  // InitSheet sizes the sheet once its pages are in
  m_tabs->updateGeometry();
  layout()->invalidate();
  FitToLaidOutPages();
}

void CDlgPropSheet::FitToLaidOutPages() {
  if (!m_builtSize.isValid()) return;
  // What the pages ask for, not their least: a page below its wish scrolls, which is for screens
  // too small to give it.
  QSize wanted = m_builtSize.expandedTo(layout()->totalSizeHint());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QSize frame = FrameAround();
    m_fittedFrame = frame;
    wanted = wanted.boundedTo(screen->availableSize() - frame);
    // A sheet that grew past the screen's edge comes back onto it.
    const QRect available = screen->availableGeometry();
    const QPoint from = pos();
    const int x = std::max(available.left(), std::min(from.x(), available.right() + 1 - wanted.width() - frame.width()));
    const int y = std::max(available.top(), std::min(from.y(), available.bottom() + 1 - wanted.height() - frame.height()));
    if (QPoint(x, y) != from && isVisible()) move(x, y);
  }
  if (wanted != size() || minimumSize() != maximumSize()) setFixedSize(wanted);
}

QSize CDlgPropSheet::FrameAround() const {
  const QSize frame = frameGeometry().size() - geometry().size();
  if (frame != QSize(0, 0) || QGuiApplication::platformName() == QLatin1String("offscreen")) return frame;
  // Not known yet (the window manager frames the window once it is shown): a title bar of the
  // desktop's font and thin borders.
  const int border = 4;
  return {2 * border, fontMetrics().height() + 12 + 2 * border};
}

bool CDlgPropSheet::event(QEvent* event) {
  const bool handled = QDialog::event(event);
  switch (event->type()) {
    case QEvent::LayoutRequest:
      // The layout has just run: asking it to run again would never end.
      FitToLaidOutPages();
      break;
    case QEvent::Show:
    case QEvent::Move:
      // The window manager's frame is known, or changed: the sheet and its frame stay on the screen.
      if (FrameAround() != m_fittedFrame) FitToLaidOutPages();
      break;
    default:
      break;
  }
  return handled;
}

QPoint CDlgPropSheet::SheetPlacementOnScreen(const QScreen* screen) const {
  return SheetPlacement(g_rememberedPosition, frameGeometry().size(), screen->size(), screen->availableSize());
}

void CDlgPropSheet::ShowSheet(bool visible, uint32_t pageFlag) {
  if (!visible) {
    hide();
    return;
  }
  RefreshTabTitles();
  if (IsSinglePageFlag(pageFlag)) SetActivePage(pageFlag);
  // The sheet asks for no minimise button, but a window manager may offer one anyway (or iconify
  // the sheet by itself): showing the sheet always brings it back to the front.
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

void CDlgPropSheet::SetActivePage(uint32_t pageFlag) {
  const int index = PageIndex(pageFlag);
  if (index >= 0) m_tabs->setCurrentIndex(index);
}

void CDlgPropSheet::Localize(bool withPages) {
  const std::u16string handle = m_services.CurrentUserHandle();
  setWindowTitle(handle.empty() ? Q(kAppName) : Q(std::u16string(kAppName) + u" - " + handle));
  m_ok->setText(Q(GetLangString(IDS_BUTTON_OK)));
  m_cancel->setText(Q(GetLangString(IDS_BUTTON_CANCEL)));
  m_apply->setText(Q(GetLangString(IDS_BUTTON_APPLY)));
  RefreshTabTitles();
  if (!withPages) return;
  for (const PageEntry& entry : m_pages) entry.page->Localize();
}

void CDlgPropSheet::UpdateAllPages() {
  for (const PageEntry& entry : m_pages) {
    if (entry.flag != kPageAbout) entry.page->OnUpdateDlg();
  }
}

void CDlgPropSheet::RefreshTabTitles() {
  for (size_t i = 0; i < m_pages.size(); ++i) SetTabTitle(static_cast<int>(i));
}

void CDlgPropSheet::SetTabTitle(int index) {
  const QString title = Q(m_pages[index].page->GetTabTitle());
  m_tabs->setTabText(index, title);
  m_pages[index].page->setAccessibleName(Q(m_pages[index].page->GetAccessibleTitle()));
}

void CDlgPropSheet::StepPage(int step) {
  const int count = m_tabs->count();
  if (count > 0) m_tabs->setCurrentIndex((m_tabs->currentIndex() + step + count) % count);
}

void CDlgPropSheet::OnUpdateDlg(uint32_t pageFlag) {
  if (!IsSinglePageFlag(pageFlag)) return;
  const int index = PageIndex(pageFlag);
  if (index < 0) return;
  m_pages[index].page->OnUpdateDlg();
  SetTabTitle(index);
}

void CDlgPropSheet::SetModified(bool modified) { m_apply->setEnabled(modified); }

bool CDlgPropSheet::IsModified() const { return m_apply->isEnabled(); }

void CDlgPropSheet::SelectOptionChild(uint32_t dialogId) {
  if (CPropPage* options = Page(kPageOptions)) options->OnUserSelectPage(dialogId);
}

void CDlgPropSheet::OnApply() {
  for (const PageEntry& entry : m_pages) entry.page->OnApply();
  // Settings changed outside any page (the main window enabled Apply) are saved here.
  if (IsModified()) {
    WaitCursor wait;
    m_services.SaveSettings();
  }
  SetModified(false);
}

void CDlgPropSheet::OnOK() {
  QAV_LOG(LOG_FINE, u"CDlgPropSheet::OnOK");
  if (IsModified()) {
    WaitCursor wait;
    m_services.SaveSettings();
    SetModified(false);
  }
  if (CPropPage* options = Page(kPageOptions)) options->OnKillActive();
  hide();
}

void CDlgPropSheet::OnCancel() {
  QAV_LOG(LOG_FINE, u"CDlgPropSheet::OnCancel");
  if (IsModified()) {
    const std::u16string buddyBefore = m_services.GreetingPath(true);
    const std::u16string nonBuddyBefore = m_services.GreetingPath(false);
    const int screenReaderBefore = g_ScreenReaderFriendlyMode.Get();
    const int advancedBefore = g_AdvancedSettingMode.Get();
    WaitCursor wait;
    m_services.LoadSettings();
    ReloadGreetingIfChanged(true, buddyBefore);
    ReloadGreetingIfChanged(false, nonBuddyBefore);
    for (const PageEntry& entry : m_pages) entry.page->OnSettingsReloaded();
    // A mode the user switched and cancelled changes every page's look back (captions, the rows
    // of advanced mode): each page draws itself anew, as when the mode was switched.
    if (g_ScreenReaderFriendlyMode.Get() != screenReaderBefore || g_AdvancedSettingMode.Get() != advancedBefore) {
      Localize(true);
      UpdateAllPages();
    }
  }
  SetModified(false);
  if (CPropPage* options = Page(kPageOptions)) options->OnKillActive();
  hide();
}

void CDlgPropSheet::ReloadGreetingIfChanged(bool buddy, const std::u16string& before) {
  if (m_services.GreetingPath(buddy) == before) return;
  if (m_services.ReloadGreeting(buddy)) return;
  if (buddy) {
    QAV_LOG(LOG_SEVERE, u"Fail to load Greeting Message Audio Files into memory for default caller.");
  } else {
    QAV_LOG(LOG_SEVERE, u"Fail to load Greeting Message Audio Files into memory for unknwon callers");
  }
  m_services.ShowError(GetLangString(buddy ? IDS_ERROR_MESSAGE_LOAD_DEFAULT_CALLER_GREETING_MESSAGE
                                           : IDS_ERROR_MESSAGE_LOAD_UNKNOWN_CALLER_GREETING_MESSAGE));
}

QPoint CDlgPropSheet::RememberedPosition() { return g_rememberedPosition; }

void CDlgPropSheet::SetRememberedPosition(QPoint position) { g_rememberedPosition = position; }

void CDlgPropSheet::RememberPosition() { g_rememberedPosition = frameGeometry().topLeft(); }

void CDlgPropSheet::closeEvent(QCloseEvent* event) {
  event->ignore();
  OnCancel();
}

void CDlgPropSheet::reject() { OnCancel(); }

void CDlgPropSheet::accept() { OnOK(); }

void CDlgPropSheet::OnCurrentChanged(int index) {
  if (m_activeIndex >= 0 && m_activeIndex < static_cast<int>(m_pages.size()) && m_activeIndex != index) {
    m_pages[m_activeIndex].page->OnKillActive();
  }
  m_activeIndex = index;
  if (index >= 0 && index < static_cast<int>(m_pages.size())) m_pages[index].page->OnSetActive();
}
