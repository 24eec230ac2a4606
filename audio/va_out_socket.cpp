#include "audio/va_out_socket.h"

void CVAOutSocket::Send() {
  if (CSocConnection* sender = Connection()) sender->Serve();
}
