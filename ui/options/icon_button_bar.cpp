#include "ui/options/icon_button_bar.h"

#include <QGridLayout>

#include "ui/controls/button_ssl.h"

namespace {
constexpr int kButtonGap = 4;
}  // namespace

CIconButtonBar::CIconButtonBar(std::initializer_list<CButtonSSL*> buttons, QWidget* parent)
    : QWidget(parent), m_layout(new QBoxLayout(QBoxLayout::LeftToRight, this)) {
  m_layout->setContentsMargins(0, 0, 0, 0);
  m_layout->setSpacing(kButtonGap);
  for (CButtonSSL* button : buttons) {
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_layout->addWidget(button, 0, Qt::AlignLeft);
  }
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CIconButtonBar::PlaceIn(QGridLayout* grid, int row, int column, int captionColumn, Qt::Alignment beside) {
  m_grid = grid;
  m_row = row;
  m_column = column;
  m_captionColumn = captionColumn;
  m_beside = beside;
  m_placed = false;
  Place();
}

void CIconButtonBar::ShowCaptions(bool captions) {
  if (captions == m_captions && m_placed) return;
  m_captions = captions;
  m_placed = false;
  Place();
}

void CIconButtonBar::Place() {
  m_layout->setDirection(m_captions ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
  if (m_grid == nullptr) return;
  m_grid->removeWidget(this);
  if (m_captions) {
    m_grid->addWidget(this, m_row + 1, m_captionColumn, 1, -1,
                      Qt::AlignLeft | Qt::AlignTop);
  } else {
    m_grid->addWidget(this, m_row, m_column, m_beside);
  }
  m_placed = true;
}
