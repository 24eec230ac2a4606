#include "ui/options/dlg_opt_application.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <iterator>

#include "foundation/language_list.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "ui/controls/button_ssl.h"
#include "ui/options/dlg_options.h"
#include "ui/options/icon_button_bar.h"
#include "ui/options/options_page_site.h"
#include "ui/controls/wait_cursor.h"
#include "ui/sheet/sheet_services.h"

namespace {
constexpr int kEditImage = 6;
// The check boxes that only advanced mode shows, with their settings.
struct AdvancedCheck {
  int id;
  const char* name;
  COptionInt* option;
  const char* handler;
};
const AdvancedCheck kAdvancedChecks[] = {{1001, "startWithDesktopLogin", &g_WinStartUp, "OnCheckStartQAVWithWindows"},
                                         {1002, "startCallClient", &g_SkypeStartUp, "OnCheckStartSkypeWithQAV"},
                                         {1003, "restoreOnNewMessage", &g_RestoreWin, "OnCheckRestoreOnNewMsg"},
                                         {1004, "balloonTips", &g_ShowBalloonTips, "OnCheckShowBalloonTips"}};
static_assert(std::size(kAdvancedChecks) == CDlgOptApplication::kAdvancedCheckCount);
// The language row stands a little apart from the switches above it.
constexpr int kGroupGap = 6;
// The list is wide enough for a language name of this many characters, wider for a longer one.
constexpr int kLanguageNameLength = 16;
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

CDlgOptApplication::CDlgOptApplication(COptionsPageSite& site, QWidget* parent)
    : COptionChild(site, kDialogId, "CDlgOptApplication", parent) {
  Trace("OnInitDialog");
  m_applicationGroup = Add<QGroupBox>(1151, "applicationGroup");
  m_advanced = Add<QCheckBox>(1005, "advancedMode");
  for (size_t i = 0; i < std::size(kAdvancedChecks); ++i) {
    const AdvancedCheck& check = kAdvancedChecks[i];
    QCheckBox* box = m_advancedChecks[i] = Add<QCheckBox>(check.id, check.name);
    connect(box, &QCheckBox::clicked, this, [this, box, check] {
      Trace(check.handler);
      OnCheck(box, *check.option);
    });
  }
  m_screenReader = Add<QCheckBox>(1279, "screenReaderMode");
  m_languageLabel = Add<QLabel>(1153, "languageLabel");
  m_language = Add<QComboBox>(1142, "language");
  m_editLanguage = Add<CButtonSSL>(1295, "editLanguageFile");
  m_updatesGroup = Add<QGroupBox>(1235, "updatesGroup");
  m_checkNow = Add<QPushButton>(1185, "checkForUpdatesNow");
  m_majorOnly = Add<QCheckBox>(1288, "majorVersionsOnly");
  m_defaultsGroup = Add<QGroupBox>(1023, "factoryDefaultsGroup");
  m_defaultsText = Add<QLabel>(1152, "factoryDefaultsText");
  m_reset = Add<QPushButton>(1184, "resetToFactoryDefaults");
  Arrange();
  ColourIconButton(m_editLanguage, kEditImage);

  connect(m_advanced, &QCheckBox::clicked, this, &CDlgOptApplication::OnCheckAdvancedSettingMode);
  connect(m_screenReader, &QCheckBox::clicked, this, &CDlgOptApplication::OnCheckScreenReaderFriendly);
  connect(m_language, &QComboBox::activated, this, &CDlgOptApplication::OnSelchangeComboInterfaceLanguage);
  connect(m_editLanguage, &CButtonSSL::clicked, this, &CDlgOptApplication::OnButtonLanguageFileEdit);
  connect(m_checkNow, &QPushButton::clicked, this, &CDlgOptApplication::OnButtonCheckForUpdatesNow);
  connect(m_majorOnly, &QCheckBox::clicked, this, [this] {
    Trace("OnCheckNotifyOnlyMajorVersionUpdates");
    OnCheck(m_majorOnly, g_NotifyAboutMajorVersionsOnly);
  });
  connect(m_reset, &QPushButton::clicked, this, &CDlgOptApplication::OnButtonResetToFactoryDefaults);
  FillLanguages();
  Localize();
  UpdateDlg();
}

void CDlgOptApplication::Arrange() {
  auto* application = new QGridLayout(m_applicationGroup);
  application->setColumnStretch(1, 1);
  int row = 0;
  application->addWidget(m_advanced, row++, 0, 1, -1);
  for (QCheckBox* box : m_advancedChecks) application->addWidget(box, row++, 0, 1, -1);
  application->addWidget(m_screenReader, row++, 0, 1, -1);
  application->setRowMinimumHeight(row++, kGroupGap);
  // The language row: its label, the list, the edit button at the end; the row below stays free
  // for the button's caption in screen-reader mode.
  application->addWidget(m_languageLabel, row, 0);
  m_language->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  m_language->setMinimumContentsLength(kLanguageNameLength);
  application->addWidget(m_language, row, 1);
  AddIconBar({m_editLanguage})->PlaceIn(application, row, 2, 0);

  auto* updates = new QHBoxLayout(m_updatesGroup);
  updates->addWidget(m_checkNow);
  updates->addWidget(m_majorOnly);
  updates->addStretch(1);

  auto* defaults = new QHBoxLayout(m_defaultsGroup);
  m_defaultsText->setWordWrap(true);
  defaults->addWidget(m_defaultsText, 1);
  defaults->addWidget(m_reset, 0, Qt::AlignVCenter);

  auto* child = new QVBoxLayout(this);
  child->setContentsMargins(0, 0, 0, 0);
  child->addWidget(m_applicationGroup);
  child->addWidget(m_updatesGroup);
  child->addWidget(m_defaultsGroup);
  child->addStretch(1);
}

CDlgOptions* CDlgOptApplication::OptionsPage() const {
  // The page shows its children in a scrolling area of its own, a few widgets down.
  for (QWidget* above = parentWidget(); above != nullptr; above = above->parentWidget()) {
    if (auto* page = dynamic_cast<CDlgOptions*>(above)) return page;
  }
  return nullptr;
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
  m_updatesGroup->setTitle(QStringLiteral("Check for Updates"));
  SetIconButtonTip(m_editLanguage, 910);
}

void CDlgOptApplication::UpdateDlg() {
  Trace("UpdateDlg");
  const bool advanced = AdvancedMode();
  m_advanced->setChecked(advanced);
  for (size_t i = 0; i < std::size(kAdvancedChecks); ++i) {
    m_advancedChecks[i]->setChecked(kAdvancedChecks[i].option->Get() != 0);
    ShowAndEnable(m_advancedChecks[i], advanced);
  }
  m_screenReader->setChecked(ScreenReaderMode());
  ShowAndEnable(m_screenReader, advanced);
  m_majorOnly->setChecked(g_NotifyAboutMajorVersionsOnly.Get() != 0);
  const int line = m_language->findData(QString::fromStdU16String(Services().LanguageFilePath()));
  m_language->setCurrentIndex(line);
  SetIconButtonTip(m_editLanguage, 910);
}

void CDlgOptApplication::OnCheckAdvancedSettingMode() {
  Trace("OnCheckAdvancedSettingMode");
  g_AdvancedSettingMode = m_advanced->isChecked() ? 1 : 0;
  // Three of the page's children are listed only in advanced mode: the list is built anew and
  // starts again at its first entry, whose child is shown.
  if (CDlgOptions* page = OptionsPage()) {
    page->RebuildSelectionList();
    {
      const QSignalBlocker quiet(page->SelectionList());
      page->SelectionList()->setCurrentRow(0);
    }
    page->OnListSelectChanged();
    page->update();
  }
  SetModified();
  UpdateDlg();
}

void CDlgOptApplication::OnCheckScreenReaderFriendly() {
  Trace("OnCheckScreenReaderFriendly");
  g_ScreenReaderFriendlyMode = m_screenReader->isChecked() ? 1 : 0;
  Services().Relocalize();
  SetModified();
  UpdateDlg();
}

void CDlgOptApplication::OnSelchangeComboInterfaceLanguage() {
  Trace("OnSelchangeComboInterfaceLanguage");
  const std::u16string path = m_language->currentData().toString().toStdU16String();
  if (path.empty()) return;
  std::array<std::u16string, 6> oldDefaults;
  for (size_t i = 0; i < oldDefaults.size(); ++i) oldDefaults[i] = GetLangString(LanguageDefaultTexts()[i].textId);
  Services().ApplyLanguage(path);
  // Only texts still reading exactly as the old language's default follow the language.
  for (size_t i = 0; i < oldDefaults.size(); ++i) {
    const CLanguageDefaultText& text = LanguageDefaultTexts()[i];
    if (text.option->Get() == oldDefaults[i]) *text.option = GetLangString(text.textId);
  }
  SetModified();
}

void CDlgOptApplication::OnButtonLanguageFileEdit() {
  Trace("OnButtonLanguageFileEdit");
  // The desktop's handler for text files is the user's editor.
  Services().OpenLocalFile(Services().LanguageFilePath());
}

void CDlgOptApplication::OnButtonCheckForUpdatesNow() {
  Trace("OnButtonCheckForUpdatesNow");
  const WaitCursor wait;
  Services().CheckForUpdatesNow();
}

void CDlgOptApplication::ReportGreetingLoad(bool buddy) {
  if (Services().ReloadGreeting(buddy)) return;
  QAV_LOG(LOG_WARNING, buddy ? u"Fail to load Greeting Message Audio Files into memory for default caller."
                             : u"Fail to load Greeting Message Audio Files into memory for unknwon callers");
  qav::ShowMessageBox(GetLangString(buddy ? IDS_ERROR_MESSAGE_LOAD_DEFAULT_CALLER_GREETING_MESSAGE
                                         : IDS_ERROR_MESSAGE_LOAD_UNKNOWN_CALLER_GREETING_MESSAGE),
                      u"QAV", qav::MB_ICONSTOP);
}

void CDlgOptApplication::OnButtonResetToFactoryDefaults() {
  Trace("OnButtonResetToFactoryDefaults");
  if (qav::ShowMessageBox(GetLangString(IDS_OPT_APPLICATION_FACTORY_DEFAULTS_QUESTION), u"QAV",
                          qav::MB_YESNO | qav::MB_ICONEXCLAMATION) != qav::IDYES)
    return;
  const WaitCursor wait;
  ResetSettingsToFactoryDefaults();
  ReportGreetingLoad(true);
  ReportGreetingLoad(false);
  Site().SetModified(false);
  // Every child shows the defaults now, not the values it showed before; the list loses the
  // advanced entries, and this child stays shown in it.
  if (CDlgOptions* page = OptionsPage()) {
    page->ShowApplicationChild();
    page->RefreshChildren();
  } else {
    UpdateDlg();
  }
  // The other pages, the tab titles and the screen-reader captions follow the defaults too.
  Services().Relocalize();
}
