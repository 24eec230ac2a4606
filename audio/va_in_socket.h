// The program's end of the connection that carries the call's sound to it: a listener on
// 127.0.0.1 and at most one accepted receiver, whose buffers come from the CVAIn.
//
// A new connection replaces the one before it, which is ended first (its partial buffer handed
// back), so a client that reconnects is served and nothing is leaked.
#pragma once

#include <memory>

#include "audio/soc_listener.h"
#include "audio/soc_receiver.h"

class CVAInSocket : public CSocListenerCallbacks {
 public:
  explicit CVAInSocket(CSocReceiverCallbacks* callbacks) : m_callbacks(callbacks) {}
  ~CVAInSocket() override;

  // Listens on 127.0.0.1:port (0: a port the system chooses); true with the bound port.
  bool Open(int port, int* boundPort);
  // Lets the receiver read now (a buffer or the discarding mode has come).
  void Resume();
  // Drops whatever input is waiting in the connection now.
  void DropPending();
  bool IsConnected() const { return m_receiver && m_receiver->IsOpen(); }

  void OnAccept(int error) override;

 private:
  CSocReceiverCallbacks* m_callbacks;
  std::unique_ptr<CSocListener> m_listener;
  std::unique_ptr<CSocReceiver> m_receiver;
};
