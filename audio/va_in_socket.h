// The program's end of the connection that carries the call's sound to it (audio/va_socket.h):
// the accepted receiver's buffers come from the CVAIn.
#pragma once

#include "audio/soc_receiver.h"
#include "audio/va_socket.h"

class CVAInSocket final : public CVASocket {
 public:
  explicit CVAInSocket(CVAInSocketCallbacks* callbacks) : CVASocket(u"CVAInSocket"), m_callbacks(callbacks) {}

  // Lets the receiver read now (a buffer or the discarding mode has come).
  void Resume();
  // Drops whatever input is waiting in the connection now.
  void DropPending();

 private:
  std::unique_ptr<CSocConnection> MakeConnection() override { return std::make_unique<CSocReceiver>(m_callbacks); }

  CVAInSocketCallbacks* m_callbacks;
};
