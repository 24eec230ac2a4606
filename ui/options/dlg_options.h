// The options page: the list of option children on its left and the chosen child beside it. The
// children edit the option variables and mark the page modified; the page saves them all on Apply.
// Three children are listed only in advanced mode. GUI thread only.
#pragma once

#include <QWidget>
#include <array>

#include "ui/controls/list_box_st.h"

class QFrame;
class QLabel;
class COptionChild;
class COptionsPageSite;

class CDlgOptions : public QWidget {
 public:
  static constexpr int kSlotCount = 9;
  static constexpr int kApplicationSlot = 8;

  explicit CDlgOptions(COptionsPageSite& site, QWidget* parent = nullptr);
  ~CDlgOptions() override;

  QString GetTabTitle() const;
  void Localize();
  void UpdateDlg();
  // The page's refresh request: Localize, then UpdateDlg.
  void OnUpdateDlg();
  void RebuildSelectionList();
  void OnListSelectChanged();
  // Shows the child of the dialog id; an unknown id shows the Application child, an id not listed
  // in this mode the first entry's child.
  void OnUserSelectPage(int dialogId);
  // After the Application child switched advanced mode: the list again, the Application child shown.
  void ShowApplicationChild();
  bool OnSetActive();
  // Stops a greeting being played or recorded (leaving the page, the sheet's OK and Cancel).
  bool OnKillActive();
  // Saves every setting; nothing is left to apply.
  bool OnApply();
  // Every child reads the option variables again (after the sheet's Cancel reloaded them, or a
  // factory reset), so a hidden child shows no stale value when it is chosen next.
  void RefreshChildren();

  COptionChild* CurrentChild() const { return m_current; }
  COptionChild* Child(int slot) const { return m_slots[slot].child; }
  int ListIndexOf(int slot) const { return m_slots[slot].listIndex; }
  CListBoxST* SelectionList() const { return m_list; }
  COptionsPageSite& Site() { return m_site; }

  // The entry chosen last, kept for the run so that the page reopens on it.
  static int RememberedIndex();
  static void SetRememberedIndex(int index);

 private:
  struct Slot {
    COptionChild* child = nullptr;
    int listIndex = -1;
  };
  void SelectRow(int row);
  COptionChild* ChildOfRow(int row) const;
  // Widens the list so that no word of a caption is cut in the current language and font, and
  // has the sheet fit the page.
  void FitListWidth();
  bool IsGreetingChild(const COptionChild* child) const;
  // The child is no longer the one shown: its greeting audio stops and it hides.
  void LeaveChild(COptionChild* child);

  COptionsPageSite& m_site;
  COptionChild* m_current = nullptr;
  CListBoxST* m_list = nullptr;
  QLabel* m_noUserText = nullptr;
  QFrame* m_noUserFrame = nullptr;
  std::array<Slot, kSlotCount> m_slots{};
  bool m_selecting = false;
};
