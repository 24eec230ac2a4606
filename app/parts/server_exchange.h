// The server-exchange part: the version check's exchange with the maker's server, one request at a
// time on its own thread; without it CNullServerExchange stands in (nothing starts). GUI thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/message.h"

class CAppServerExchange {
 public:
  virtual ~CAppServerExchange() = default;
  virtual void ResetInfo() = 0;
  virtual void SetInfo(std::u16string_view name, std::u16string_view value) = 0;
  // Starts the exchange (`manual`: the user asked). Its end reaches `window` as UM_SERVERUPDATEDONE
  // with wParam 1 for a manual check and lParam the result (1 or 0). 0 when it cannot start (one
  // still runs): then nothing follows.
  virtual int UpdateServerInformation(qav::Hwnd window, bool manual) = 0;
  // True while an exchange runs or its result has not been delivered.
  virtual bool IsRunning() const = 0;
  // The reply's values by path; 1 when found.
  virtual int GetInt(std::u16string_view path, int32_t& value, int radix) = 0;
  virtual int GetString(std::u16string_view path, std::u16string& text) = 0;
  virtual int GetAttribute(std::u16string_view path, std::u16string_view attribute, std::u16string& text) = 0;
  // Ends the exchange's thread; false when it has not ended within the bound.
  virtual bool Stop(int timeoutMs) = 0;
};

// No version check: a check that is asked for is logged and does not start.
class CNullServerExchange : public CAppServerExchange {
 public:
  void ResetInfo() override {}
  void SetInfo(std::u16string_view, std::u16string_view) override {}
  int UpdateServerInformation(qav::Hwnd, bool manual) override;
  bool IsRunning() const override { return false; }
  int GetInt(std::u16string_view, int32_t&, int) override { return 0; }
  int GetString(std::u16string_view, std::u16string&) override { return 0; }
  int GetAttribute(std::u16string_view, std::u16string_view, std::u16string&) override { return 0; }
  bool Stop(int) override { return true; }
};
