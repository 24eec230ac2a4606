// CImageList: a row of equal-sized pictures, taken from image strips, that lists, menus, buttons
// and the tray draw by index.
//
// A strip is one image whose width is a whole number of pictures. A strip with alpha is kept as
// it is; a strip without alpha is made transparent where it has the mask colour (magenta, as the
// program's bitmap strips use). Threading: the GUI thread only (QPixmap).
#pragma once

#include <QIcon>
#include <QPixmap>
#include <vector>

class QImage;

class CImageList {
 public:
  CImageList() = default;
  CImageList(int width, int height) : m_width(width), m_height(height) {}

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  int GetImageCount() const { return static_cast<int>(m_images.size()); }
  bool IsEmpty() const { return m_images.empty(); }

  // Appends every picture of the strip; returns the index of the first one, or -1 when nothing
  // was added (an empty strip, or one narrower or lower than one picture). A strip without alpha
  // is masked with `maskColour` (0xRRGGBB).
  int AddStrip(const QImage& strip, unsigned maskColour = 0xFF00FF);
  // The picture at index, or a null pixmap when there is none.
  QPixmap GetImage(int index) const;
  // The picture as an icon; its disabled form is blended 25 % with a pale blue (0xC08181 as a colour
  // value), as greyed menu items show it. Built once per picture and shared: a list page asks for
  // the same few icons for thousands of rows.
  QIcon GetIcon(int index) const;
  // A list holding only the picture at index (empty when there is none).
  CImageList Extract(int index) const;

 private:
  int m_width = 0;
  int m_height = 0;
  std::vector<QPixmap> m_images;
  // The icons built so far, by picture index (a null icon: not built yet).
  mutable std::vector<QIcon> m_icons;
};
