// CDlgPropSheet: the program's one visible window, a modeless sheet of pages (voice messages,
// conversations, options, About) that the hidden main window creates once and then shows, hides,
// re-localises and refreshes for the rest of the run. OK, Cancel and the close box only hide it.
//
// Apply is the sheet's "unsaved changes" state: a page (or the main window) enables it when a
// setting changes; OK saves the settings when it is on, Cancel reloads them from their files when
// it is on (and rebuilds a greeting whose file the reload changed). GUI thread only.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QSize>
#include <cstdint>
#include <vector>

class QScreen;
class QTabWidget;
class QPushButton;
class CPropPage;
class CSheetServices;

class CDlgPropSheet : public QDialog {
 public:
  explicit CDlgPropSheet(CSheetServices& services, QWidget* parent = nullptr);
  ~CDlgPropSheet() override;

  // Adds a page at the end (the sheet owns it) for its page flag; returns its index.
  int AddPage(CPropPage* page, uint32_t pageFlag);
  // The page of a flag, null when the sheet has none.
  CPropPage* Page(uint32_t pageFlag) const;
  int PageIndex(uint32_t pageFlag) const;
  CPropPage* ActivePage() const;

  // Places the sheet (the remembered position or centred), sets its texts, refreshes the pages
  // and activates the first; once, after the pages are added.
  void InitSheet();
  // Grows the sheet (never below its size at InitSheet) until every page has the room it asks for,
  // within the screen (a page that gets less scrolls): a page can need more room later (another
  // language, screen-reader captions). Runs again whenever a page's layout changes.
  void FitToPages();
  // With show: refreshes the tab titles, activates the page of the flag (any other flag keeps the
  // current page) and raises the sheet. Without: hides it.
  void ShowSheet(bool visible, uint32_t pageFlag);
  void SetActivePage(uint32_t pageFlag);
  // Caption, button texts and tab titles; with pages also every page's own texts.
  void Localize(bool withPages);
  // Refreshes the messages, conversations and options pages (never About).
  void UpdateAllPages();
  void RefreshTabTitles();
  // The program's refresh for one page flag; any other value does nothing.
  void OnUpdateDlg(uint32_t pageFlag);

  // Apply: on while changes are unsaved.
  void SetModified(bool modified);
  bool IsModified() const;
  // The options page's child of that dialog id.
  void SelectOptionChild(uint32_t dialogId);
  CSheetServices& Services() { return m_services; }

  void OnOK();
  void OnCancel();
  void OnApply();

  // The position kept for the run (-1, -1 before the sheet was first closed).
  static QPoint RememberedPosition();
  static void SetRememberedPosition(QPoint position);
  // Keeps the current position as the remembered one (the sheet's window is going away).
  void RememberPosition();

  QPushButton* OkButton() const { return m_ok; }
  QPushButton* CancelButton() const { return m_cancel; }
  QPushButton* ApplyButton() const { return m_apply; }
  QTabWidget* Tabs() const { return m_tabs; }

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;
  void accept() override;

 private:
  struct PageEntry {
    CPropPage* page;
    uint32_t flag;
  };
  QPoint SheetPlacementOnScreen(const QScreen* screen) const;
  void OnCurrentChanged(int index);
  // The tab's text and the page's name from the page's title.
  void SetTabTitle(int index);
  // The next (1) or previous (-1) page, round the end.
  void StepPage(int step);
  void ReloadGreetingIfChanged(bool buddy, const std::u16string& before);

  CSheetServices& m_services;
  QTabWidget* m_tabs;
  QPushButton* m_ok;
  QPushButton* m_cancel;
  QPushButton* m_apply;
  std::vector<PageEntry> m_pages;
  QSize m_builtSize;
  // The frame the window manager draws around the sheet, as last fitted for; before the sheet is
  // shown it is unknown, and a title bar's worth is kept free.
  QSize m_fittedFrame;
  QSize FrameAround() const;
  // FitToPages once the layout has run (it asks for no new run).
  void FitToLaidOutPages();
  int m_activeIndex = -1;
};
