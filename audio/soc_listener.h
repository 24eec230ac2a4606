// The listening socket of one direction of the loopback link: it tells its owner about each
// connection the call client makes.
#pragma once

#include "audio/soc_callbacks.h"
#include "platform/async_socket.h"

class CSocListener : public qav::AsyncSocket {
 public:
  explicit CSocListener(CSocListenerCallbacks* callbacks) : m_callbacks(callbacks) {}

 protected:
  void OnAccept(int error) override { m_callbacks->OnAccept(error); }

 private:
  CSocListenerCallbacks* m_callbacks;
};
