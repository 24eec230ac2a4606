// CPlaceholderPage: a page that only carries its tab title, standing where a page is not in this
// build of the sheet. GUI thread only.
#pragma once

#include "ui/sheet/prop_page.h"

class CPlaceholderPage : public CPropPage {
 public:
  explicit CPlaceholderPage(int titleStringId, QWidget* parent = nullptr);
  std::u16string GetTabTitle() const override;

 private:
  int m_titleStringId;
};
