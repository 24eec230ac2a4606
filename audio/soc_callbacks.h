// The interfaces between the loopback link's sockets and the objects that own them.
//
// A listener tells its owner about a connection to accept. A receiver or sender asks its owner
// for the next buffer to fill or send (its unfilled or unsent part) and hands it back with the
// bytes it moved; `ended` says the connection is over, so a partly filled buffer is not kept for
// more data that will never come.
#pragma once

#include <cstdint>

class CSocListenerCallbacks {
 public:
  virtual ~CSocListenerCallbacks() = default;
  virtual void OnAccept(int error) = 0;
};

class CSocReceiverCallbacks {
 public:
  virtual ~CSocReceiverCallbacks() = default;
  // The buffer to receive into next; false when there is none (the data waits in the socket).
  virtual bool GetBuffer(uint8_t** data, uint32_t* length, void** user) = 0;
  virtual void ReleaseBuffer(uint8_t* data, uint32_t count, void* user, bool ended) = 0;
  // True while what arrives is not wanted: it is read and dropped, so that it neither backs up in
  // the peer nor is read later as if it were new.
  virtual bool DiscardingInput() const { return false; }
};

class CSocSenderCallbacks {
 public:
  virtual ~CSocSenderCallbacks() = default;
  // The bytes to send next; false when there is nothing to send now.
  virtual bool GetBuffer(uint8_t** data, uint32_t* length, void** user) = 0;
  virtual void ReleaseBuffer(uint8_t* data, uint32_t count, void* user, bool ended) = 0;
};
