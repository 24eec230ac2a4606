// CUxTheme: the theme calls of the pages and custom controls, answered by Qt's style.
//
// The program was designed to ask an optional theme library for the colours of the themed tab body
// and for themed button faces, and to fall back to plain system colours without it. Here the
// "theme" is the style and palette of the running QApplication; without one (a run or test with no
// user interface) every call answers like an unthemed system: not themed, no theme handle, E_FAIL.
//
// Only the operations the program uses are offered. Threading: the GUI thread only.
#pragma once

#include <QRect>
#include <cstdint>
#include <memory>
#include <string_view>

#include "ui/controls/color_utils.h"

class QPainter;
class QWidget;

using HRESULT = int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);

// Theme classes, parts, states and colour properties the program asks for.
inline constexpr int TABP_BODY = 10;           // the tab body, whose colour the pages take
inline constexpr int BP_PUSHBUTTON = 1;        // "BUTTON": a push button's face
inline constexpr int PBS_NORMAL = 1;
inline constexpr int PBS_HOT = 2;
inline constexpr int PBS_PRESSED = 3;
inline constexpr int PBS_DISABLED = 4;
inline constexpr int PBS_DEFAULTED = 5;
inline constexpr int TMT_FILLCOLOR = 3802;
inline constexpr int TMT_TEXTCOLOR = 3803;
inline constexpr int TMT_FILLCOLORHINT = 3821;

// An open theme: the class asked for and the window whose palette answers.
struct ThemeData;
using HTHEME = ThemeData*;

class CUxTheme {
 public:
  // Non-zero when a QApplication runs, so that its style draws the controls.
  int IsAppThemed() const;
  // The theme of a class list ("TAB", "BUTTON") for a window; null when unthemed or the class is
  // not one the program uses. Close it with CloseThemeData.
  HTHEME OpenThemeData(const QWidget* window, std::u16string_view classList);
  // The colour of a part and property; E_FAIL (colour untouched) when the theme has none.
  HRESULT GetThemeColor(HTHEME theme, int part, int state, int property, COLORREF* colour) const;
  HRESULT CloseThemeData(HTHEME theme);
  // Draws a part's background (a push button's face) in the rectangle, clipped to `clip` when given.
  HRESULT DrawThemeBackground(HTHEME theme, QPainter& painter, int part, int state, const QRect& rect,
                              const QRect* clip) const;
};

// The program's one theme wrapper.
CUxTheme& UxTheme();

// The colour pattern of the pages: `fallback` (a system colour), replaced by the themed tab body's
// colour of `property` when the application is themed and the theme fills it.
COLORREF ThemedTabBodyColor(const QWidget* page, int property, COLORREF fallback);
