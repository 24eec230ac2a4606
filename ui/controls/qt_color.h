// The one conversion between the controls' 0x00BBGGRR colour values and Qt's colours.
#pragma once

#include <QColor>

#include "ui/controls/color_utils.h"

inline QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

inline COLORREF ToColorRef(const QColor& c) {
  return RGB(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue()));
}
