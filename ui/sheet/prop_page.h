// CPropPage: one page of the property sheet. The sheet asks each page for its tab title (the
// messages and conversations tabs carry counts), relays the program's refresh to it, and tells it
// when it becomes or stops being the shown page. GUI thread only.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>

class CDlgPropSheet;

class CPropPage : public QWidget {
 public:
  explicit CPropPage(QWidget* parent = nullptr) : QWidget(parent) {}

  virtual std::u16string GetTabTitle() const = 0;
  // The name a screen reader reads for the page: its tab title without the counts a tab may carry.
  virtual std::u16string GetAccessibleTitle() const { return GetTabTitle(); }
  // Sets the page's texts in the current language.
  virtual void Localize() {}
  // What the page shows has changed: it reads it again.
  virtual void OnUpdateDlg() {}
  virtual void OnSetActive() {}
  virtual void OnKillActive() {}
  // The sheet's Apply (or OK with changes unsaved): the page saves what it holds.
  virtual void OnApply() {}
  // A request to show one of the page's own children (the options page's, by dialog id).
  virtual void OnUserSelectPage(uint32_t /*dialogId*/) {}
  // The sheet's Cancel read the settings back from their files: the page drops what it shows.
  virtual void OnSettingsReloaded() {}

  // The sheet the page sits in; null before the sheet adds it.
  CDlgPropSheet* Sheet() const { return m_sheet; }
  void SetSheet(CDlgPropSheet* sheet) { m_sheet = sheet; }

 private:
  CDlgPropSheet* m_sheet = nullptr;
};
