// The property sheet part: the program's main window of pages (voice messages, conversations,
// options, about) that the user interface builds. The main window drives it; without a user
// interface CNullPropertySheet stands in. GUI thread only.
#pragma once

#include <cstdint>
#include <string_view>

// A set of the sheet's pages: the page flags of skype/link/main_window_port.h (kPageVoiceMessages,
// kPageConversations, kPageOptions, kPageAbout) or-ed together.
struct CSheetPages {
  uint32_t flags = 0;
  bool Contains(uint32_t pageFlag) const { return (flags & pageFlag) != 0; }
  bool Empty() const { return flags == 0; }
};

class CAppPropertySheet {
 public:
  virtual ~CAppPropertySheet() = default;
  // Builds the sheet and its window with the caption; false when there is none.
  virtual bool Create(std::u16string_view caption) = 0;
  virtual void Destroy() = 0;
  virtual bool Exists() const = 0;
  virtual void Localize() = 0;
  // Shows the sheet at the page of the flag (one of the page flags, kPageCurrent or 0 for the page
  // it shows now) and brings it to the front.
  virtual void ShowPage(uint32_t pageFlag) = 0;
  // Rebuilds every page.
  virtual void RefreshPages() = 0;
  // What the pages show has changed: each page of the set re-reads it.
  virtual void PagesChanged(CSheetPages pages) = 0;
  // A setting changed outside the sheet: its Apply button becomes available.
  virtual void EnableApply() = 0;
  // The voice-messages page plays the messages not heard yet.
  virtual void PlayNewMessages() = 0;
  // The options page shows the child of that dialog id (a balloon's "page:" link asks for one).
  virtual void SelectOptionChild(uint32_t /*dialogId*/) {}
};

// No sheet: nothing is shown; a request to show a page is logged.
class CNullPropertySheet : public CAppPropertySheet {
 public:
  bool Create(std::u16string_view caption) override;
  void Destroy() override {}
  bool Exists() const override { return false; }
  void Localize() override {}
  void ShowPage(uint32_t pageFlag) override;
  void RefreshPages() override {}
  void PagesChanged(CSheetPages) override {}
  void EnableApply() override {}
  void PlayNewMessages() override {}
};
