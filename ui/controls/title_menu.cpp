#include "ui/controls/title_menu.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>
#include <QStyle>
#include <QWidgetAction>

namespace {

constexpr const char* kIdProperty = "qavCommandId";

// The width of a menu's check mark (the system's SM_CXMENUCHECK): the style's check indicator.
int MenuCheckWidth() { return QApplication::style()->pixelMetric(QStyle::PM_IndicatorWidth); }

// A menu's entries in the menu's own direction. The painter a menu draws with takes the
// application's direction, not the menu's, and the style lays an entry out by the painter's: a
// right-to-left menu in a left-to-right program would show its entries at the left.
class MenuDirectionStyle : public QProxyStyle {
 public:
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    painter->save();
    painter->setLayoutDirection(option->direction);
    QProxyStyle::drawControl(element, option, painter, widget);
    painter->restore();
  }
};

// The title band: a horizontal gradient with the title in bold, as wide as the title plus a check
// mark's width and 10 pixels, and two pixels taller than the title.
class TitleBand : public QWidget {
 public:
  TitleBand(const QString& title, QColor start, QColor end, QColor text)
      : m_title(title), m_start(start), m_end(end), m_text(text) {
    QFont bold = QApplication::font();
    bold.setWeight(QFont::Bold);
    setFont(bold);
  }

  QSize sizeHint() const override {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_title) + MenuCheckWidth() + 10, metrics.height() + 2};
  }
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    // The band less its last column and row.
    const QRect band(0, 0, width() - 1, height() - 1);
    if (m_start != m_end) {
      QLinearGradient gradient(band.topLeft(), band.topRight());
      gradient.setColorAt(0, m_start);
      gradient.setColorAt(1, m_end);
      painter.fillRect(band, gradient);
    } else {
      painter.fillRect(band, m_start);
    }
    painter.setPen(m_text);
    painter.drawText(rect().adjusted(MenuCheckWidth() + 8, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                     m_title);
  }

 private:
  QString m_title;
  QColor m_start, m_end, m_text;
};

}  // namespace

CTitleMenu::CTitleMenu(QWidget* parent) : m_menu(std::make_unique<QMenu>(parent)) {
  // The desktop's active caption colours, as Qt's styles paint an active title bar: the caption
  // colour is the highlight, its gradient runs to the base colour, its text is the highlighted
  // text's.
  const QPalette palette = QApplication::palette();
  m_gradientStart = palette.color(QPalette::Active, QPalette::Highlight);
  m_gradientEnd = palette.color(QPalette::Active, QPalette::Base);
  m_titleText = palette.color(QPalette::Active, QPalette::HighlightedText);
}

CTitleMenu::~CTitleMenu() = default;

void CTitleMenu::SetRightToLeft(bool rightToLeft) {
  m_rightToLeft = rightToLeft;
  m_menu->setLayoutDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
  if (rightToLeft != QApplication::isRightToLeft() && !m_menu->findChild<MenuDirectionStyle*>()) {
    auto* style = new MenuDirectionStyle;
    style->setParent(m_menu.get());  // a widget does not own its style
    m_menu->setStyle(style);
  }
}

void CTitleMenu::SetImageList(const CImageList& list) {
  m_imagesOn = true;
  m_images = list;
  for (const auto& [id, image] : m_imageOfItem) {
    if (QAction* action = FindItem(id)) action->setIcon(m_images.GetIcon(image));
  }
}

QAction* CTitleMenu::MakeItem(uint32_t flags, uint32_t id, const QString& text) {
  QAction* action = nullptr;
  if (flags & MF_SEPARATOR) {
    action = new QAction(m_menu.get());
    action->setSeparator(true);
    action->setProperty(kIdProperty, 0u);
    return action;
  }
  action = new QAction(text, m_menu.get());
  action->setProperty(kIdProperty, id);
  action->setEnabled((flags & (MF_GRAYED | MF_DISABLED)) == 0);
  if (flags & MF_CHECKED) {
    action->setCheckable(true);
    action->setChecked(true);
  }
  return action;
}

bool CTitleMenu::AppendMenu(uint32_t flags, uint32_t id, const QString& text, int image) {
  return InsertMenu(static_cast<int>(m_menu->actions().size()), flags, id, text, image);
}

bool CTitleMenu::InsertMenu(int position, uint32_t flags, uint32_t id, const QString& text, int image) {
  QAction* action = MakeItem(flags, id, text);
  const QList<QAction*> actions = m_menu->actions();
  QAction* before = position >= 0 && position < actions.size() ? actions[position] : nullptr;
  m_menu->insertAction(before, action);
  if (image != -1 && !(flags & MF_SEPARATOR)) SetItemImage(id, image);
  return true;
}

void CTitleMenu::SetItemImage(uint32_t id, int image) {
  QAction* action = FindItem(id);
  if (!m_imagesOn || !action || action->isSeparator()) return;
  m_imageOfItem[id] = image;
  action->setIcon(m_images.GetIcon(image));
  action->setIconVisibleInMenu(true);
}

int CTitleMenu::GetItemImage(uint32_t id) const {
  const auto it = m_imageOfItem.find(id);
  return it == m_imageOfItem.end() ? -1 : it->second;
}

void CTitleMenu::SetDefaultItem(uint32_t id) { m_menu->setDefaultAction(FindItem(id)); }

uint32_t CTitleMenu::GetDefaultItem() const {
  const QAction* action = m_menu->defaultAction();
  return action ? action->property(kIdProperty).toUInt() : 0;
}

void CTitleMenu::SetTitleColors(const QColor& gradientStart, const QColor& gradientEnd, const QColor& text) {
  m_gradientStart = gradientStart;
  m_gradientEnd = gradientEnd;
  m_titleText = text;
}

void CTitleMenu::AddTitle(const QString& title, bool withImages, const CImageList* list) {
  m_title = QString(title).remove(QLatin1Char('&'));
  auto* band = new QWidgetAction(m_menu.get());
  band->setDefaultWidget(new TitleBand(m_title, m_gradientStart, m_gradientEnd, m_titleText));
  band->setProperty(kIdProperty, kTitleId);
  band->setEnabled(false);
  const QList<QAction*> actions = m_menu->actions();
  m_menu->insertAction(actions.isEmpty() ? nullptr : actions.first(), band);
  if (withImages && list) SetImageList(*list);
}

QAction* CTitleMenu::FindItem(uint32_t id) const {
  if (id == 0) return nullptr;
  for (QAction* action : m_menu->actions()) {
    if (!action->isSeparator() && action->property(kIdProperty).toUInt() == id) return action;
  }
  return nullptr;
}

std::vector<uint32_t> CTitleMenu::ItemIds() const {
  std::vector<uint32_t> ids;
  for (QAction* action : m_menu->actions()) ids.push_back(action->isSeparator() ? 0 : action->property(kIdProperty).toUInt());
  return ids;
}

uint32_t CTitleMenu::TrackPopupMenu(const QPoint& at) {
  QAction* chosen = m_menu->exec(at);
  return chosen && !chosen->isSeparator() ? chosen->property(kIdProperty).toUInt() : 0;
}
