// The version check's exchange as the main window drives it: the server parameters of net/
// (net/server_params.h) with the product's area on the maker's web site (app/web_links.h).
#pragma once

#include <string>

#include "app/app_messages.h"
#include "app/parts/server_exchange.h"
#include "net/server_params.h"

class CServerExchangePart : public CAppServerExchange {
 public:
  // `productBase`: the product's area, ending in "qav/".
  explicit CServerExchangePart(std::u16string productBase) : m_params(std::move(productBase)) {}

  void ResetInfo() override { m_params.ResetInfo(); }
  void SetInfo(std::u16string_view name, std::u16string_view value) override { m_params.SetInfo(name, value); }
  int UpdateServerInformation(qav::Hwnd window, bool manual) override {
    return m_params.UpdateServerInformation(window, UM_SERVERUPDATEDONE, manual ? 1 : 0);
  }
  bool IsRunning() const override { return m_params.IsBusy(); }
  int GetInt(std::u16string_view path, int32_t& value, int radix) override { return m_params.GetInt(path, value, radix); }
  int GetString(std::u16string_view path, std::u16string& text) override { return m_params.GetString(path, text); }
  int GetAttribute(std::u16string_view path, std::u16string_view attribute, std::u16string& text) override {
    return m_params.GetAttribute(path, attribute, text);
  }
  bool Stop(int timeoutMs) override { return m_params.Stop(timeoutMs); }

 private:
  CServerParams m_params;
};
