#include "ui/controls/hyper_link.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

#include "platform/message_box.h"
#include "platform/open_errors.h"
#include "ui/controls/qt_color.h"

namespace {
CHyperLink::Opener& DefaultOpener() {
  static CHyperLink::Opener opener;
  return opener;
}
}  // namespace

void CHyperLink::SetDefaultOpener(Opener opener) { DefaultOpener() = std::move(opener); }

CHyperLink::CHyperLink(const QString& text, QWidget* parent)
    : QLabel(text, parent), m_backgroundColour(ToColorRef(QApplication::palette().color(QPalette::Button))) {
  setCursor(Qt::PointingHandCursor);
  m_url = text;
  setToolTip(m_url);
  Refresh();
}

void CHyperLink::SetColours(COLORREF link, COLORREF visited, COLORREF hover, COLORREF background) {
  m_linkColour = link;
  m_visitedColour = visited;
  m_hoverColour = hover == kNoColour ? ToColorRef(QApplication::palette().color(QPalette::Highlight)) : hover;
  m_backgroundColour = background;
  Refresh();
}

void CHyperLink::SetURL(const QString& url) {
  m_url = url;
  // A link without its own text shows its address.
  if (text().isEmpty()) setText(url);
  FitToText();
  if (m_tooltipActive) setToolTip(m_url);
}

void CHyperLink::SetAutoSize(bool autoSize) {
  m_adjustToFit = autoSize;
  FitToText();
}

void CHyperLink::SetUnderline(int mode) {
  m_underline = mode;
  Refresh();
}

void CHyperLink::SetAutoOpen(bool follow) { m_followOnClick = follow; }

void CHyperLink::SetVisited(bool visited) {
  m_visited = visited;
  Refresh();
}

void CHyperLink::ActivateTooltip(bool active) {
  m_tooltipActive = active;
  setToolTip(active ? m_url : QString());
}

bool CHyperLink::IsUnderlinedNow() const {
  return m_underline == kUnderlineAlways || (m_underline == kUnderlineHover && m_over);
}

COLORREF CHyperLink::CurrentTextColour() const {
  if (m_over) return m_hoverColour;
  return m_visited ? m_visitedColour : m_linkColour;
}

QString CHyperLink::OpenErrorText(int code) { return QString::fromStdU16String(qav::OpenErrorText(code)); }

void CHyperLink::OnClicked() {
  if (!m_followOnClick) {
    SetVisited(true);
    emit clicked();
    return;
  }
  const Opener& opener = m_opener ? m_opener : DefaultOpener();
  if (opener && !m_url.isEmpty() && opener(m_url.toStdU16String())) {
    SetVisited(true);
  } else {
    // The opener says only that nothing could open the address (and logs it): the user's lack of
    // a handler.
    QApplication::beep();
    const QString text = QStringLiteral("Unable to open hyperlink:\n\n") + OpenErrorText(31);
    qav::ShowMessageBox(text.toStdU16String(), u"QAV", qav::MB_OK | qav::MB_ICONEXCLAMATION);
  }
  emit clicked();
}

void CHyperLink::FitToText() {
  if (!m_adjustToFit || text().isEmpty()) return;
  QFont underlined = font();
  underlined.setUnderline(true);
  const QSize textSize = QFontMetrics(underlined).size(Qt::TextSingleLine, text());
  const int frame = frameWidth() * 2;
  const QRect old = geometry();
  QRect fitted(old.topLeft(), QSize(textSize.width() + frame, old.height()));
  if (alignment() & Qt::AlignHCenter)
    fitted.moveLeft(old.left() + (old.width() - fitted.width()) / 2);
  else if (alignment() & Qt::AlignRight)
    fitted.moveRight(old.right());
  if (!(alignment() & Qt::AlignVCenter)) fitted.setHeight(textSize.height() + frame);
  setGeometry(fitted);
}

void CHyperLink::Refresh() {
  QFont face = font();
  if (face.underline() != IsUnderlinedNow()) {
    face.setUnderline(IsUnderlinedNow());
    setFont(face);
  }
  QPalette colours = palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    colours.setColor(group, QPalette::WindowText, ToQColor(CurrentTextColour()));
  setPalette(colours);
  update();
}

void CHyperLink::paintEvent(QPaintEvent* event) {
  if (m_backgroundColour != kNoColour) {
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(m_backgroundColour));
  }
  QLabel::paintEvent(event);
}

void CHyperLink::enterEvent(QEnterEvent* event) {
  m_over = true;
  Refresh();
  QLabel::enterEvent(event);
}

void CHyperLink::leaveEvent(QEvent* event) {
  m_over = false;
  Refresh();
  QLabel::leaveEvent(event);
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) OnClicked();
}

void CHyperLink::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::FontChange && !text().isEmpty()) FitToText();
}
