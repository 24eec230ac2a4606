#include "tests/ui/text_fit.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionGroupBox>

#include "ui/controls/button_ssl.h"

namespace qav::test {
namespace {

QString Shown(QString text) {
  text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
  return text;
}

QString Named(const QWidget* widget, const QString& text) {
  return QStringLiteral("%1 \"%2\" (%3)")
      .arg(widget->objectName(), text.left(40), QString::fromLatin1(widget->metaObject()->className()));
}

QString SizeText(QSize size) { return QStringLiteral("%1x%2").arg(size.width()).arg(size.height()); }

// What the widget must be given to show its text whole; empty when it has no text to read.
QSize Needed(const QWidget* widget, QString* text) {
  if (auto* label = qobject_cast<const QLabel*>(widget)) {
    *text = label->text();
    if (text->isEmpty()) return {};
    if (label->wordWrap()) return {0, label->heightForWidth(label->width())};
    return label->sizeHint();
  }
  if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
    *text = button->text();
    if (text->isEmpty()) return {};
    // The icon buttons know their own need: picture, caption and margins.
    if (dynamic_cast<const CButtonSSL*>(button) != nullptr) return button->sizeHint();
    if (qobject_cast<const QPushButton*>(button) != nullptr) {
      // A push button's hint has a least width of the style's; the text is what must fit.
      const QFontMetrics metrics(button->font());
      const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
      return {metrics.horizontalAdvance(Shown(*text)) + icon + 8, metrics.height() + 4};
    }
    return button->sizeHint();
  }
  if (auto* group = qobject_cast<const QGroupBox*>(widget)) {
    *text = group->title();
    if (text->isEmpty()) return {};
    QStyleOptionGroupBox option;
    option.initFrom(group);
    option.text = group->title();
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    if (group->isCheckable()) option.subControls |= QStyle::SC_GroupBoxCheckBox;
    const QRect title = group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
    return {title.right() + 1, title.bottom() + 1};
  }
  if (auto* combo = qobject_cast<const QComboBox*>(widget)) {
    *text = combo->currentText();
    if (combo->count() == 0) return {};
    return combo->sizeHint();  // the longest line, as the style draws it closed
  }
  return {};
}

bool Reads(const QWidget* widget) {
  return qobject_cast<const QLabel*>(widget) != nullptr || qobject_cast<const QAbstractButton*>(widget) != nullptr ||
         qobject_cast<const QComboBox*>(widget) != nullptr || qobject_cast<const QLineEdit*>(widget) != nullptr ||
         qobject_cast<const QPlainTextEdit*>(widget) != nullptr;
}

// Whether an ancestor below `top` hides part of the widget (a scroll area's viewport scrolls).
const QWidget* ClippingAncestor(const QWidget* widget, const QWidget* top) {
  QRect place = widget->rect();
  const QWidget* current = widget;
  while (current != top && current->parentWidget() != nullptr) {
    const QWidget* parent = current->parentWidget();
    place.translate(current->pos());
    if (qobject_cast<const QAbstractScrollArea*>(parent->parentWidget()) != nullptr) return nullptr;
    if (!parent->rect().contains(place)) return parent;
    current = parent;
  }
  return nullptr;
}

void Walk(const QWidget* widget, const QWidget* top, QStringList& problems) {
  QString text;
  const QSize needed = Needed(widget, &text);
  if (needed.isValid() && !text.isEmpty() &&
      (needed.width() > widget->width() || needed.height() > widget->height())) {
    problems << Named(widget, text) + QStringLiteral(" needs ") + SizeText(needed) + QStringLiteral(", has ") +
                    SizeText(widget->size());
  }
  if (widget != top && (Reads(widget) || !text.isEmpty())) {
    if (const QWidget* clip = ClippingAncestor(widget, top)) {
      problems << Named(widget, text) + QStringLiteral(" stands outside ") + Named(clip, QString());
    }
  }
  std::vector<const QWidget*> readable;
  for (const QObject* object : widget->children()) {
    auto* child = qobject_cast<const QWidget*>(object);
    if (child == nullptr || child->isWindow() || !child->isVisibleTo(top)) continue;
    Walk(child, top, problems);
    if (Reads(child)) readable.push_back(child);
  }
  for (size_t i = 0; i < readable.size(); ++i) {
    for (size_t j = i + 1; j < readable.size(); ++j) {
      if (readable[i]->geometry().intersects(readable[j]->geometry())) {
        problems << Named(readable[i], QString()) + QStringLiteral(" lies over ") + Named(readable[j], QString());
      }
    }
  }
}

}  // namespace

void SettleLayouts() {
  constexpr int kRounds = 16;  // deeper than any window's nesting of layouts
  for (int round = 0; round < kRounds; ++round) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::processEvents();
  }
}

QStringList CutTexts(const QWidget* top) {
  SettleLayouts();
  QStringList problems;
  Walk(top, top, problems);
  return problems;
}

}  // namespace qav::test
