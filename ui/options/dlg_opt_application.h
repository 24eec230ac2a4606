// The application child of the options page: advanced and screen-reader modes, start-up, balloon
// tips, the interface language (and editing its file), the update check and the factory reset.
// It is the one child that can be edited while no call-client user is signed in.
#pragma once

#include <array>

#include "ui/options/option_child.h"

class CButtonSSL;
class QCheckBox;
class QComboBox;

class CDlgOptApplication : public COptionChild {
 public:
  static constexpr int kDialogId = 349;

  CDlgOptApplication(COptionsSheetLink& sheet, QWidget* parent);

  void Localize() override;
  void UpdateDlg() override;

  void OnCheckAdvancedSettingMode();
  void OnCheckScreenReaderFriendly();
  void OnSelchangeComboInterfaceLanguage();
  void OnButtonLanguageFileEdit();
  void OnButtonCheckForUpdatesNow();
  void OnButtonResetToFactoryDefaults();

 private:
  void FillLanguages();
  // Reports a greeting that could not be rebuilt in memory (text 1020 or 1021).
  void ReportGreetingLoad(bool buddy);

  QCheckBox* m_advanced;
  QCheckBox* m_screenReader;
  QComboBox* m_language;
  CButtonSSL* m_editLanguage;
};

// The settings that hold a text with a language default, and the text id of that default.
struct CLanguageDefaultText {
  COptionText* option;
  int textId;
};
// The six, in the order the language switch replaces them.
const std::array<CLanguageDefaultText, 6>& LanguageDefaultTexts();
