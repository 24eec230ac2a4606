// The accepted connection that carries the call's sound to the program: it receives into the
// buffers its owner lends it.
//
// A buffer that is not yet full stays here between notifications and goes back when it is full or
// when the connection ends. While the owner has no buffer, the receiver stops asking for data (the
// data waits in the socket) until Resume is called.
#pragma once

#include <cstdint>

#include "audio/soc_callbacks.h"
#include "audio/soc_connection.h"

class CSocReceiver final : public CSocConnection {
 public:
  explicit CSocReceiver(CSocReceiverCallbacks* callbacks) : m_callbacks(callbacks) {}
  // Hands back the buffer it holds (the connection has ended).
  ~CSocReceiver() override;

  // Reads once into the current buffer (asking the owner for one when it has none).
  void ReceiveData();
  // Reads and drops what is waiting now, without waiting for more.
  void DropPending();
  // Hands back the current buffer, shuts the connection down and closes it.
  void EndConnection() override;

  void Serve() override { ReceiveData(); }
  uint64_t GetTotal() const override { return m_total; }
  const char16_t* TraceName() const override { return u"CSocReceiver"; }

 protected:
  void OnReceive(int error) override;
  void OnClose(int error) override;

 private:
  void SelectReading(bool on);

  CSocReceiverCallbacks* m_callbacks;
  CSocBufferCursor m_buffer;
  uint64_t m_total = 0;
};
