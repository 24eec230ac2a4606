#include "ui/controls/title_group_box.h"

#include <QStyleOptionGroupBox>
#include <QStylePainter>

void CTitleGroupBox::SetTitleEnabled(bool enabled) {
  if (enabled == m_titleEnabled) return;
  m_titleEnabled = enabled;
  update();
}

void CTitleGroupBox::paintEvent(QPaintEvent* event) {
  if (m_titleEnabled || !isEnabled()) {
    QGroupBox::paintEvent(event);
    return;
  }
  QStylePainter painter(this);
  QStyleOptionGroupBox option;
  initStyleOption(&option);
  option.state &= ~QStyle::State_Enabled;
  option.palette.setCurrentColorGroup(QPalette::Disabled);
  option.textColor = option.palette.color(QPalette::Disabled, QPalette::WindowText);
  painter.drawComplexControl(QStyle::CC_GroupBox, option);
}
