// CSampleSheetServices: the rest of the program as the property sheet and its pages see it, for
// the screenshots, the benchmarks and the page tests (the option pages' among them): a signed-in
// user (the handle may be changed or cleared), settings that are neither saved nor read back, and
// a record of what the pages asked the program for.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "calls/conversation.h"
#include "calls/message.h"
#include "ui/sheet/sheet_services.h"

class CSampleSheetServices : public CSheetServices {
 public:
  explicit CSampleSheetServices(std::u16string signedInHandle = u"me") : handle(std::move(signedInHandle)) {}

  std::u16string CurrentUserHandle() override { return handle; }
  void SaveSettings() override {}
  void LoadSettings() override {}
  std::u16string GreetingPath(bool) override { return {}; }
  bool ReloadGreeting(bool) override { return true; }
  void ShowError(const std::u16string&) override {}
  void OpenUrl(const std::u16string& url) override { openedUrls.push_back(url); }
  bool OpenAddress(const std::u16string& address) override {
    openedUrls.push_back(address);
    return true;
  }
  void RefreshTray() override { requests.push_back(u"refresh the tray"); }
  void Relocalize() override { requests.push_back(u"re-localise"); }
  void CheckForUpdatesNow() override { requests.push_back(u"check for updates"); }
  void PagesChanged(CSheetPages pages) override { changedPages.push_back(pages.flags); }
  void SendChatMessage(const std::u16string& to, const std::u16string& text) override {
    chats.push_back(to + u": " + text);
  }
  bool SiblingRunning() override { return siblingRunning; }
  void SendToSibling(const std::vector<const CMessage*>& messages,
                     const std::vector<const CConversation*>& conversations) override {
    std::vector<std::u16string>& files = siblingNotices.emplace_back();
    for (const CMessage* message : messages) files.push_back(message->GetFileName());
    for (const CConversation* conversation : conversations) files.push_back(conversation->GetAudioFileName());
  }

  std::u16string handle;
  // The requests of the tray, the texts and the update check, named, and the page sets said to
  // have changed, in order.
  std::vector<std::u16string> requests;
  std::vector<uint32_t> changedPages;
  // How many times the request of that name was queued or sent.
  int Asked(std::u16string_view request) const {
    return static_cast<int>(std::count(requests.begin(), requests.end(), request));
  }
  std::vector<std::u16string> openedUrls;
  // The chat texts sent, each as "handle: text".
  std::vector<std::u16string> chats;
  bool siblingRunning = false;
  // The file names of each notice sent to the sibling application.
  std::vector<std::vector<std::u16string>> siblingNotices;
};
