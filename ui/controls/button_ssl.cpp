#include "ui/controls/button_ssl.h"

#include <QApplication>
#include <QEnterEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>
#include <algorithm>

#include "ui/controls/qt_color.h"
#include "ui/controls/ux_theme.h"

namespace {

constexpr COLORREF kFillWithStateColour = 0xFFFFFFFF;

}  // namespace

CButtonSSL::CButtonSSL(QWidget* parent, int buttonType) : COddButton(parent, buttonType) {
  const QPalette palette = QApplication::palette();
  const COLORREF face = ToColorRef(palette.color(QPalette::Button));
  const COLORREF text = ToColorRef(palette.color(QPalette::ButtonText));
  m_colors = {face, text, face, text, face, text, face,
              ToColorRef(palette.color(QPalette::Disabled, QPalette::ButtonText)), kFillWithStateColour, 0};
  EnableDefault(false);  // flat by default, and a flat button is never the default one
  setMouseTracking(true);
  connect(this, &QAbstractButton::clicked, this, [this] { OnClicked(); });
}

int CButtonSSL::SetColor(int slot, COLORREF colour, bool redraw) {
  if (slot < 0 || slot >= kColorSlots) return 0;
  m_colors[static_cast<size_t>(slot)] = colour;
  if (redraw) update();
  return 1;
}

COLORREF CButtonSSL::GetColor(int slot) const {
  return slot >= 0 && slot < kColorSlots ? m_colors[static_cast<size_t>(slot)] : 0;
}

void CButtonSSL::SetButtonStyle(int flags) {
  m_styleFlags = flags;
  if (flags & kStyleAutoSize) SizeToContent();
  EnableDefault((flags & kStyleFlat) == 0);
  update();
}

void CButtonSSL::SetStateAndRedraw(int alignFlags) {
  m_alignFlags = alignFlags;
  update();
}

void CButtonSSL::SetImageList(const CImageList& list, int index) {
  m_image = list.Extract(index);
  if (m_styleFlags & kStyleAutoSize) SizeToContent();
  updateGeometry();
  update();
}

void CButtonSSL::SetTooltipText(const QString& text, bool activate) {
  m_tooltip = text;
  setToolTip(activate ? text : QString());
  // A picture alone says nothing to a screen reader: the button is read by its tip.
  setAccessibleName(text);
}

void CButtonSSL::SetCheck(bool checked) {
  if (IsPushButton()) return;
  m_checked = checked;
  update();
}

int CButtonSSL::GetCheck() const { return !IsPushButton() && m_checked ? 1 : 0; }

CButtonSSL::State CButtonSSL::DrawState() const {
  if (!isEnabled()) return kDisabled;
  if (isDown() || m_checked) return kPressed;
  if (m_over) return kHot;
  return kNormal;
}

void CButtonSSL::OnClicked() {
  if (IsCheckBox()) {
    SetCheck(!m_checked);
  } else if (IsRadioButton()) {
    if (QWidget* parent = parentWidget()) {
      for (CButtonSSL* other : parent->findChildren<CButtonSSL*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (other != this && other->IsRadioButton() && other->m_group == m_group) other->SetCheck(false);
      }
    }
    SetCheck(true);
  }
}

QSize CButtonSSL::sizeHint() const {
  const QFontMetrics metrics(font());
  const QSize textSize = text().isEmpty() ? QSize() : metrics.size(Qt::TextShowMnemonic, text());
  int width = std::max(textSize.width(), m_image.Width()) + 6;
  if (!text().isEmpty() && !m_image.IsEmpty()) width += m_image.Width() + m_margin;
  if (m_styleFlags & kStyleMenu) width += 19;
  const int height = std::max(textSize.height(), m_image.Height()) + 6;
  return {width, height};
}

void CButtonSSL::SizeToContent() {
  resize(sizeHint());
  show();
}

void CButtonSSL::enterEvent(QEnterEvent* event) {
  m_over = true;
  update();
  COddButton::enterEvent(event);
}

void CButtonSSL::leaveEvent(QEvent* event) {
  m_over = false;
  update();
  COddButton::leaveEvent(event);
}

void CButtonSSL::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const State state = DrawState();
  const QColor background = ToQColor(m_colors[static_cast<size_t>(state) * 2]);
  const QColor foreground = ToQColor(m_colors[static_cast<size_t>(state) * 2 + 1]);
  const QRect area = rect();
  const QPalette& pal = palette();

  if (m_colors[BTNST_COLOR_BK_MODE] == kFillWithStateColour) painter.fillRect(area, background);

  // The frame: flat and shadowed while pressed, a rounded hover frame for a flat button, the
  // themed push-button face for any other.
  if (state == kPressed) {
    painter.setPen(pal.color(QPalette::Dark));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
  } else if (m_styleFlags & kStyleFlat) {
    if (m_over && state != kDisabled) {
      painter.setRenderHint(QPainter::Antialiasing);
      painter.setPen(pal.color(QPalette::Dark));
      painter.setBrush(pal.color(QPalette::Light));
      painter.drawRoundedRect(QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
      painter.setRenderHint(QPainter::Antialiasing, false);
    }
  } else {
    CUxTheme& theme = UxTheme();
    const int themeState = state == kDisabled ? PBS_DISABLED
                           : state == kPressed ? PBS_PRESSED
                           : state == kHot     ? PBS_HOT
                           : IsDefault()       ? PBS_DEFAULTED
                                               : PBS_NORMAL;
    HTHEME data = theme.OpenThemeData(this, u"BUTTON");
    if (!data || theme.DrawThemeBackground(data, painter, BP_PUSHBUTTON, themeState, area, nullptr) != S_OK) {
      qDrawShadePanel(&painter, area, pal, false, 1);
    }
    theme.CloseThemeData(data);
  }

  // The picture, aligned as asked; one pixel right and down while pressed.
  const int offset = state == kPressed ? 1 : 0;
  int textLeft = area.left();
  if (!m_image.IsEmpty()) {
    const int w = m_image.Width(), h = m_image.Height();
    int x = 3, y = 3;
    if (m_alignFlags & kAlignHCenter) {
      x = (area.width() - w) / 2;
      if (!text().isEmpty()) x = 3;
    } else if (m_alignFlags & kAlignRight) {
      x = area.width() - w - 3;
    }
    if (m_alignFlags & kAlignVCenter) {
      y = (area.height() - h) / 2;
    } else if (m_alignFlags & kAlignBottom) {
      y = area.height() - h - 3;
    }
    const QIcon icon = m_image.GetIcon(0);
    const QPixmap pixmap = icon.pixmap(QSize(w, h), state == kDisabled ? QIcon::Disabled : QIcon::Normal);
    painter.drawPixmap(x + offset, y + offset, pixmap);
    if (!(m_alignFlags & kAlignRight)) textLeft = x + w;
  }

  // The text, centred in the room the picture leaves; embossed when disabled.
  if (!text().isEmpty()) {
    painter.setFont(font());
    const QRect textRect = QRect(textLeft, area.top(), area.right() - textLeft, area.height()).translated(offset, offset);
    const int flags = Qt::AlignCenter | Qt::TextShowMnemonic;
    if (state == kDisabled) {
      painter.setPen(pal.color(QPalette::Base));
      painter.drawText(textRect.translated(1, 1), flags, text());
    }
    painter.setPen(foreground);
    painter.drawText(textRect, flags, text());
  }

  if (hasFocus() && IsPushButton()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = area.adjusted(3, 3, -3, -3);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
  }
}
