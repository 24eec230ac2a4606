// The program's end of the connection that carries its sound into the call: a listener on
// 127.0.0.1 and at most one accepted sender, which sends what the CVAOut queues.
//
// The listener binds the loopback address only: during a conversation this connection carries
// the user's microphone, which nobody else on the network may hear. A new connection replaces the
// one before it.
#pragma once

#include <memory>

#include "audio/soc_listener.h"
#include "audio/soc_sender.h"

class CVAOutSocket : public CSocListenerCallbacks {
 public:
  explicit CVAOutSocket(CSocSenderCallbacks* callbacks) : m_callbacks(callbacks) {}
  ~CVAOutSocket() override;

  bool Open(int port, int* boundPort);
  // Lets the sender send now (more data, or more of the pace allowance).
  void Send();
  bool IsConnected() const { return m_sender && m_sender->IsOpen(); }

  void OnAccept(int error) override;

 private:
  CSocSenderCallbacks* m_callbacks;
  std::unique_ptr<CSocListener> m_listener;
  std::unique_ptr<CSocSender> m_sender;
};
