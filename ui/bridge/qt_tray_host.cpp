#include "ui/bridge/qt_tray_host.h"

#include <QCursor>
#include <algorithm>

#include "ui/controls/title_menu.h"

CQtTrayHost::CQtTrayHost(const CImageList& trayImages) : m_images(trayImages) {
  m_balloonEnd.setSingleShot(true);
  QObject::connect(&m_balloonEnd, &QTimer::timeout, [this] { Post(CTrayEvent::kBalloonTimedOut); });
}

CQtTrayHost::~CQtTrayHost() { Remove(); }

void CQtTrayHost::Post(CTrayEvent event) {
  if (m_onEvent) m_onEvent(event);
}

bool CQtTrayHost::Add(EventSink onEvent, int image, std::u16string_view tooltip) {
  m_onEvent = std::move(onEvent);
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
  m_icon = std::make_unique<QSystemTrayIcon>(m_images.GetIcon(image));
  QObject::connect(m_icon.get(), &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
      case QSystemTrayIcon::Trigger:
      case QSystemTrayIcon::DoubleClick:
        Post(CTrayEvent::kLeftButtonUp);
        break;
      case QSystemTrayIcon::Context:
        Post(CTrayEvent::kRightButtonUp);
        break;
      default:
        break;
    }
  });
  QObject::connect(m_icon.get(), &QSystemTrayIcon::messageClicked, [this] {
    m_balloonEnd.stop();
    Post(CTrayEvent::kBalloonClicked);
  });
  m_icon->setToolTip(QString::fromStdU16String(std::u16string(tooltip)));
  m_icon->show();
  return m_icon->isVisible();
}

bool CQtTrayHost::SetImage(int image) {
  if (!m_icon || !m_icon->isVisible()) return false;
  m_icon->setIcon(m_images.GetIcon(image));
  return true;
}

bool CQtTrayHost::SetTooltip(std::u16string_view tooltip) {
  if (!m_icon) return false;
  const QString text = QString::fromStdU16String(std::u16string(tooltip));
  if (m_icon->toolTip() != text) m_icon->setToolTip(text);
  return true;
}

int32_t CQtTrayHost::BalloonDurationMs(int32_t askedMs) {
  if (askedMs <= 0) return kLongestBalloonMs;
  return std::clamp(askedMs, kShortestBalloonMs, kLongestBalloonMs);
}

bool CQtTrayHost::ShowBalloon(std::u16string_view title, std::u16string_view text, int32_t durationMs) {
  if (!m_icon || !m_icon->isVisible() || title.empty() || text.empty()) return false;
  const int32_t duration = BalloonDurationMs(durationMs);
  m_icon->showMessage(QString::fromStdU16String(std::u16string(title)), QString::fromStdU16String(std::u16string(text)),
                      QSystemTrayIcon::Information, duration);
  Post(CTrayEvent::kBalloonShown);
  m_balloonEnd.start(duration);
  return true;
}

void CQtTrayHost::Remove() {
  m_balloonEnd.stop();
  if (m_icon) m_icon->hide();
  m_icon.reset();
}

CTrayPoint CQtTrayHost::CursorPos() {
  const QPoint at = QCursor::pos();
  return {at.x(), at.y()};
}

uint32_t CQtTrayHost::TrackMenu(const std::vector<CTrayMenuItem>& items, CTrayPoint at, bool rightToLeft) {
  CTitleMenu menu;
  menu.SetRightToLeft(rightToLeft);
  for (const CTrayMenuItem& item : items) {
    if (item.id == 0) {
      menu.AppendMenu(MF_SEPARATOR, 0, QString());
    } else {
      menu.AppendMenu(MF_STRING, item.id, QString::fromStdU16String(item.text));
      if (item.isDefault) menu.SetDefaultItem(item.id);
    }
  }
  return menu.TrackPopupMenu(QPoint(at.x, at.y));
}
