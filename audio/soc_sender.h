// The accepted connection that carries the program's sound into the call: it sends the buffers its
// owner gives it, in order.
//
// It asks to be told about room to write only after a send would have blocked, and stops asking
// when there is nothing to send, so an idle sender costs nothing. It watches the connection for its
// end: whatever the peer sends on this direction is read and dropped, and a peer that closes ends
// the connection.
#pragma once

#include <cstdint>

#include "audio/soc_callbacks.h"
#include "audio/soc_connection.h"

class CSocSender final : public CSocConnection {
 public:
  explicit CSocSender(CSocSenderCallbacks* callbacks) : m_callbacks(callbacks) {}
  ~CSocSender() override;

  // Sends what the owner has, until it has nothing more or the socket is full.
  void SendData();
  void EndConnection() override;

  void Serve() override { SendData(); }
  uint64_t GetTotal() const override { return m_total; }
  const char16_t* TraceName() const override { return u"CSocSender"; }

 protected:
  void OnSend(int error) override;
  void OnReceive(int error) override;
  void OnClose(int error) override;

 private:
  void SelectWriting(bool on);

  CSocSenderCallbacks* m_callbacks;
  CSocBufferCursor m_buffer;
  uint64_t m_total = 0;
};
