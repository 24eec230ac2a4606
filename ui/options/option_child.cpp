#include "ui/options/option_child.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>

#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/message_box.h"
#include "platform/mount_point.h"
#include "platform/text.h"
#include "ui/art/app_image_lists.h"
#include "ui/controls/button_ssl.h"
#include "ui/options/options_page_site.h"
#include "ui/controls/ux_theme.h"
#include "ui/options/icon_button_bar.h"

namespace {
const std::u16string kBoxCaption = u"QAV";
// Room beside a number edit's digits for its frame and margins.
constexpr int kNumberEditPadding = 12;
}  // namespace

COptionChild::COptionChild(COptionsPageSite& site, int dialogId, const char* className, QWidget* parent)
    : QWidget(parent), m_site(site), m_dialogId(dialogId), m_className(className) {
  setObjectName(QString::number(dialogId));
}

void COptionChild::OnUpdateDlg() {
  Trace("OnUpdateDlg");
  UpdateDlg();
}

std::u16string COptionChild::FromEditText(const QString& text) {
  QString withBreaks = text;
  withBreaks.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  withBreaks.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return withBreaks.toStdU16String();
}

QString COptionChild::ToEditText(const std::u16string& text) {
  QString shown = QString::fromStdU16String(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return shown;
}

QString COptionChild::Lang(int id) { return QString::fromStdU16String(GetLangString(id)); }

void COptionChild::Trace(const char* operation) const {
  QAV_LOG(LOG_FINE, u"%s::%s", m_className, operation);
}

CSheetServices& COptionChild::Services() { return m_site.Services(); }

void COptionChild::SetModified() { m_site.SetModified(true); }

void COptionChild::OnCheck(const QAbstractButton* box, COptionInt& option) {
  option = box->isChecked() ? 1 : 0;
  SetModified();
}

void COptionChild::OnRadio(COptionInt& option, int value) {
  if (option.Get() == value) return;
  option = value;
  SetModified();
}

bool COptionChild::OnTextEdit(const std::u16string& text, COptionText& option) {
  if (option.Get() == text) return false;
  option = text;
  SetModified();
  return true;
}

void COptionChild::OnNumberEdit(QLineEdit* edit, COptionInt& option, uint32_t limit,
                                const std::u16string& message, uint32_t boxType) {
  const int32_t value = DecimalTextToInt(edit->text());
  // The edit shows the setting itself: the page set it (built or refreshed), or the refusal below
  // put it back. Nothing to store and nothing the user typed to refuse, even where a settings file
  // holds a number beyond the limit: the page shows it as stored.
  if (option.Get() == value) return;
  if (static_cast<uint32_t>(value) > limit) {
    qav::ShowMessageBox(message, kBoxCaption, boxType);
    edit->setText(QString::number(option.Get()));
    return;
  }
  option = value;
  SetModified();
}

void COptionChild::OnCombo(const QComboBox* combo, COptionInt& option) {
  const int32_t value = combo->currentData().toInt();
  if (option.Get() == value) return;
  option = value;
  SetModified();
}

void COptionChild::ShowAndEnable(QWidget* control, bool on) {
  control->setVisible(on);
  control->setEnabled(on);
}

bool COptionChild::IsOnAppDrive(const std::u16string& path) {
  std::u16string mount = qav::MountPointOf(path).value_or(u"/");
  if (mount == u"/") mount.clear();  // the root file system, as GetAppDrive names it
  return mount == GetAppDrive();
}

bool COptionChild::AdvancedMode() { return g_AdvancedSettingMode.Get() != 0; }
bool COptionChild::ScreenReaderMode() { return g_ScreenReaderFriendlyMode.Get() != 0; }

void COptionChild::FitToDigits(QLineEdit* edit, int digits) {
  edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QString(digits, QLatin1Char('0'))) + kNumberEditPadding);
}

QWidget* COptionChild::ControlById(int id) const {
  for (QWidget* control : findChildren<QWidget*>()) {
    if (control->property(kControlIdProperty).toInt() == id) return control;
  }
  return nullptr;
}

void COptionChild::SetText(int id, int stringId) {
  QWidget* control = ControlById(id);
  if (control == nullptr) return;
  const QString text = Lang(stringId);
  if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->setText(text);
  } else if (auto* label = qobject_cast<QLabel*>(control)) {
    label->setText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
    group->setTitle(text);
  }
}

CIconButtonBar* COptionChild::AddIconBar(std::initializer_list<CButtonSSL*> buttons) {
  auto* bar = new CIconButtonBar(buttons, this);
  m_iconBars.push_back(bar);
  bar->ShowCaptions(ScreenReaderMode());
  return bar;
}

void COptionChild::ArrangeIconBars() {
  for (CIconButtonBar* bar : m_iconBars) bar->ShowCaptions(ScreenReaderMode());
}

void COptionChild::ColourIconButton(CButtonSSL* button, int image) {
  const QColor face = QApplication::palette().color(QPalette::Button);
  const COLORREF fallback = RGB(face.red(), face.green(), face.blue());
  const COLORREF colour = ThemedTabBodyColor(button->parentWidget(), TMT_FILLCOLORHINT, fallback);
  if (g_pImageLists != nullptr) button->SetImageList(g_pImageLists->m_smallButtonList, image);
  button->SetButtonStyle(0);
  // The picture in the middle; with a caption (screen-reader mode) it stands at the left, its
  // middle on the caption's line.
  button->SetStateAndRedraw(CButtonSSL::kAlignHCenter | CButtonSSL::kAlignVCenter);
  for (int slot : {CButtonSSL::BTNST_COLOR_BK_IN, CButtonSSL::BTNST_COLOR_BK_HOT, CButtonSSL::BTNST_COLOR_BK_PRESSED,
                   CButtonSSL::BTNST_COLOR_BK_DISABLED}) {
    button->SetColor(slot, colour, true);
  }
}

void COptionChild::SetIconButtonTip(CButtonSSL* button, int stringId) {
  const QString tip = Lang(stringId);
  button->SetTooltipText(tip);
  button->setText(ScreenReaderMode() ? tip : QString());
  ArrangeIconBars();
}

int32_t DecimalTextToInt(const QString& text) {
  const QString trimmed = text.trimmed();
  int i = 0;
  bool negative = false;
  if (i < trimmed.size() && (trimmed[i] == '-' || trimmed[i] == '+')) negative = trimmed[i++] == '-';
  uint32_t value = 0;
  for (; i < trimmed.size() && trimmed[i] >= '0' && trimmed[i] <= '9'; ++i) {
    value = value * 10u + static_cast<uint32_t>(trimmed[i].unicode() - '0');
  }
  return static_cast<int32_t>(negative ? 0u - value : value);
}
