#include "ui/controls/image_list.h"

#include <QImage>
#include <QPainter>

int CImageList::AddStrip(const QImage& strip, unsigned maskColour) {
  if (strip.isNull() || m_width <= 0 || m_height <= 0 || strip.width() < m_width || strip.height() < m_height) {
    return -1;
  }
  QImage image = strip.convertToFormat(QImage::Format_ARGB32);
  if (!strip.hasAlphaChannel()) {
    const QRgb mask = qRgb((maskColour >> 16) & 0xFF, (maskColour >> 8) & 0xFF, maskColour & 0xFF);
    for (int y = 0; y < image.height(); ++y) {
      auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < image.width(); ++x) {
        if ((row[x] & 0xFFFFFF) == (mask & 0xFFFFFF)) row[x] = 0;
      }
    }
  }
  const int first = GetImageCount();
  for (int x = 0; x + m_width <= image.width(); x += m_width) {
    m_images.push_back(QPixmap::fromImage(image.copy(x, 0, m_width, m_height)));
  }
  return first;
}

QPixmap CImageList::GetImage(int index) const {
  if (index < 0 || index >= GetImageCount()) return {};
  return m_images[static_cast<size_t>(index)];
}

QIcon CImageList::GetIcon(int index) const {
  if (index < 0 || index >= GetImageCount()) return {};
  if (m_icons.size() < m_images.size()) m_icons.resize(m_images.size());
  QIcon& icon = m_icons[static_cast<size_t>(index)];
  if (!icon.isNull()) return icon;
  const QPixmap& normal = m_images[static_cast<size_t>(index)];
  if (normal.isNull()) return {};
  icon = QIcon(normal);
  QImage disabled = normal.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&disabled);
  painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
  // A quarter of the blend colour over three quarters of the picture, where the picture is.
  painter.fillRect(disabled.rect(), QColor(0x81, 0x81, 0xC0, 64));
  painter.end();
  icon.addPixmap(QPixmap::fromImage(disabled), QIcon::Disabled);
  return icon;
}

CImageList CImageList::Extract(int index) const {
  CImageList one(m_width, m_height);
  if (index >= 0 && index < GetImageCount()) one.m_images.push_back(m_images[static_cast<size_t>(index)]);
  return one;
}
