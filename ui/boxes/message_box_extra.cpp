#include "ui/boxes/message_box_extra.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QRegularExpression>
#include <QScreen>
#include <algorithm>

#include "foundation/logger.h"
#include "ui/boxes/countdown_message_box.h"

QString ReplaceCountdownMark(const QString& text, uint32_t seconds) {
  QString out = text;
  out.replace(QRegularExpression(QStringLiteral("<t>"), QRegularExpression::CaseInsensitiveOption),
              QString::number(seconds));
  return out;
}

QPoint KeepInsideWorkArea(const QPoint& asked, const QSize& size, const QRect& workArea) {
  int x = std::max(asked.x(), workArea.left());
  int y = std::max(asked.y(), workArea.top());
  if (x + size.width() > workArea.left() + workArea.width()) x = workArea.left() + workArea.width() - size.width();
  if (y + size.height() > workArea.top() + workArea.height()) y = workArea.top() + workArea.height() - size.height();
  return {x, y};
}

int MessageBoxExtra(QWidget* owner, const QString& text, const QString& caption, uint32_t type,
                    const MSGBOXEXTRA* extra) {
  if (!extra || extra->cbSize != sizeof(MSGBOXEXTRA)) {
    QAV_LOG(LOG_WARNING, u"MessageBoxExtra: Invalid pointer given");
    return -1;
  }
  if ((extra->dwFlags & MSGBOXEXTRA_CHECKBOX) && (!extra->puValue || !extra->pcszCheckBoxText)) {
    QAV_LOG(LOG_WARNING, u"MessageBoxExtra: Invalid puValue or pcszCheckBoxText");
    return -1;
  }
  if ((extra->dwFlags & MSGBOXEXTRA_SET_POS) && (extra->dwFlags & MSGBOXEXTRA_CENTER)) {
    QAV_LOG(LOG_WARNING, u"MessageBoxExtra: MSGBOXEXTRA_SET_POS and MSGBOXEXTRA_CENTER - mutually exclusive!");
    return -1;
  }

  CCountdownMessageBox box(owner, text, caption, type);
  if (extra->dwFlags & MSGBOXEXTRA_CENTER_TEXT) {
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) label->setAlignment(Qt::AlignHCenter);
  }
  // Qt's box already lines its buttons up at the right edge, so MSGBOXEXTRA_BUTTONS_RIGHT asks for
  // nothing more.
  if (extra->dwFlags & MSGBOXEXTRA_CHECKBOX) {
    auto* check = new QCheckBox(QString::fromUtf16(extra->pcszCheckBoxText));
    check->setChecked(*extra->puValue != 0);
    uint32_t* value = extra->puValue;
    QObject::connect(check, &QCheckBox::toggled, [value](bool on) { *value = on ? 1 : 0; });
    box.setCheckBox(check);
  }
  if (extra->dwFlags & MSGBOXEXTRA_COUNTDOWN) box.StartCountdown(extra->seconds);
  if ((extra->dwFlags & (MSGBOXEXTRA_CENTER | MSGBOXEXTRA_SET_POS)) != 0) {
    box.adjustSize();
    const QSize size = box.sizeHint().expandedTo(box.size());
    if ((extra->dwFlags & MSGBOXEXTRA_CENTER) && owner) {
      const QRect area = owner->frameGeometry();
      box.move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    } else if (extra->dwFlags & MSGBOXEXTRA_SET_POS) {
      const QPoint asked(extra->x, extra->y);
      const QScreen* screen = QGuiApplication::screenAt(asked);
      if (!screen) screen = QGuiApplication::primaryScreen();
      if (screen) box.move(KeepInsideWorkArea(asked, size, screen->availableGeometry()));
    }
  }
  return box.Run();
}
