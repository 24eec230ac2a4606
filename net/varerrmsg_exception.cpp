#include "net/varerrmsg_exception.h"

namespace Vemra {

std::u16string CutFormattedMessage(std::u16string text) {
  if (text.size() > kMaxFormattedMessage) text.resize(kMaxFormattedMessage);
  return text;
}

void varerrmsg_exceptionW::SetFormatted(std::u16string text) { m_message = CutFormattedMessage(std::move(text)); }

}  // namespace Vemra
