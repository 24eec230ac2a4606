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

class CSocBufferCallbacks {
 public:
  virtual ~CSocBufferCallbacks() = default;
  // The buffer to work on next; false when there is none now.
  virtual bool GetBuffer(uint8_t** data, uint32_t* length, void** user) = 0;
  virtual void ReleaseBuffer(uint8_t* data, uint32_t count, void* user, bool ended) = 0;
};

class CSocReceiverCallbacks : public CSocBufferCallbacks {
 public:
  // True while what arrives is not wanted: it is read and dropped, so that it neither backs up in
  // the peer nor is read later as if it were new.
  virtual bool DiscardingInput() const { return false; }
};

class CSocSenderCallbacks : public CSocBufferCallbacks {};

// The owners of the two directions' buffers (CVAIn, CVAOut) as their socket objects see them.
class CVAInSocketCallbacks : public CSocReceiverCallbacks {};
class CVAOutSocketCallbacks : public CSocSenderCallbacks {};

// The buffer a receiver or sender holds between notifications.
class CSocBufferCursor {
 public:
  // Takes the owner's next buffer; false when it has none (an empty one goes straight back).
  bool Take(CSocBufferCallbacks& owner) {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    void* user = nullptr;
    if (!owner.GetBuffer(&data, &length, &user)) return false;
    if (length == 0) {
      owner.ReleaseBuffer(data, 0, user, false);
      return false;
    }
    m_data = data;
    m_length = length;
    m_user = user;
    m_position = 0;
    return true;
  }
  // Gives the buffer back with the bytes moved into or out of it.
  void HandBack(CSocBufferCallbacks& owner, bool ended) {
    if (!m_data) return;
    uint8_t* data = m_data;
    void* user = m_user;
    const uint32_t count = m_position;
    m_data = nullptr;
    m_user = nullptr;
    m_length = m_position = 0;
    owner.ReleaseBuffer(data, count, user, ended);
  }
  bool Holds() const { return m_data != nullptr; }
  uint8_t* At() const { return m_data + m_position; }
  uint32_t Left() const { return m_length - m_position; }
  void Advance(uint32_t n) { m_position += n; }

 private:
  uint8_t* m_data = nullptr;
  uint32_t m_length = 0;
  uint32_t m_position = 0;
  void* m_user = nullptr;
};
