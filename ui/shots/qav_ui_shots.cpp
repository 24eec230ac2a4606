// qav-ui-shots <folder>: writes a PNG of every control, menu and box of the user interface into
// the folder, for review. Runs on Qt's offscreen platform unless another is asked for.
#include <QApplication>
#include <QDir>
#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QGuiApplication>
#include <QScreen>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <cmath>
#include <cstdio>
#include <vector>

#include "foundation/language_list.h"
#include "foundation/language_tables.h"
#include "foundation/settings.h"
#include "platform/message_box.h"
#include "platform/message_loop.h"
#include "ui/art/app_image_lists.h"
#include "ui/controls/button_ssl.h"
#include "ui/controls/color_static_st.h"
#include "ui/controls/gradient_progress_ctrl.h"
#include "ui/controls/hyper_link.h"
#include "ui/controls/list_box_st.h"
#include "ui/controls/push_graph.h"
#include "ui/controls/x_progress_bar.h"
#include "audio/audio_driver.h"
#include "audio/progress_job.h"
#include "calls/message.h"
#include "calls/message_collection.h"
#include "calls/recordings.h"
#include "foundation/language_tables.h"
#include "platform/text.h"
#include "skype/link/user_collection.h"
#include "ui/player/dlg_play_voice_object.h"
#include <QProcess>
#include <QTemporaryDir>
#include <QFile>
#include "ui/boxes/countdown_message_box.h"
#include "ui/options/dlg_options.h"
#include "ui/options/option_child.h"
#include "ui/options/options_prop_page.h"
#include "ui/boxes/message_box_extra.h"
#include "ui/bridge/qt_loop_bridge.h"
#include "calls/call.h"
#include "calls/call_collection.h"
#include "calls/message.h"
#include "calls/message_collection.h"
#include "skype/link/user.h"
#include "skype/link/user_collection.h"
#include <QTemporaryDir>
#include "ui/sheet/qt_property_sheet.h"
#include "ui/samples/sample_recordings.h"
#include "ui/samples/sample_sheet_services.h"
#include "calls/conversation_collection.h"
#include "calls/conversation_data_file.h"
#include "ui/recordings/dlg_messages.h"
#include "ui/sheet/dlg_prop_sheet.h"
#include "skype/link/main_window_port.h"
#include "ui/reports/qt_report_dialog.h"
#include "ui/controls/title_menu.h"
#include "ui/bridge/up_dialog.h"
#include "ui/samples/quiet_options_sheet.h"

namespace {

// The user the shots show as signed in; the other settings hooks stay empty.
void SignInAs(std::u16string handle) {
  CSettingsHooks hooks;
  hooks.currentUserHandle = [handle] { return handle; };
  SetSettingsHooks(std::move(hooks));
}

QString g_folder;

// The program's built-in English file in its language folder: the language the shots show in use.
std::u16string EnglishLanguageFile() { return GetLanguageFolder() + u"ZV_EN.lang"; }

// Lets every pending layout run (a size that changes asks its parent's layout to run again, one
// round later), then gives a window shown on its own the size it asks for.
void SettleAtItsWish(QWidget& window) {
  for (int round = 0; round < 16; ++round) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QApplication::processEvents();
  }
  window.resize(window.sizeHint().expandedTo(window.minimumSizeHint()));
  for (int round = 0; round < 4; ++round) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QApplication::processEvents();
  }
}
int g_failures = 0;

void Save(const QPixmap& pixmap, const QString& name) {
  if (!pixmap.save(g_folder + "/" + name + ".png")) {
    std::fprintf(stderr, "qav-ui-shots: cannot write %s\n", qPrintable(name));
    ++g_failures;
  }
}

// Every image list, each picture on a light and a dark stripe, enlarged twice.
void ShootImageLists(const CAppImageLists& lists) {
  const std::pair<const CImageList*, const char*> all[] = {
      {&lists.m_trayList, "tray"},       {&lists.m_statusList, "status"},         {&lists.m_conversationList, "conversation"},
      {&lists.m_optionsList, "options"}, {&lists.m_smallButtonList, "smallbuttons"}, {&lists.m_menuList, "menu"},
      {&lists.m_toolbarList, "toolbar"}};
  for (const auto& [list, name] : all) {
    const int cell = list->Width() + 4;
    QPixmap sheet(cell * list->GetImageCount() * 2, cell * 2 * 2);
    sheet.fill(QColor(250, 250, 250));
    QPainter painter(&sheet);
    painter.scale(2, 2);
    painter.fillRect(0, cell, cell * list->GetImageCount(), cell, QColor(60, 60, 60));
    for (int i = 0; i < list->GetImageCount(); ++i) {
      painter.drawPixmap(i * cell + 2, 2, list->GetImage(i));
      painter.drawPixmap(i * cell + 2, cell + 2, list->GetImage(i));
    }
    painter.end();
    Save(sheet, QString("imagelist_%1").arg(name));
  }
}

void ShootButtons(const CAppImageLists& lists) {
  QWidget page;
  page.setAutoFillBackground(true);
  auto* layout = new QVBoxLayout(&page);
  const COLORREF pageColour = RGB(236, 240, 245);
  QPalette palette = page.palette();
  palette.setColor(QPalette::Window, QColor(236, 240, 245));
  page.setPalette(palette);
  struct Look {
    const char* text;
    int type;
    int image;
    bool flat;
    bool checked;
    bool enabled;
  } looks[] = {
      {"Play (image button)", BS_PUSHBUTTON, 0, true, false, true},
      {"Delete (disabled)", BS_PUSHBUTTON, 6, true, false, false},
      {"Framed push button", BS_PUSHBUTTON, -1, false, false, true},
      {"Check box, checked", BS_AUTOCHECKBOX, -1, false, true, true},
      {"Radio button", BS_AUTORADIOBUTTON, -1, false, false, true},
  };
  for (const Look& look : looks) {
    auto* button = new CButtonSSL(&page, look.type);
    button->setText(look.text);
    for (int slot : {0, 2, 4, 6}) button->SetColor(slot, pageColour);
    button->SetColor(CButtonSSL::BTNST_COLOR_BK_MODE, 5);
    button->SetButtonStyle(look.flat ? CButtonSSL::kStyleFlat : 0);
    button->SetStateAndRedraw(5);
    if (look.image >= 0) button->SetImageList(lists.m_toolbarList, look.image);
    button->SetCheck(look.checked);
    button->setEnabled(look.enabled);
    button->setMinimumHeight(34);
    layout->addWidget(button);
  }
  page.resize(260, 230);
  page.show();
  QApplication::processEvents();
  Save(page.grab(), "buttons");
}

void ShootMenu(const CAppImageLists& lists) {
  CTitleMenu menu;
  menu.SetImageList(lists.m_menuList);
  menu.AppendMenu(MF_STRING, 32723, QStringLiteral("Play"), 0);
  menu.AppendMenu(MF_STRING, 32727, QStringLiteral("Call Contact"), 4);
  menu.AppendMenu(MF_STRING | MF_GRAYED, 32726, QStringLiteral("Start Chat..."), 6);
  menu.AppendMenu(MF_STRING, 32730, QStringLiteral("View Profile"), 8);
  menu.AppendMenu(MF_STRING, 32725, QStringLiteral("Mark as Heard"), 9);
  menu.AppendMenu(MF_STRING, 32728, QStringLiteral("Copy to Clipboard"), 13);
  menu.AppendMenu(MF_SEPARATOR, 0, QString());
  menu.AppendMenu(MF_STRING, 32724, QStringLiteral("Delete"), 11);
  menu.SetDefaultItem(32723);
  menu.AddTitle(QStringLiteral("Voice message"));
  QTimer::singleShot(50, [&] {
    Save(menu.Menu().grab(), "title_menu");
    menu.Menu().close();
  });
  menu.TrackPopupMenu(QPoint(20, 20));
}

void ShootBoxes() {
  QTimer::singleShot(50, [] {
    if (auto* box = dynamic_cast<CCountdownMessageBox*>(QApplication::activeModalWidget())) {
      Save(box->grab(), "message_box_countdown");
      box->done(1);
    }
  });
  uint32_t checked = 1;
  MSGBOXEXTRA extra;
  extra.dwFlags = MSGBOXEXTRA_COUNTDOWN | MSGBOXEXTRA_CENTER_TEXT | MSGBOXEXTRA_CHECKBOX;
  extra.seconds = qav::kTimedMessageBoxSeconds;
  extra.pcszCheckBoxText = u"Do not show this again";
  extra.puValue = &checked;
  MessageBoxExtra(nullptr, QStringLiteral("Thank you. Your report has been sent successfully.\n\nThis message will close in <T> seconds"),
                  QStringLiteral("Zarvelin QAV"), qav::MB_OK | qav::MB_ICONINFORMATION, &extra);
}

void ShootProgress() {
  qav::MessageLoop loop;
  QtLoopBridge bridge(loop);
  CUPDialog dialog;
  std::atomic<bool> shot{false};
  QTimer::singleShot(150, [&] {
    if (QDialog* d = dialog.Dialog()) Save(d->grab(), "progress_dialog");
    shot = true;
  });
  dialog.RunModal(u"Voice Analysis", [&](qav::ProgressJobContext& c) {
    c.PostText(u"Analysing the recording...");
    c.PostPosition(45);
    while (!shot) std::this_thread::yield();
    return 1;
  });
}

// The custom controls side by side: coloured texts, links in each state, the player's bars and
// graphs, and the option categories' icon list box.
void ShootCustomControls(const CAppImageLists& lists) {
  QWidget page;
  page.resize(420, 330);
  page.setAutoFillBackground(true);

  auto* solid = new CColorStaticST(&page);
  solid->setGeometry(10, 10, 190, 20);
  solid->setText("Colour static, solid");
  solid->SetTextColor(RGB(255, 255, 255));
  solid->SetBkColor(RGB(0, 90, 160));
  solid->SetTransparent(false);
  auto* clear = new CColorStaticST(&page);
  clear->setGeometry(210, 10, 200, 20);
  clear->setText("Colour static, transparent");
  clear->SetTextColor(RGB(160, 0, 0));

  auto* link = new CHyperLink("Link", &page);
  link->move(10, 40);
  link->SetColours(0xEE0000, 0xEE0000, CHyperLink::kNoColour, CHyperLink::kNoColour);
  link->SetURL("http://127.0.0.1/");
  auto* visited = new CHyperLink("Visited link", &page);
  visited->move(80, 40);
  visited->SetVisited(true);
  auto* underlined = new CHyperLink("Always underlined", &page);
  underlined->move(200, 40);
  underlined->SetUnderline(CHyperLink::kUnderlineAlways);

  auto* position = new CXProgressBar(&page);
  position->setGeometry(10, 70, 400, 12);
  position->setRange(0, 1000);
  position->setValue(380);
  auto* stress = new CGradientProgressCtrl(&page);
  stress->setGeometry(10, 90, 400, 16);
  stress->SetPos(65);
  auto* percent = new CGradientProgressCtrl(&page);
  percent->setGeometry(10, 112, 400, 16);
  percent->ShowPercent(true);
  percent->SetPos(35);

  auto* graph = new C2DPushGraph(&page);
  graph->setGeometry(10, 136, 400, 40);
  graph->SetStep(1);
  graph->SetRange(0, 100);
  graph->AddLine(0, RGB(255, 0, 0));
  for (int x = 0; x < 400; ++x) graph->Push(static_cast<int>(50 + 40 * std::sin(x / 23.0) * std::cos(x / 7.0)), 0);
  graph->AddLine(2, RGB(0, 255, 0));
  graph->SetLineBarMode(2, true);
  for (int x = 0; x < 150; ++x) graph->Push(-1, 2);
  graph->Push(100, 2);
  graph->Push(100, 2);
  graph->Push(-1, 2);
  graph->Update();
  auto* labelled = new C2DPushGraph(&page);
  labelled->setGeometry(10, 182, 400, 50);
  labelled->ShowLabels(true);
  labelled->ShowGrid(true);
  labelled->AddLine(1, RGB(255, 255, 0));
  for (int x = 0; x < 300; ++x) labelled->Push((x * 7) % 100, 1);
  labelled->Update();

  auto* categories = new CListBoxST(&page);
  categories->setGeometry(10, 240, 400, 84);
  categories->SetImageList(&lists.m_optionsList);
  categories->AddString("Answering", 0);
  categories->AddString("Greeting for known callers, a longer text that wraps onto a second line", 1);
  categories->AddString("Disabled row", 2);
  categories->EnableItem(2, false);
  categories->setCurrentRow(0);
  Save(page.grab(), "custom_controls");
}

// The report dialog, for a problem report (filled in) and for a crash (as it opens).
void ShootReportDialogs() {
  LoadDefaultLangLib();
  for (const bool crash : {false, true}) {
    CReportDialogWindow dialog(crash, [](QWidget*) { return std::u16string(u"/home/me/Pictures/screen.png"); });
    if (!crash) {
      dialog.ContactField()->setText(QStringLiteral("me@example.com"));
      dialog.DescriptionField()->setPlainText(QStringLiteral("The call was answered, but no message was saved."));
      dialog.Browse();
    }
    dialog.show();
    QApplication::processEvents();
    Save(dialog.grab(), crash ? "report_dialog_crash" : "report_dialog_problem");
  }
}

// A spoken sentence (espeak-ng, where it is installed; a wavering tone otherwise) as a voice
// message of a user in a scratch data folder, in the player with its analysis, paused at 40 %.
void ShootPlayer(CAppImageLists& lists) {
  QTemporaryDir data;
  g_pImageLists = &lists;  // the buttons' pictures
  qputenv("QAV_DATA_DIR", data.path().toLocal8Bit());
  qputenv("XDG_CONFIG_HOME", data.path().toLocal8Bit());
  qputenv("QAV_SOUND_DEVICE", "virtual");
  LoadDefaultLangLib();
  g_CurrentUser.init(u"me");
  (void)g_UserCollection.Add(&g_CurrentUser);
  PublishCurrentUserHandle();
  CRecordings().LoadForUser(u"me");
  const QString folder = QString::fromStdU16String(g_MessageCollection.GetMessagesFolder());
  const QString file = folder + "caller77.2024.03.05.14.07.09.9.s.wav";
  const int spoken = QProcess::execute("espeak-ng", {"-s", "140", "-w", file,
      "Hello, this is Anna. I tried to reach you about the meeting tomorrow. Please call me back when you can."});
  if (spoken != 0 || !QFile::exists(file)) {
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return;
    const int rate = 16000, seconds = 6;
    QByteArray samples;
    for (int i = 0; i < rate * seconds; ++i) {
      const double t = double(i) / rate;
      const double v = 0.4 * std::sin(2 * M_PI * (180 + 30 * std::sin(2 * M_PI * 5 * t)) * t) * (0.5 + 0.5 * std::sin(t));
      const int16_t sample = static_cast<int16_t>(v * 32767);
      samples.append(reinterpret_cast<const char*>(&sample), 2);
    }
    auto le32 = [](uint32_t v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); };
    auto le16 = [](uint16_t v) { return QByteArray(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF" + le32(36 + samples.size()) + "WAVEfmt " + le32(16) + le16(1) + le16(1) + le32(rate) +
              le32(rate * 2) + le16(2) + le16(16) + "data" + le32(samples.size()) + samples);
  }
  CRecordings().DeleteAll();
  CRecordings().LoadForUser(u"me");
  if (g_MessageCollection.GetCount() == 0) {
    std::fprintf(stderr, "qav-ui-shots: the player's message did not load\n");
    ++g_failures;
    return;
  }
  // A conference beside it: the player shows its note in place of the analysis.
  const QString conference = QString::fromStdU16String(g_ConversationCollection.GetConversationsFolder()) +
                             "2024.03.07.09.00.00.4";
  QFile::copy(file, conference + ".wav");
  QFile side(conference + ".dat");
  if (side.open(QIODevice::WriteOnly)) {
    const std::string data = BuildConversationData(4, {u"caller77", u"caller2"});
    side.write(data.data(), static_cast<qint64>(data.size()));
    side.close();
  }
  CRecordings().DeleteAll();
  CRecordings().LoadForUser(u"me");
  CAudioDriver driver;
  driver.Start();
  g_pAudioDriver = &driver;
  auto shoot = [](CDlgPlayVoiceObject& player, const char* name) {
    qav::HeadlessProgressRunner analysis;
    player.SetAnalysisRunner(&analysis);
    if (player.InitDialog() != 0) {
      std::fprintf(stderr, "qav-ui-shots: the player for %s did not open\n", name);
      ++g_failures;
      return;
    }
    player.PausePlayback();
    player.SetPosition(player.Total() * 2 / 5);
    player.show();
    QApplication::processEvents();
    Save(player.grab(), name);
    player.done(CDlgPlayVoiceObject::kResultCancel);
  };
  if (g_MessageCollection.GetCount() > 0) {
    CDlgPlayVoiceObject player(g_MessageCollection.GetMessages().front(), nullptr, true);
    shoot(player, "player");
    g_ScreenReaderFriendlyMode = 1;
    CDlgPlayVoiceObject captions(g_MessageCollection.GetMessages().front(), nullptr, true);
    shoot(captions, "player_screen_reader");
    g_ScreenReaderFriendlyMode = 0;
  }
  if (g_ConversationCollection.GetCount() > 0) {
    CDlgPlayVoiceObject player(g_ConversationCollection.GetConversations().front(), nullptr, true);
    shoot(player, "player_conference");
  } else {
    std::fprintf(stderr, "qav-ui-shots: the player's conference did not load\n");
    ++g_failures;
  }
  g_pAudioDriver = nullptr;
  CRecordings().DeleteAll();
  g_pImageLists = nullptr;
}

// The modes the options page is shot in: basic, advanced, and advanced with the screen-reader
// captions.
struct OptionsMode {
  const char* name;
  int advanced;
  int screenReader;
};
constexpr OptionsMode kOptionsModes[] = {{"basic", 0, 0}, {"advanced", 1, 0}, {"screenreader", 1, 1}};

// The dialog ids of the children the page lists in the current mode, in their list's order.
std::vector<int> ListedChildren(const CDlgOptions& page) {
  std::vector<int> listed;
  for (int slot = 0; slot < CDlgOptions::kSlotCount; ++slot) {
    if (page.Child(slot) != nullptr && page.ListIndexOf(slot) >= 0) listed.push_back(page.Child(slot)->DialogId());
  }
  return listed;
}

// The options page with each of its children, in basic, advanced and screen-reader modes.
void ShootOptionPages(CAppImageLists& lists) {
  CQuietOptionsSheet sheet(EnglishLanguageFile());
  LoadDefaultLangLib();
  g_pImageLists = &lists;  // the list's icons and the buttons' pictures, as in the program
  SignInAs(u"alice");
  SetDefaultOptions();
  for (const OptionsMode& mode : kOptionsModes) {
    g_AdvancedSettingMode = mode.advanced;
    g_ScreenReaderFriendlyMode = mode.screenReader;
    CDlgOptions page(sheet);
    page.show();
    for (const int dialogId : ListedChildren(page)) {
      page.OnUserSelectPage(dialogId);
      page.OnUpdateDlg();
      SettleAtItsWish(page);
      Save(page.grab(), QString("options_%1_%2").arg(dialogId).arg(mode.name));
    }
  }
  g_AdvancedSettingMode = 0;
  g_ScreenReaderFriendlyMode = 0;
  SetSettingsHooks({});
  g_pImageLists = nullptr;
}

}  // namespace

namespace {

// The sample services with the program's English file as the language in use, so the Application
// child shows it chosen in its list.
class CShotServices : public CSampleSheetServices {
 public:
  using CSampleSheetServices::CSampleSheetServices;
  std::u16string LanguageFilePath() override { return EnglishLanguageFile(); }
};

// What a shot of the whole sheet needs around it while it lives: a scratch data folder, the
// program's pictures, a signed-in user and the English texts.
class SheetShotScene {
 public:
  explicit SheetShotScene(CAppImageLists& lists) {
    qputenv("QAV_DATA_DIR", m_data.path().toLocal8Bit());
    g_pImageLists = &lists;
    SignInAs(u"alice.s");
    LoadDefaultLangLib();
  }
  ~SheetShotScene() {
    g_UserCollection.RemoveAll();
    g_pImageLists = nullptr;
  }
  SheetShotScene(const SheetShotScene&) = delete;
  SheetShotScene& operator=(const SheetShotScene&) = delete;

 private:
  QTemporaryDir m_data;
};

// Recordings as the user finds them: voice messages, heard and new, from contacts and a telephone
// number, and ended conversations, one of them a conference.
void SeedRecordings() {
  using qav::samples::AddSampleConversation;
  using qav::samples::AddSampleVoiceMessage;
  g_MessageCollection.init(u"alice.s");
  g_ConversationCollection.init(u"alice.s");
  AddSampleVoiceMessage(1, {u"bob.k", u"Bob Kramer"}, 42, true);
  AddSampleVoiceMessage(2, {u"+4930555123", u"+4930555123"}, 17, true);
  AddSampleVoiceMessage(3, {u"carla.m", u"Carla Mendes"}, 95, false);
  AddSampleVoiceMessage(4, {u"dave_w", u"Dave"}, 8, false);
  const int64_t monday = 1709539200;  // 2024-03-04 08:00 UTC
  AddSampleConversation(monday + 3600 * 2, 754, {{u"bob.k", u"Bob Kramer"}});
  AddSampleConversation(monday + 86400 + 3600 * 6, 1835, {{u"carla.m", u"Carla Mendes"}, {u"dave_w", u"Dave"}});
  AddSampleConversation(monday + 2 * 86400 + 600, 48, {{u"+4930555123", u"+4930555123"}});
}

// The property sheet on each of its pages, as the tray opens it.
void ShootSheet(CAppImageLists& lists) {
  const SheetShotScene scene(lists);
  SetDefaultOptions();  // the options page shows the default greeting and notice texts
  SeedRecordings();
  CQtPropertySheet sheet(std::make_unique<CShotServices>(u"alice.s"));
  sheet.Create(u"QAV");
  sheet.Localize();
  const std::pair<uint32_t, const char*> pages[] = {{kPageVoiceMessages, "sheet_voice_messages"},
                                                    {kPageConversations, "sheet_conversations"},
                                                    {kPageOptions, "sheet_options"},
                                                    {kPageAbout, "sheet_about"}};
  for (const auto& [flag, name] : pages) {
    sheet.ShowPage(flag);
    QApplication::processEvents();
    Save(sheet.Window()->grab(), name);
  }
  // Screen-reader mode switched on in the open sheet: the greeting child's captions need room.
  g_ScreenReaderFriendlyMode = 1;
  sheet.Localize();
  sheet.ShowPage(kPageOptions);
  sheet.SelectOptionChild(347);
  QApplication::processEvents();
  Save(sheet.Window()->grab(), "sheet_options_screenreader");
  g_ScreenReaderFriendlyMode = 0;
  sheet.Localize();
  sheet.Window()->hide();
  sheet.ShowPage(kPageVoiceMessages);
  if (auto* messages = dynamic_cast<CDlgMessages*>(sheet.Window()->Page(kPageVoiceMessages))) {
    QTreeView* list = messages->List();
    list->setFocus();
    for (int row : {0, 1}) list->selectionModel()->select(list->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  QApplication::processEvents();
  Save(sheet.Window()->grab(), "sheet_voice_messages_selected");
  sheet.Window()->hide();
  sheet.Destroy();
  g_MessageCollection.RemoveAll();
  g_ConversationCollection.DeleteAll();
  g_CallCollection.DeleteAll();
}

// The sheet on the options page with each child, in basic, advanced and screen-reader modes, at
// the size the screen gives it; on a real display also the whole screen, frame and all.
void ShootSheetOptionChildren(CAppImageLists& lists) {
  const SheetShotScene scene(lists);
  const bool onDisplay = QGuiApplication::platformName() != QLatin1String("offscreen");
  for (const OptionsMode& mode : kOptionsModes) {
    SetDefaultOptions();
    g_AdvancedSettingMode = mode.advanced;
    g_ScreenReaderFriendlyMode = mode.screenReader;
    CQtPropertySheet sheet(std::make_unique<CShotServices>(u"alice.s"));
    sheet.Create(u"QAV");
    sheet.Localize();
    sheet.ShowPage(kPageOptions);
    const auto* page = dynamic_cast<const COptionsPropPage*>(sheet.Window()->Page(kPageOptions));
    for (const int dialogId : page != nullptr ? ListedChildren(*page->Options()) : std::vector<int>{}) {
      sheet.SelectOptionChild(static_cast<uint32_t>(dialogId));
      QElapsedTimer settle;
      settle.start();
      // The window manager frames and places the sheet a moment after it shows.
      while (settle.elapsed() < (onDisplay ? 400 : 0)) QApplication::processEvents(QEventLoop::AllEvents, 50);
      QApplication::processEvents();
      const QString name = QString("sheet_option_%1_%2").arg(dialogId).arg(mode.name);
      Save(sheet.Window()->grab(), name);
      // A child lays out to the page's width: a sideways scroll bar is worth a look.
      if (const auto* area = sheet.Window()->findChild<QAbstractScrollArea*>(QStringLiteral("childArea"));
          area != nullptr && area->horizontalScrollBar()->isVisible()) {
        std::fprintf(stderr, "qav-ui-shots: %s scrolls sideways\n", qPrintable(name));
      }
      if (onDisplay) Save(QGuiApplication::primaryScreen()->grabWindow(0), "screen_" + name);
    }
    sheet.Window()->hide();
    sheet.Destroy();
  }
  g_AdvancedSettingMode = 0;
  g_ScreenReaderFriendlyMode = 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qav-ui-shots <folder>\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  g_folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(g_folder);
  // The program's language folder, with the built-in English file in it, so the Application
  // child's language list shows what a user's does.
  QTemporaryDir languages;
  LanguagesInit(languages.path().toStdU16String(), true);
  CAppImageLists lists;
  lists.Create();
  g_pImageLists = &lists;
  ShootImageLists(lists);
  ShootButtons(lists);
  ShootMenu(lists);
  ShootBoxes();
  ShootProgress();
  ShootCustomControls(lists);
  ShootReportDialogs();
  ShootSheet(lists);
  ShootSheetOptionChildren(lists);
  ShootOptionPages(lists);
  ShootPlayer(lists);
  if (g_failures == 0) std::printf("qav-ui-shots: screenshots written to %s\n", argv[1]);
  return g_failures == 0 ? 0 : 1;
}
