// The program's end of the connection that carries its sound into the call (audio/va_socket.h):
// the accepted sender sends what the CVAOut queues. During a conversation this connection carries
// the user's microphone.
#pragma once

#include "audio/soc_sender.h"
#include "audio/va_socket.h"

class CVAOutSocket final : public CVASocket {
 public:
  explicit CVAOutSocket(CVAOutSocketCallbacks* callbacks) : CVASocket(u"CVAOutSocket"), m_callbacks(callbacks) {}

  // Lets the sender send now (more data, or more of the pace allowance).
  void Send();

 private:
  std::unique_ptr<CSocConnection> MakeConnection() override { return std::make_unique<CSocSender>(m_callbacks); }

  CVAOutSocketCallbacks* m_callbacks;
};
