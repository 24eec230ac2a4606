#include "ui/options/dlg_options.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QLabel>
#include <QStringList>
#include <algorithm>

#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "ui/art/app_image_lists.h"
#include "ui/options/dlg_opt_advanced.h"
#include "ui/options/dlg_opt_answer_machine_gen.h"
#include "ui/options/dlg_opt_application.h"
#include "ui/options/dlg_opt_audio_settings.h"
#include "ui/options/dlg_opt_call_waiting_settings.h"
#include "ui/options/dlg_opt_conversation_record_gen.h"
#include "ui/options/dlg_opt_default_caller.h"
#include "ui/options/dlg_opt_unknown_caller.h"
#include "ui/options/dlg_opt_email_settings.h"
#include "ui/controls/list_box_st.h"
#include "ui/options/option_child.h"
#include "ui/options/option_child_area.h"
#include "ui/options/options_page_site.h"
#include "ui/controls/wait_cursor.h"
#include "ui/sheet/sheet_services.h"

namespace {

struct SlotInfo {
  int dialogId;
  int textId;
  bool advancedOnly;
};
// In the order of creation and of the list; the list image is the slot number.
constexpr std::array<SlotInfo, CDlgOptions::kSlotCount> kSlotInfo = {{
    {207, 400, false},  // conversation recording
    {149, 401, false},  // answering machine
    {347, 402, false},  // default caller
    {148, 403, true},   // unknown caller
    {348, 404, false},  // reject call waiting
    {343, 405, true},   // audio settings
    {344, 406, false},  // e-mail settings
    {346, 407, true},   // advanced
    {349, 408, false},  // application
}};
// The list's narrowest width; wider when a caption's longest word needs it.
constexpr int kListWidth = 120;
constexpr int kListHeight = 330;
// The children sit beside the list, this far from its right edge.
constexpr int kChildGap = 6;
constexpr int kPageMargin = 8;

int g_rememberedIndex = 0;

}  // namespace

int CDlgOptions::RememberedIndex() { return g_rememberedIndex; }
void CDlgOptions::SetRememberedIndex(int index) { g_rememberedIndex = index; }

CDlgOptions::CDlgOptions(COptionsPageSite& site, QWidget* parent) : QWidget(parent), m_site(site) {
  QAV_LOG(LOG_FINE, u"CDlgOptions::OnInitDialog");
  setObjectName(QStringLiteral("330"));
  // The page takes the desktop's font, as every other page does: the arrangement below grows
  // with it.
  m_list = new CListBoxST(this);
  m_list->setObjectName(QStringLiteral("selectionList"));
  m_list->setProperty("qavControlId", 1712);
  m_list->setFrameShape(QFrame::StyledPanel);
  m_list->setSelectionMode(QAbstractItemView::SingleSelection);
  m_list->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  connect(m_list, &QListWidget::currentRowChanged, this, [this](int) {
    if (!m_selecting) OnListSelectChanged();
  });
  auto* childArea = new COptionChildArea(this);
  childArea->setObjectName(QStringLiteral("childArea"));
  QWidget* childParent = childArea->widget();
  // Shown in the child's place when nothing but the application child can be edited.
  m_noUserFrame = new QFrame(childParent);
  m_noUserFrame->setObjectName(QStringLiteral("noUserFrame"));
  m_noUserFrame->setProperty("qavControlId", 1316);
  m_noUserFrame->setFrameShape(QFrame::StyledPanel);
  m_noUserText = new QLabel(m_noUserFrame);
  m_noUserText->setObjectName(QStringLiteral("noUserText"));
  m_noUserText->setProperty("qavControlId", 1315);
  m_noUserText->setAlignment(Qt::AlignCenter);
  m_noUserText->setWordWrap(true);
  auto* noUserLayout = new QVBoxLayout(m_noUserFrame);
  noUserLayout->addWidget(m_noUserText);
  childArea->AddChild(m_noUserFrame);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin);
  layout->setSpacing(kChildGap);
  layout->addWidget(m_list);
  layout->addWidget(childArea, 1);

  m_slots[0].child = new CDlgOptConversationRecordGen(site, childParent);
  m_slots[1].child = new CDlgOptAnswerMachineGen(site, childParent);
  m_slots[2].child = new CDlgOptDefaultCaller(site, childParent);
  m_slots[3].child = new CDlgOptUnknownCaller(site, childParent);
  m_slots[4].child = new CDlgOptCallWaitingSettings(site, childParent);
  m_slots[5].child = new CDlgOptAudioSettings(site, childParent);
  m_slots[6].child = new CDlgOptEMailSettings(site, childParent);
  m_slots[7].child = new CDlgOptAdvanced(site, childParent);
  m_slots[kApplicationSlot].child = new CDlgOptApplication(site, childParent);
  for (const Slot& slot : m_slots) {
    if (slot.child == nullptr) continue;
    slot.child->hide();
    childArea->AddChild(slot.child);
  }
  if (g_pImageLists != nullptr) m_list->SetImageList(&g_pImageLists->m_optionsList);
  m_current = nullptr;
  // Building the list selects an entry; the child chosen last in this run is shown all the same.
  const int remembered = g_rememberedIndex;
  Localize();
  if (m_current != nullptr) m_current->hide();
  m_current = nullptr;
  g_rememberedIndex = remembered;
  if (GetCurrentUserHandle().empty() && m_slots[kApplicationSlot].listIndex >= 0) {
    g_rememberedIndex = m_slots[kApplicationSlot].listIndex;
  }
  SelectRow(g_rememberedIndex);
  OnListSelectChanged();
}

CDlgOptions::~CDlgOptions() = default;

QString CDlgOptions::GetTabTitle() const { return QString::fromStdU16String(GetLangString(IDS_SHEET_TAB_OPTIONS)); }

void CDlgOptions::Localize() {
  m_noUserText->setText(QString::fromStdU16String(GetLangString(IDS_MISC_NO_USER_LOGGED_IN)));
  m_list->setAccessibleName(GetTabTitle());
  RebuildSelectionList();
  OnListSelectChanged();
}

void CDlgOptions::RebuildSelectionList() {
  QAV_LOG(LOG_FINE, u"CDlgOptions::RebuildSelectionList");
  const int previousRow = m_list->currentRow();
  COptionChild* previousChild = ChildOfRow(previousRow);
  m_selecting = true;
  m_list->ResetContent();
  const bool advanced = g_AdvancedSettingMode.Get() != 0;
  for (size_t i = 0; i < m_slots.size(); ++i) {
    Slot& slot = m_slots[i];
    slot.listIndex = -1;
    if (slot.child == nullptr || (kSlotInfo[i].advancedOnly && !advanced)) continue;
    const int index =
        m_list->AddString(QString::fromStdU16String(GetLangString(kSlotInfo[i].textId)), static_cast<int>(i));
    m_list->SetItemData(index, reinterpret_cast<intptr_t>(slot.child));
    slot.listIndex = index;
    slot.child->Localize();
    // A screen reader names the child as its row.
    slot.child->setAccessibleName(m_list->item(index)->text());
    slot.child->hide();
  }
  FitListWidth();
  int row = previousRow;
  if (previousChild != nullptr) {
    for (const Slot& slot : m_slots) {
      if (slot.child == previousChild && slot.listIndex >= 0) row = slot.listIndex;
    }
  } else if (previousRow < 0) {
    row = m_slots[kApplicationSlot].listIndex;
  }
  if (row >= m_list->count()) row = m_list->count() - 1;
  m_list->setCurrentRow(row);
  m_selecting = false;
}

void CDlgOptions::FitListWidth() {
  QStringList captions;
  for (int row = 0; row < m_list->count(); ++row) captions << m_list->item(row)->text();
  const int rowsHeight = m_list->sizeHintForRow(0) * std::max(1, m_list->count()) + 2 * m_list->frameWidth();
  m_list->setFixedWidth(std::max(kListWidth, m_list->WidthForWholeWords(captions, std::max(kListHeight, rowsHeight))));
  m_list->setMinimumHeight(rowsHeight);
  m_site.FitSheetToPage();
}

void CDlgOptions::UpdateDlg() {
  int index = g_rememberedIndex;
  if (index < 0 || index >= m_list->count()) index = 0;
  g_rememberedIndex = index;
  COptionChild* const chosen = ChildOfRow(index);
  // The child shown so far may belong to no row now (a reload took advanced mode away): it is
  // left as any other child is, so that only the row's own child shows and no greeting goes on
  // playing or recording out of sight.
  if (m_current != nullptr && m_current != chosen) LeaveChild(m_current);
  m_current = chosen;
  if (m_current == nullptr) return;
  const bool editable = !GetCurrentUserHandle().empty() || m_current == m_slots[kApplicationSlot].child;
  m_noUserText->setVisible(!editable);
  m_noUserText->setEnabled(!editable);
  m_noUserFrame->setVisible(!editable);
  m_noUserFrame->setEnabled(!editable);
  m_current->setVisible(editable);
  m_current->OnUpdateDlg();
}

void CDlgOptions::OnUpdateDlg() {
  Localize();
  UpdateDlg();
}

void CDlgOptions::OnListSelectChanged() {
  const int selection = m_list->currentRow();
  QAV_LOG(LOG_FINE, u"CDlgOptions::OnListSelectChanged( CurSel: %d )", selection);
  // The same row may hold another child since the list was rebuilt in another mode.
  if (selection == g_rememberedIndex && m_current != nullptr && m_current == ChildOfRow(selection)) {
    m_current->setVisible(!m_noUserText->isVisibleTo(this));
    return;
  }
  g_rememberedIndex = selection < 0 ? 0 : selection;
  if (m_current != nullptr) {
    LeaveChild(m_current);
    m_current = nullptr;
  }
  UpdateDlg();
}

void CDlgOptions::OnUserSelectPage(int dialogId) {
  int slotIndex = kApplicationSlot;
  for (size_t i = 0; i < kSlotInfo.size(); ++i) {
    if (kSlotInfo[i].dialogId == dialogId) slotIndex = static_cast<int>(i);
  }
  SelectRow(m_slots[slotIndex].listIndex);
  OnListSelectChanged();
}

void CDlgOptions::ShowApplicationChild() {
  RebuildSelectionList();
  SelectRow(m_slots[kApplicationSlot].listIndex);
  OnListSelectChanged();
  if (m_slots[kApplicationSlot].child != nullptr) m_slots[kApplicationSlot].child->setFocus();
}

bool CDlgOptions::OnSetActive() {
  SelectRow(g_rememberedIndex);
  UpdateDlg();
  return true;
}

bool CDlgOptions::OnKillActive() {
  // Both greeting children: stopping one that plays or records nothing asks the audio thread
  // nothing.
  for (const Slot& slot : m_slots) {
    if (slot.child != nullptr && IsGreetingChild(slot.child)) slot.child->OnStopAudio();
  }
  return true;
}

void CDlgOptions::LeaveChild(COptionChild* child) {
  if (IsGreetingChild(child)) child->OnStopAudio();
  child->hide();
}

bool CDlgOptions::OnApply() {
  const WaitCursor wait;
  m_site.Services().SaveSettings();
  m_site.SetModified(false);
  return true;
}

void CDlgOptions::RefreshChildren() {
  for (const Slot& slot : m_slots) {
    if (slot.child != nullptr) slot.child->UpdateDlg();
  }
}

void CDlgOptions::SelectRow(int row) {
  m_selecting = true;
  m_list->setCurrentRow(row < m_list->count() ? row : -1);
  m_selecting = false;
}

COptionChild* CDlgOptions::ChildOfRow(int row) const {
  if (row < 0 || row >= m_list->count()) return nullptr;
  const intptr_t data = m_list->GetItemData(row);
  return data == -1 ? nullptr : reinterpret_cast<COptionChild*>(data);
}

bool CDlgOptions::IsGreetingChild(const COptionChild* child) const {
  return child == m_slots[2].child || child == m_slots[3].child;
}
