// The application child of the options page: advanced and screen-reader modes, start-up, balloon
// tips, the interface language (and editing its file), the update check and the factory reset.
// It is the one child that can be edited while no call-client user is signed in.
#pragma once

#include <array>

#include "ui/options/option_child.h"

class CButtonSSL;
class CDlgOptions;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

class CDlgOptApplication : public COptionChild {
 public:
  static constexpr int kDialogId = 349;
  // The switches that only advanced mode shows, besides the screen-reader one.
  static constexpr size_t kAdvancedCheckCount = 4;

  CDlgOptApplication(COptionsPageSite& site, QWidget* parent);

  void Localize() override;
  void UpdateDlg() override;

  void OnCheckAdvancedSettingMode();
  void OnCheckScreenReaderFriendly();
  void OnSelchangeComboInterfaceLanguage();
  void OnButtonLanguageFileEdit();
  void OnButtonCheckForUpdatesNow();
  void OnButtonResetToFactoryDefaults();

 private:
  void Arrange();
  void FillLanguages();
  // The options page that shows this child; null when it stands alone.
  CDlgOptions* OptionsPage() const;
  // Reports a greeting that could not be rebuilt in memory (text 1020 or 1021).
  void ReportGreetingLoad(bool buddy);

  QGroupBox* m_applicationGroup;
  QCheckBox* m_advanced;
  std::array<QCheckBox*, kAdvancedCheckCount> m_advancedChecks{};
  QCheckBox* m_screenReader;
  QLabel* m_languageLabel;
  QComboBox* m_language;
  CButtonSSL* m_editLanguage;
  QGroupBox* m_updatesGroup;
  QPushButton* m_checkNow;
  QCheckBox* m_majorOnly;
  QGroupBox* m_defaultsGroup;
  QLabel* m_defaultsText;
  QPushButton* m_reset;
};

// The settings that hold a text with a language default, and the text id of that default.
struct CLanguageDefaultText {
  COptionText* option;
  int textId;
};
// The six, in the order the language switch replaces them.
const std::array<CLanguageDefaultText, 6>& LanguageDefaultTexts();
