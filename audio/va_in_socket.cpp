#include "audio/va_in_socket.h"

void CVAInSocket::Resume() {
  if (CSocConnection* receiver = Connection()) receiver->Serve();
}

void CVAInSocket::DropPending() {
  if (CSocConnection* receiver = Connection()) static_cast<CSocReceiver*>(receiver)->DropPending();
}
