// The program's end of one direction of the loopback link, written once for both: a listener on
// 127.0.0.1 and at most one accepted connection (a receiver for CVAInSocket, a sender for
// CVAOutSocket), whose buffers come from the socket's owner.
//
// Only a process of the user the program runs as may connect: during a call one direction carries
// the caller's voice into the recording and the other the user's microphone, which no other user
// of the machine may replace or hear. A connection from another user, or one whose owner cannot be
// told, is logged and closed, and the connection before it stays. A new connection of the same
// user replaces the one before it, which is ended first (its partial buffer handed back), so a
// client that reconnects is served and nothing is leaked.
#pragma once

#include <sys/types.h>

#include <memory>

#include "audio/soc_callbacks.h"
#include "audio/soc_connection.h"
#include "audio/soc_listener.h"

class CVASocket : public CSocListenerCallbacks {
 public:
  ~CVASocket() override;
  CVASocket(const CVASocket&) = delete;
  CVASocket& operator=(const CVASocket&) = delete;

  // Listens on 127.0.0.1:port (0: a port the system chooses); true with the bound port.
  bool Open(int port, int* boundPort);
  bool IsConnected() const { return m_connection && m_connection->IsOpen(); }

  void OnAccept(int error) override;

 protected:
  // `traceName` names the object in the traces ("CVAInSocket", "CVAOutSocket").
  explicit CVASocket(const char16_t* traceName);
  // A new, unconnected connection of this direction.
  virtual std::unique_ptr<CSocConnection> MakeConnection() = 0;
  // The live connection, or null.
  CSocConnection* Connection() const { return IsConnected() ? m_connection.get() : nullptr; }

 private:
  bool FromAllowedUser(CSocConnection& connection) const;

  const char16_t* m_traceName;
  const uid_t m_allowedUser;  // the user the program runs as
  std::unique_ptr<CSocListener> m_listener;
  std::unique_ptr<CSocConnection> m_connection;
};
