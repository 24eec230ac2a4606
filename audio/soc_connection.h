// What the two kinds of accepted connection of the loopback link share (the receiver of the call's
// sound, the sender of the program's), so that the socket object owning one is written once.
#pragma once

#include <cstdint>

#include "platform/async_socket.h"

class CSocConnection : public qav::AsyncSocket {
 public:
  // Moves data now: reads into the current buffer, or sends what the owner has.
  virtual void Serve() = 0;
  // Hands back the current buffer, shuts the connection down and closes it.
  virtual void EndConnection() = 0;
  // The bytes moved so far.
  virtual uint64_t GetTotal() const = 0;
  // The class name the traces give ("CSocReceiver", "CSocSender").
  virtual const char16_t* TraceName() const = 0;
};
