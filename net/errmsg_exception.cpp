#include "net/errmsg_exception.h"

namespace Vemra {

void errmsg_exceptionW::seterrmsg(std::optional<std::u16string_view> message) {
  if (message) {
    m_message = std::u16string(*message);
  } else {
    m_message.reset();
  }
}

}  // namespace Vemra
