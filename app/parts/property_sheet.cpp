#include "app/parts/property_sheet.h"

#include "foundation/logger.h"

bool CNullPropertySheet::Create(std::u16string_view caption) {
  QAV_LOG(LOG_INFO, u"CNullPropertySheet::Create( %s ): running without a property sheet", caption);
  return false;
}

void CNullPropertySheet::ShowPage(uint32_t pageFlag) {
  QAV_LOG(LOG_INFO, u"CNullPropertySheet::ShowPage( %#x ): no property sheet to show", pageFlag);
}
