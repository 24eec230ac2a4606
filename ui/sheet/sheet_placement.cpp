#include "ui/sheet/sheet_placement.h"

QPoint SheetPlacement(QPoint remembered, QSize sheet, QSize screen, QSize fullScreenWork) {
  if (remembered.x() >= 0 && remembered.y() >= 0 && remembered.x() + sheet.width() < fullScreenWork.width() &&
      remembered.y() + sheet.height() < fullScreenWork.height()) {
    return remembered;
  }
  const int x = ((screen.width() - sheet.width()) / 2 + 4) & ~7;
  const int y = (screen.height() - sheet.height()) / 2;
  return {x, y};
}
