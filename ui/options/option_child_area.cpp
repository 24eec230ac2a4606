#include "ui/options/option_child_area.h"

#include <QEvent>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace {
// The room the largest child wishes for: what the page asks of the sheet.
QSize LargestHint(const QWidget* column) {
  QSize size;
  for (const QObject* object : column->children()) {
    auto* child = qobject_cast<const QWidget*>(object);
    if (child == nullptr || child->isWindow()) continue;
    // Hidden children count too: the sheet keeps one size whichever child is chosen.
    size = size.expandedTo(child->sizeHint());
  }
  return size;
}
}  // namespace

// The column the children stand in; its hint is the largest child's, shown or not.
class COptionChildArea::Column : public QWidget {
 public:
  explicit Column(COptionChildArea* area) : QWidget(area), m_area(area), m_layout(new QVBoxLayout(this)) {
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
  }
  void Add(QWidget* child) { m_layout->insertWidget(m_layout->count(), child); }
  QSize sizeHint() const override { return LargestHint(this); }
  QSize minimumSizeHint() const override {
    // What the shown child needs (the layout leaves hidden ones out): a child lays out to the
    // page's width, and the area scrolls sideways only when the screen leaves less than that
    // child itself needs, never for another child that is wider.
    return m_layout->minimumSize();
  }
  bool event(QEvent* event) override {
    const bool handled = QWidget::event(event);
    // A child grew or shrank (a mode, a language): the area asks its page for the new room; a
    // scroll area's viewport passes no such news up by itself.
    if (event->type() == QEvent::LayoutRequest) m_area->updateGeometry();
    return handled;
  }

 private:
  COptionChildArea* m_area;
  QVBoxLayout* m_layout;
};

COptionChildArea::COptionChildArea(QWidget* parent) : QScrollArea(parent), m_column(new Column(this)) {
  setFrameShape(QFrame::NoFrame);
  // The area draws nothing of its own: Tab goes from the list straight to the child's first
  // control (the area still scrolls to a control that takes the focus).
  setFocusPolicy(Qt::NoFocus);
  setWidgetResizable(true);
  setWidget(m_column);
}

void COptionChildArea::AddChild(QWidget* child) {
  m_column->Add(child);
  updateGeometry();
}

QSize COptionChildArea::sizeHint() const {
  // QScrollArea's own hint stops at a few dozen lines of text; this area wants its whole child.
  const int frame = 2 * frameWidth();
  return m_column->sizeHint() + QSize(frame, frame);
}

QSize COptionChildArea::minimumSizeHint() const {
  // Room for a few lines of a few words and the scroll bars: below that the user scrolls.
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  const QFontMetrics metrics = fontMetrics();
  return {std::min(m_column->sizeHint().width(), 30 * metrics.averageCharWidth()) + bar, 8 * metrics.height() + bar};
}
