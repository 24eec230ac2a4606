#include "ui/options/option_child.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
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
#include "ui/options/options_sheet_link.h"
#include "ui/controls/ux_theme.h"

#include <algorithm>

namespace {
const std::u16string kBoxCaption = u"QAV";
// Marks the buttons that show only an icon outside screen-reader mode.
const char kIconButtonProperty[] = "qavIconButton";
constexpr int kLineGap = 4;

bool Overlaps(const QRect& a, const QRect& b) { return a.top() <= b.bottom() && b.top() <= a.bottom(); }
}  // namespace

COptionChild::COptionChild(COptionsSheetLink& sheet, int dialogId, const char* className, QWidget* parent)
    : QWidget(parent), m_sheet(sheet), m_dialogId(dialogId), m_className(className) {
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

void COptionChild::SetModified() { m_sheet.SetModified(true); }

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
  if (static_cast<uint32_t>(value) > limit) {
    qav::ShowMessageBox(message, kBoxCaption, boxType);
    // The edit notifies again; that round finds the setting's own value and stores nothing.
    edit->setText(QString::number(option.Get()));
    return;
  }
  if (option.Get() == value) return;
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

void COptionChild::SetText(int id, int stringId) {
  QWidget* control = findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
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

void COptionChild::ColourIconButton(CButtonSSL* button, int image) {
  const QColor face = QApplication::palette().color(QPalette::Button);
  const COLORREF fallback = RGB(face.red(), face.green(), face.blue());
  const COLORREF colour = ThemedTabBodyColor(button->parentWidget(), TMT_FILLCOLORHINT, fallback);
  if (g_pImageLists != nullptr) button->SetImageList(g_pImageLists->m_smallButtonList, image);
  button->SetButtonStyle(0);
  // The picture in the middle; with a caption (screen-reader mode) it stands at the left, its
  // middle on the caption's line.
  button->SetStateAndRedraw(CButtonSSL::kAlignHCenter | CButtonSSL::kAlignVCenter);
  if (!button->property(kIconButtonProperty).toBool()) {
    button->setProperty(kIconButtonProperty, true);
    // Showing or hiding a button (a row that comes and goes) changes the screen-reader lines.
    button->installEventFilter(this);
  }
  for (int slot : {CButtonSSL::BTNST_COLOR_BK_IN, CButtonSSL::BTNST_COLOR_BK_HOT, CButtonSSL::BTNST_COLOR_BK_PRESSED,
                   CButtonSSL::BTNST_COLOR_BK_DISABLED}) {
    button->SetColor(slot, colour, true);
  }
}

void COptionChild::SetIconButtonTip(CButtonSSL* button, int stringId) {
  const QString tip = Lang(stringId);
  button->SetTooltipText(tip);
  button->setAccessibleName(tip);
  button->setText(ScreenReaderMode() ? tip : QString());
  FitIconButtons();
}

bool COptionChild::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) FitIconButtons();
  return QWidget::eventFilter(watched, event);
}

QRect COptionChild::DesignGeometry(QWidget* control) {
  for (const DesignPlace& place : m_design) {
    if (place.control == control) return place.geometry;
  }
  // Not seen before: the child placed it and nothing has moved it yet.
  m_design.push_back({control, control->geometry()});
  return control->geometry();
}

void COptionChild::PlaceControl(QWidget* control, const QRect& geometry) {
  for (DesignPlace& place : m_design) {
    if (place.control == control) place.geometry = geometry;
  }
  control->setGeometry(geometry);
}

void COptionChild::FitIconButtons() {
  if (m_fitting) return;
  // Nothing to undo: outside screen-reader mode a child that was never fitted keeps its own layout.
  if (!ScreenReaderMode() && m_design.empty()) return;
  m_fitting = true;
  // The child's own code may resize it (while it is built); that size is its design size.
  if (m_design.empty() || size() != m_fittedSize) m_designSize = size();
  std::vector<QWidget*> controls;
  for (QObject* object : children()) {
    if (auto* control = qobject_cast<QWidget*>(object); control != nullptr && !control->isWindow()) {
      control->setGeometry(DesignGeometry(control));
      controls.push_back(control);
    }
  }
  int added = 0;
  if (ScreenReaderMode()) {
    std::vector<CButtonSSL*> buttons;
    for (QWidget* control : controls) {
      auto* button = dynamic_cast<CButtonSSL*>(control);
      if (button != nullptr && button->property(kIconButtonProperty).toBool() && !button->isHidden()) {
        buttons.push_back(button);
      }
    }
    std::sort(buttons.begin(), buttons.end(), [](const CButtonSSL* a, const CButtonSSL* b) {
      return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
    });
    // Rows: buttons side by side. From the bottom up, so that a row's new lines never move a row
    // still to be laid out.
    std::vector<std::vector<CButtonSSL*>> rows;
    for (CButtonSSL* button : buttons) {
      if (rows.empty() || !Overlaps(rows.back().front()->geometry(), button->geometry())) rows.emplace_back();
      rows.back().push_back(button);
    }
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
      QRect span;
      for (const CButtonSSL* button : *row) span |= button->geometry();
      // The row is the buttons and what stands beside them on their left (label, edit, box).
      int bottom = span.bottom();
      int left = span.left();
      for (QWidget* control : controls) {
        if (control->isHidden() || qobject_cast<QGroupBox*>(control) != nullptr) continue;
        if (std::find(row->begin(), row->end(), control) != row->end()) continue;
        const QRect place = control->geometry();
        if (!Overlaps(place, span) || place.left() >= span.left()) continue;
        bottom = std::max(bottom, place.bottom());
        left = std::min(left, place.left());
      }
      const int linesTop = bottom + 1 + kLineGap;
      std::vector<CButtonSSL*> sorted = *row;
      std::sort(sorted.begin(), sorted.end(), [](const CButtonSSL* a, const CButtonSSL* b) { return a->x() < b->x(); });
      const int height = PlaceIconButtonLines(sorted, left, span.right() + 1, linesTop);
      // Below the row everything moves down; a frame around the row grows.
      for (QWidget* control : controls) {
        if (std::find(row->begin(), row->end(), control) != row->end()) continue;
        const QRect place = control->geometry();
        if (place.top() > bottom) {
          control->move(place.x(), place.y() + height);
        } else if (place.bottom() > bottom) {
          control->resize(place.width(), place.height() + height);
        }
      }
      added += height;
    }
  }
  resize(m_designSize.width(), m_designSize.height() + added);
  m_fittedSize = size();
  m_fitting = false;
}

int COptionChild::PlaceIconButtonLines(const std::vector<CButtonSSL*>& row, int left, int right, int top) const {
  int x = left;
  int y = top;
  int lineHeight = 0;
  for (CButtonSSL* button : row) {
    const int width = std::max(button->width(), button->sizeHint().width());
    const int height = button->height();
    if (x > left && x + width > right) {
      x = left;
      y += lineHeight + kLineGap;
      lineHeight = 0;
    }
    button->setGeometry(x, y, width, height);
    x += width + kLineGap;
    lineHeight = std::max(lineHeight, height);
  }
  // The gap above the lines and the lines; the row's old gap to what follows stays below them.
  return kLineGap + (y + lineHeight - top);
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
