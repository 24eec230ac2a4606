#include "ui/sheet/placeholder_page.h"

#include "foundation/language_tables.h"

CPlaceholderPage::CPlaceholderPage(int titleStringId, QWidget* parent)
    : CPropPage(parent), m_titleStringId(titleStringId) {}

std::u16string CPlaceholderPage::GetTabTitle() const { return GetLangString(m_titleStringId); }
