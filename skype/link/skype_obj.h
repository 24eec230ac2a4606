// The typed payloads of a parsed line from the call client.
//
// The parser picks the class by the line's first word (a CALL line gives a CSkypeObjCall, an
// ERROR line a CSkypeObjError, and so on), so a reader that switches on the notification index
// knows which class it holds; SkypeToDeviceCmd::PayloadAs checks it all the same. Every index
// field holds a position in a word group of the vocabulary, with the group's size meaning none.
// All classes derive directly from CSkypeObj; Clone copies an object as its own class with every
// field, which is how a parsed line is copied before it crosses to the dispatcher thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "skype/link/skype_vocabulary.h"

class CSkypeObj {
 public:
  CSkypeObj() = default;
  virtual ~CSkypeObj() = default;
  virtual std::unique_ptr<CSkypeObj> Clone() const { return std::unique_ptr<CSkypeObj>(new CSkypeObj(*this)); }

  std::u16string m_strId;     // handle, call id, chat or application name
  std::u16string m_strValue;  // the property's value, or the rest of the line

 protected:
  // Copies go through Clone, so a payload is never sliced to its base.
  CSkypeObj(const CSkypeObj&) = default;
  CSkypeObj& operator=(const CSkypeObj&) = default;
};

// Clone for each subclass, copying it as its own class.
template <typename Derived>
class CSkypeObjOf : public CSkypeObj {
 public:
  std::unique_ptr<CSkypeObj> Clone() const override {
    return std::make_unique<Derived>(static_cast<const Derived&>(*this));
  }
};

class CSkypeObjConnStatus : public CSkypeObjOf<CSkypeObjConnStatus> {
 public:
  int32_t m_nStatus = SkypeConnStatus::NONE;
};

class CSkypeObjCall : public CSkypeObjOf<CSkypeObjCall> {
 public:
  int32_t m_nProperty = SkypeCallProp::NONE;
  int32_t m_nType = SkypeCallType::NONE;      // set by a TYPE line
  int32_t m_nStatus = SkypeCallStatus::NONE;  // set by a STATUS line
};

class CSkypeObjUser : public CSkypeObjOf<CSkypeObjUser> {
 public:
  int32_t m_nProperty = SkypeUserProp::NONE;
  int32_t m_nOnlineStatus = SkypeOnlineStatus::NONE;  // USERSTATUS, or USER ... ONLINESTATUS
};

class CSkypeObjChat : public CSkypeObjOf<CSkypeObjChat> {
 public:
  int32_t m_nProperty = SkypeChatProp::NONE;
  int32_t m_nExtra = 3;  // a second number the record carries; no line sets it
};

class CSkypeObjApp : public CSkypeObjOf<CSkypeObjApp> {
 public:
  int32_t m_nProperty = SkypeAppProp::NONE;
};

class CSkypeObjDevice : public CSkypeObjOf<CSkypeObjDevice> {
 public:
  std::u16string m_strDevice;
};

class CSkypeObjError : public CSkypeObjOf<CSkypeObjError> {
 public:
  static constexpr int32_t kNoNumber = 9902;
  // The client has dropped the program's attachment; the transport re-attaches.
  static constexpr int32_t kAttachmentDropped = 68;
  int32_t m_nError = kNoNumber;
  std::u16string m_strErrorText;
};
