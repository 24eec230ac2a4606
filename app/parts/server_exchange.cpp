#include "app/parts/server_exchange.h"

#include "foundation/logger.h"

int CNullServerExchange::UpdateServerInformation(qav::Hwnd, bool manual) {
  QAV_LOG(LOG_INFO, u"CNullServerExchange::UpdateServerInformation( %s ): no version check in this program",
          manual ? u"Manual" : u"Timer");
  return 0;
}
