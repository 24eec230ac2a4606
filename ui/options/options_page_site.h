// COptionsPageSite: what the options page and its option children need of the property sheet they
// sit in, beside the program: the sheet's Apply state, room for the page, and the file and folder
// choosers (tests answer those themselves). Whatever they ask of the program goes straight to the
// sheet's services (Services()), the one way up; nothing here forwards to it. The options page in
// the sheet implements it; tests and the screenshots give their own. GUI thread only.
#pragma once

#include <optional>
#include <string>

class QWidget;
class CSheetServices;

class COptionsPageSite {
 public:
  virtual ~COptionsPageSite() = default;
  // The program's services, as the sheet holds them.
  virtual CSheetServices& Services() = 0;
  // Marks the options page modified (Apply becomes available) or not (nothing left to apply).
  virtual void SetModified(bool modified) = 0;
  virtual bool IsModified() const = 0;
  // The options page needs more room than before (a longer word, screen-reader captions): the
  // sheet grows to fit it, within the screen.
  virtual void FitSheetToPage() {}
  // The folder the user picks in a folder chooser over the owner; nullopt when cancelled.
  // By default Qt's folder dialog.
  virtual std::optional<std::u16string> ChooseFolder(QWidget* owner, const std::u16string& title,
                                                     const std::u16string& start);
  // The existing file the user picks in an open-file chooser (Qt's filter form); nullopt when
  // cancelled. By default Qt's file dialog.
  virtual std::optional<std::u16string> ChooseOpenFile(QWidget* owner, const std::u16string& title,
                                                       const std::u16string& start, const std::u16string& filter);
  // The file the user names in a save-file chooser (Qt's filter form; a name without an extension
  // gets `extension`), after confirming the replacement of an existing file; nullopt when
  // cancelled. By default Qt's file dialog.
  virtual std::optional<std::u16string> ChooseSaveFile(QWidget* owner, const std::u16string& title,
                                                       const std::u16string& start, const std::u16string& filter,
                                                       const std::u16string& extension);
};
