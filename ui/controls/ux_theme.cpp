#include "ui/controls/ux_theme.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWidget>

#include "platform/text.h"

struct ThemeData {
  enum class Kind { kTab, kButton } kind;
  QPalette palette;
  const QWidget* window = nullptr;
};

namespace {

COLORREF ToColorRef(const QColor& c) {
  return RGB(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue()));
}

bool HasApplication() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

}  // namespace

int CUxTheme::IsAppThemed() const { return HasApplication() ? 1 : 0; }

HTHEME CUxTheme::OpenThemeData(const QWidget* window, std::u16string_view classList) {
  if (!HasApplication()) return nullptr;
  const std::string name = qav::Utf16ToUtf8(qav::ToLowerAscii(classList));
  ThemeData::Kind kind;
  if (name == "tab") {
    kind = ThemeData::Kind::kTab;
  } else if (name == "button") {
    kind = ThemeData::Kind::kButton;
  } else {
    return nullptr;
  }
  return new ThemeData{kind, window ? window->palette() : QApplication::palette(), window};
}

HRESULT CUxTheme::GetThemeColor(HTHEME theme, int part, int, int property, COLORREF* colour) const {
  if (!theme || !colour) return E_FAIL;
  QPalette::ColorRole role;
  if (theme->kind == ThemeData::Kind::kTab && part == TABP_BODY) {
    if (property == TMT_FILLCOLOR || property == TMT_FILLCOLORHINT) {
      role = QPalette::Window;
    } else if (property == TMT_TEXTCOLOR) {
      role = QPalette::WindowText;
    } else {
      return E_FAIL;
    }
  } else if (theme->kind == ThemeData::Kind::kButton && part == BP_PUSHBUTTON) {
    if (property == TMT_FILLCOLOR || property == TMT_FILLCOLORHINT) {
      role = QPalette::Button;
    } else if (property == TMT_TEXTCOLOR) {
      role = QPalette::ButtonText;
    } else {
      return E_FAIL;
    }
  } else {
    return E_FAIL;
  }
  *colour = ToColorRef(theme->palette.color(role));
  return S_OK;
}

HRESULT CUxTheme::CloseThemeData(HTHEME theme) {
  if (!theme) return E_FAIL;
  delete theme;
  return S_OK;
}

HRESULT CUxTheme::DrawThemeBackground(HTHEME theme, QPainter& painter, int part, int state, const QRect& rect,
                                      const QRect* clip) const {
  if (!theme || theme->kind != ThemeData::Kind::kButton || part != BP_PUSHBUTTON) return E_FAIL;
  QStyleOptionButton option;
  option.rect = rect;
  option.palette = theme->palette;
  option.state = QStyle::State_Raised;
  if (state != PBS_DISABLED) option.state |= QStyle::State_Enabled;
  if (state == PBS_HOT) option.state |= QStyle::State_MouseOver;
  if (state == PBS_PRESSED) option.state = (option.state | QStyle::State_Sunken) & ~QStyle::State_Raised;
  if (state == PBS_DEFAULTED) option.features |= QStyleOptionButton::DefaultButton;
  painter.save();
  if (clip) painter.setClipRect(*clip, Qt::IntersectClip);
  QStyle* style = theme->window ? theme->window->style() : QApplication::style();
  style->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, theme->window);
  painter.restore();
  return S_OK;
}

CUxTheme& UxTheme() {
  static CUxTheme theme;
  return theme;
}

COLORREF ThemedTabBodyColor(const QWidget* page, int property, COLORREF fallback) {
  COLORREF colour = fallback;
  CUxTheme& theme = UxTheme();
  if (theme.IsAppThemed()) {
    if (HTHEME data = theme.OpenThemeData(page, u"TAB")) {
      COLORREF themed = 0;
      if (theme.GetThemeColor(data, TABP_BODY, 0, property, &themed) == S_OK) colour = themed;
      theme.CloseThemeData(data);
    }
  }
  return colour;
}
