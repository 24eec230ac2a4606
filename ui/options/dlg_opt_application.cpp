#include "ui/options/dlg_opt_application.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "foundation/language_list.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "ui/controls/button_ssl.h"
#include "ui/options/dlg_options.h"
#include "ui/options/options_sheet_link.h"

namespace {
constexpr int kEditImage = 6;
// The check boxes that only advanced mode shows, with their settings.
struct AdvancedCheck {
  int id;
  COptionInt* option;
  const char* handler;
};
const AdvancedCheck kAdvancedChecks[] = {{1001, &g_WinStartUp, "OnCheckStartQAVWithWindows"},
                                         {1002, &g_SkypeStartUp, "OnCheckStartSkypeWithQAV"},
                                         {1003, &g_RestoreWin, "OnCheckRestoreOnNewMsg"},
                                         {1004, &g_ShowBalloonTips, "OnCheckShowBalloonTips"}};
}  // namespace

const std::array<CLanguageDefaultText, 6>& LanguageDefaultTexts() {
  static const std::array<CLanguageDefaultText, 6> texts = {{{&g_GreetingTextMsg, 650},
                                                             {&g_GreetingTextMsgForNonAuth, 650},
                                                             {&g_RecConvTextNotificationTextMsgStart, 720},
                                                             {&g_RecConvTextNotificationTextMsgStop, 721},
                                                             {&g_RejectCallWaitingQAVTextMsg, 765},
                                                             {&g_RejectCallWaitingUserTextMsg, 766}}};
  return texts;
}

CDlgOptApplication::CDlgOptApplication(COptionsSheetLink& sheet, QWidget* parent)
    : COptionChild(sheet, kDialogId, "CDlgOptApplication", parent) {
  Trace("OnInitDialog");
  resize(400, 340);
  Add<QGroupBox>(1151, 0, 5, 396, 196);
  m_advanced = Add<QCheckBox>(1005, 10, 24, 380, 20);
  int y = 46;
  for (const AdvancedCheck& check : kAdvancedChecks) {
    auto* box = Add<QCheckBox>(check.id, 10, y, 380, 20);
    y += 22;
    connect(box, &QCheckBox::clicked, this, [this, box, check] {
      Trace(check.handler);
      OnCheck(box, *check.option);
    });
  }
  m_screenReader = Add<QCheckBox>(1279, 10, y, 380, 20);
  Add<QLabel>(1153, 10, 164, 140, 24);
  m_language = Add<QComboBox>(1142, 150, 164, 200, 24);
  m_editLanguage = Add<CButtonSSL>(1295, 356, 162, 28, 28);
  Add<QGroupBox>(1235, 0, 206, 396, 56);
  auto* checkNow = Add<QPushButton>(1185, 10, 226, 100, 26);
  auto* majorOnly = Add<QCheckBox>(1288, 120, 228, 270, 22);
  Add<QGroupBox>(1023, 0, 266, 396, 70);
  Add<QLabel>(1152, 10, 284, 270, 44)->setProperty("wordWrap", true);
  auto* reset = Add<QPushButton>(1184, 290, 292, 96, 26);
  ColourIconButton(m_editLanguage, kEditImage);

  connect(m_advanced, &QCheckBox::clicked, this, &CDlgOptApplication::OnCheckAdvancedSettingMode);
  connect(m_screenReader, &QCheckBox::clicked, this, &CDlgOptApplication::OnCheckScreenReaderFriendly);
  connect(m_language, &QComboBox::activated, this, &CDlgOptApplication::OnSelchangeComboInterfaceLanguage);
  connect(m_editLanguage, &CButtonSSL::clicked, this, &CDlgOptApplication::OnButtonLanguageFileEdit);
  connect(checkNow, &QPushButton::clicked, this, &CDlgOptApplication::OnButtonCheckForUpdatesNow);
  connect(majorOnly, &QCheckBox::clicked, this, [this, majorOnly] {
    Trace("OnCheckNotifyOnlyMajorVersionUpdates");
    OnCheck(majorOnly, g_NotifyAboutMajorVersionsOnly);
  });
  connect(reset, &QPushButton::clicked, this, &CDlgOptApplication::OnButtonResetToFactoryDefaults);
  FillLanguages();
  Localize();
  UpdateDlg();
}

void CDlgOptApplication::FillLanguages() {
  m_language->clear();
  for (const CLanguage& language : GetLanguageList()) {
    m_language->addItem(QString::fromStdU16String(language.GetLanguageName()),
                        QString::fromStdU16String(GetLanguageFolder() + language.GetFileName()));
  }
}

void CDlgOptApplication::Localize() {
  Trace("Localize");
  const std::pair<int, int> texts[] = {{1151, 900}, {1005, 901}, {1001, 902}, {1002, 903}, {1003, 904},
                                       {1004, 905}, {1279, 906}, {1153, 907}, {1185, 921}, {1288, 922},
                                       {1023, 940}, {1152, 941}, {1184, 942}};
  for (const auto& [id, text] : texts) SetText(id, text);
  if (auto* updates = findChild<QGroupBox*>(QStringLiteral("1235"))) updates->setTitle(QStringLiteral("Check for Updates"));
  SetIconButtonTip(m_editLanguage, 910);
}

void CDlgOptApplication::UpdateDlg() {
  Trace("UpdateDlg");
  const bool advanced = AdvancedMode();
  m_advanced->setChecked(advanced);
  for (const AdvancedCheck& check : kAdvancedChecks) {
    auto* box = findChild<QCheckBox*>(QString::number(check.id));
    box->setChecked(check.option->Get() != 0);
    ShowAndEnable(box, advanced);
  }
  m_screenReader->setChecked(ScreenReaderMode());
  ShowAndEnable(m_screenReader, advanced);
  findChild<QCheckBox*>(QStringLiteral("1288"))->setChecked(g_NotifyAboutMajorVersionsOnly.Get() != 0);
  const int line = m_language->findData(QString::fromStdU16String(Sheet().LanguageFilePath()));
  m_language->setCurrentIndex(line);
  SetIconButtonTip(m_editLanguage, 910);
}

void CDlgOptApplication::OnCheckAdvancedSettingMode() {
  Trace("OnCheckAdvancedSettingMode");
  g_AdvancedSettingMode = m_advanced->isChecked() ? 1 : 0;
  // Three of the page's children are listed only in advanced mode.
  if (auto* page = dynamic_cast<CDlgOptions*>(parentWidget())) page->ShowApplicationChild();
  SetModified();
  UpdateDlg();
}

void CDlgOptApplication::OnCheckScreenReaderFriendly() {
  Trace("OnCheckScreenReaderFriendly");
  g_ScreenReaderFriendlyMode = m_screenReader->isChecked() ? 1 : 0;
  Sheet().Relocalize();
  SetModified();
  UpdateDlg();
}

void CDlgOptApplication::OnSelchangeComboInterfaceLanguage() {
  Trace("OnSelchangeComboInterfaceLanguage");
  const std::u16string path = m_language->currentData().toString().toStdU16String();
  if (path.empty()) return;
  std::array<std::u16string, 6> oldDefaults;
  for (size_t i = 0; i < oldDefaults.size(); ++i) oldDefaults[i] = GetLangString(LanguageDefaultTexts()[i].textId);
  Sheet().ApplyLanguage(path);
  // Only texts still reading exactly as the old language's default follow the language.
  for (size_t i = 0; i < oldDefaults.size(); ++i) {
    const CLanguageDefaultText& text = LanguageDefaultTexts()[i];
    if (text.option->Get() == oldDefaults[i]) *text.option = GetLangString(text.textId);
  }
  SetModified();
}

void CDlgOptApplication::OnButtonLanguageFileEdit() {
  Trace("OnButtonLanguageFileEdit");
  Sheet().EditTextFile(Sheet().LanguageFilePath());
}

void CDlgOptApplication::OnButtonCheckForUpdatesNow() {
  Trace("OnButtonCheckForUpdatesNow");
  QApplication::setOverrideCursor(Qt::WaitCursor);
  Sheet().CheckForUpdatesNow();
  QApplication::restoreOverrideCursor();
}

void CDlgOptApplication::ReportGreetingLoad(bool buddy) {
  if (Sheet().LoadGreetingMemFile(buddy) >= 1) return;
  QAV_LOG(LOG_WARNING, buddy ? u"Fail to load Greeting Message Audio Files into memory for default caller."
                             : u"Fail to load Greeting Message Audio Files into memory for unknwon callers");
  qav::ShowMessageBox(GetLangString(buddy ? 1020 : 1021), u"QAV", qav::MB_ICONSTOP);
}

void CDlgOptApplication::OnButtonResetToFactoryDefaults() {
  Trace("OnButtonResetToFactoryDefaults");
  if (qav::ShowMessageBox(GetLangString(943), u"QAV", qav::MB_YESNO | qav::MB_ICONEXCLAMATION) != qav::IDYES) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  ResetSettingsToFactoryDefaults();
  ReportGreetingLoad(true);
  ReportGreetingLoad(false);
  Sheet().SetModified(false);
  // Every child shows the defaults now, not the values it showed before; the list loses the
  // advanced entries, and this child stays shown in it.
  if (auto* page = dynamic_cast<CDlgOptions*>(parentWidget())) {
    page->ShowApplicationChild();
    page->RefreshChildren();
  } else {
    UpdateDlg();
  }
  // The other pages, the tab titles and the screen-reader captions follow the defaults too.
  Sheet().Relocalize();
  QApplication::restoreOverrideCursor();
}
