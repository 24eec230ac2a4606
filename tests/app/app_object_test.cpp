#include "app/zv_app.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "app/app_messages.h"
#include "app/dispatcher_link.h"
#include "app/problem_report_part.h"
#include "app/zv_app_wnd.h"
#include "audio/greeting_memory.h"
#include "foundation/app_folders.h"
#include "foundation/language_tables.h"
#include "foundation/registry_access.h"
#include "foundation/settings.h"
#include "platform/virtual_loop.h"
#include "skype/link/user_collection.h"
#include "tests/app/app_doubles.h"
#include "tests/app/installed_app_test.h"
#include "tests/support/log_capture.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/support/command_output.h"
#include "tests/support/web_stand_in.h"

using namespace qav;
using namespace qav::test;

namespace {

class AppObjectTest : public ::testing::Test {
 protected:
  TempDir dir_;
  ScopedEnv desktop_{"QAV_DESKTOP_DIR", dir_.path() + "/desktop"};
  ScopedEnv registry_{"QAV_REGISTRY_DIR", dir_.path() + "/registry"};
  ScopedEnv data_{"QAV_DATA_DIR", dir_.path() + "/data"};
  ScopedEnv temp_{"QAV_TEMP_DIR", dir_.path() + "/temp"};
  VirtualLoop v_;
  Journal journal_;
  RecordingParts parts_{journal_};
  CZVApp app_{v_.loop(), parts_.Components(), CommandLine()};
};

TEST_F(AppObjectTest, AGreetingWithoutItsFirstBeepIsEmptyAndSaysWhichFileFailed) {
  LogCapture log;
  // The test program's folder holds no beep1.wav.
  EXPECT_EQ(app_.LoadGreetingMemFileBuddy(), 0);
  EXPECT_TRUE(log.Has(LOG_WARNING, u"CZVApp::LoadGreetingMemFileBuddy[ Fail to load file " + GetAppFolder() +
                                       u"beep1.wav"));
  const auto greeting = app_.GetGreetingMemFile(true);
  ASSERT_NE(greeting, nullptr);
  EXPECT_TRUE(greeting->GetSamples().empty());
  EXPECT_EQ(app_.LoadGreetingMemFileNonBuddy(), 0);
  EXPECT_TRUE(log.Has(LOG_WARNING, u"CZVApp::LoadGreetingMemFileNonBuddy[ Fail to load file " + GetAppFolder() +
                                       u"beep1.wav"));
}

TEST_F(AppObjectTest, ANewGreetingLeavesTheOneBeingPlayedWhole) {
  app_.LoadGreetingMemFileBuddy();
  std::shared_ptr<const CWaveMemFile> playing = app_.GetGreetingMemFile(true);  // the audio thread's
  std::weak_ptr<const CWaveMemFile> old = playing;
  app_.LoadGreetingMemFileBuddy();  // the user chose a new greeting during the call
  EXPECT_NE(app_.GetGreetingMemFile(true), playing);
  WAVEFORMATEX format{};
  uint32_t size = kWaveFormatExSize;
  EXPECT_EQ(playing->GetFormat(&format, &size), 18);  // still whole
  EXPECT_EQ(app_.GetGreetingMemFile(false), nullptr);  // the other greeting is apart
  playing.reset();
  EXPECT_TRUE(old.expired());  // freed with its last holder

  // A reader that keeps taking and reading the greeting while it is rebuilt over and over.
  std::atomic<bool> stop{false};
  std::atomic<size_t> read{0};
  std::thread reader([&] {
    do {
      if (auto greeting = app_.GetGreetingMemFile(true)) read += greeting->GetSamples().size() + 1;
    } while (!stop);
  });
  for (int i = 0; i < 200; ++i) app_.LoadGreetingMemFileBuddy();
  stop = true;
  reader.join();
  EXPECT_GT(read.load(), 0u);

  app_.DeleteDriversAndGreetings();  // the exit path lets both go
  EXPECT_EQ(app_.GetGreetingMemFile(true), nullptr);
}

TEST_F(AppObjectTest, ALanguageThatDoesNotLoadFallsBackToEnglish) {
  ASSERT_EQ(app_.GetLanguageFilePath(), GetAppFolder() + u"Language/ZV_EN.lang");
  app_.Profile().Language = u"de";
  EXPECT_EQ(app_.GetLanguageFilePath(), GetAppFolder() + u"Language/ZV_DE.lang");

  // No such file: the built-in English table, code EN, left to right.
  app_.ApplyLanguage(u"/nowhere/ZV_XX.lang");
  EXPECT_EQ(app_.Profile().Language, u"EN");
  EXPECT_FALSE(app_.Profile().RightToLeft);
  EXPECT_EQ(GetLangString(IDS_SYSTRAY_POPUP_MENU_QUIT), u"Quit");
}

class AppLanguage : public InstalledAppTest {};

// The settings reload at sign-in runs on the dispatcher's thread while the GUI thread goes on
// reading the language (the sheet's web links, the tray menu's direction). The switch the reload
// asks for is made on the GUI thread, once its loop serves it, and the sheet is re-localised then.
TEST_F(AppLanguage, ASignInReloadOnAnotherThreadSwitchesTheLanguageOnTheGuiThread) {
  CZVApp app(v.loop(), parts.Components(), CommandLine());
  ASSERT_TRUE(app.InitInstance());
  ASSERT_NE(app.MainWindow(), nullptr);
  ASSERT_NE(parts.sheetServices, nullptr);
  v.RunUntilIdle();
  ASSERT_EQ(app.Profile().Language, u"EN");
  // A right-to-left language is in use when the user signs in; the settings files name English.
  app.Profile().Language = u"XX";
  app.Profile().RightToLeft = true;
  journal.Clear();

  std::atomic<bool> reloaded{false};
  std::thread dispatcher([&] {
    LoadSettings();
    reloaded = true;
  });
  size_t read = 0;
  do {
    read += parts.sheetServices->WebLanguage().size() + (app.Profile().RightToLeft ? 1 : 0);
  } while (!reloaded);
  dispatcher.join();
  EXPECT_GT(read, 0u);
  EXPECT_EQ(app.Profile().Language, u"XX");  // nothing switched behind the GUI thread's back
  EXPECT_TRUE(app.Profile().RightToLeft);
  EXPECT_EQ(journal.Text().find("sheet.localize"), std::string::npos);

  v.RunUntilIdle();
  EXPECT_EQ(app.Profile().Language, u"EN");
  EXPECT_FALSE(app.Profile().RightToLeft);
  EXPECT_NE(journal.Text().find("sheet.localize"), std::string::npos) << journal.Text();
}

TEST_F(AppObjectTest, TheCallClientStartsFromItsRegisteredPathWithItsArguments) {
  CRegistryAccess machine;
  ASSERT_TRUE(machine.SetRootKey(HKEY_LOCAL_MACHINE));
  ASSERT_TRUE(machine.SetKey(u"Software\\Skype\\Phone", true));
  ASSERT_TRUE(machine.WriteString(u"SkypePath", u"/opt/Sky pe/skype"));
  app_.StartSkypeMinimized(u"");
  app_.StartSkypeClient(u"/usr/bin/other", u"\"a b\" c");
  EXPECT_EQ(journal_.Text(),
            "shell.start /opt/Sky pe/skype [/nosplash] [/minimized]\nshell.start /usr/bin/other [a b] [c]");
}

TEST_F(AppObjectTest, AProblemReportCarriesTheLogTheSettingsAndTheFacts) {
  struct Files : CProblemReportFiles {
    void AddFile(std::u16string_view path, std::u16string_view name) override {
      files += U8(name) + "=" + U8(path) + ";";
    }
    void AddSettingsFile(std::u16string_view path, std::u16string_view name) override { AddFile(path, name); }
    void SetSubject(std::u16string_view s) override { subject = U8(s); }
    void SetDescription(std::u16string_view d) override { description = U8(d); }
    std::string files, subject, description;
  } report;
  app_.ReportAddFilesCallback(report, false);
  EXPECT_FALSE(g_bReportInProgress);
  EXPECT_EQ(report.subject, "Problem Report for Zarvelin QAV [" QAV_VERSION_STRING "]");
  EXPECT_NE(report.files.find("Global QAV.ini=" + dir_.path() + "/data/QAV/QAV.ini;"), std::string::npos);
  EXPECT_NE(report.description.find("\r\nApp Version: " QAV_VERSION_STRING "\r\nSkype Version: "), std::string::npos);
  app_.ReportAddFilesCallback(report, true);
  EXPECT_EQ(report.subject, "Crash Report for Zarvelin QAV [" QAV_VERSION_STRING "]");
  EXPECT_TRUE(g_bReportInProgress);
  g_bReportInProgress = false;
}

// The facts of a report come from the link: the signed-in user and the language the client gave
// for the user (the dispatcher stores it from USER <handle> LANGUAGE).
TEST_F(AppObjectTest, TheLinkGivesAReportTheUserAndTheLanguageTheClientGave) {
  CDispatcherLink link(v_.loop(), app_);
  EXPECT_EQ(link.CurrentUser().clientLanguage, u"");
  g_CurrentUser.init(u"ann.k");
  g_CurrentUser.SetFullName(u"Ann K");
  g_CurrentUser.SetLanguage(u"de German");
  const CAppCurrentUser user = link.CurrentUser();
  EXPECT_EQ(user.handle, u"ann.k");
  EXPECT_EQ(user.fullName, u"Ann K");
  EXPECT_EQ(user.clientLanguage, u"de German");
  g_CurrentUser.Reset();  // signed out: nothing of the user is left
  EXPECT_EQ(link.CurrentUser().clientLanguage, u"");
}

// The tray's report, refused by the server: the report is kept as the saved ZIP, the message says
// where, and the settings went in without the mail password.
TEST_F(AppObjectTest, AProblemReportTheServerRefusesIsSavedAndNamed) {
  WebStandIn server({"--misbehave", "refuse"});
  ASSERT_TRUE(server.started());
  ScopedEnv web("QAV_WEB_BASE", server.BaseUrl());
  LoadDefaultLangLib();
  std::filesystem::create_directories(dir_.path() + "/data/QAV");
  ASSERT_TRUE(WriteFileBytes(dir_.path() + "/data/QAV/QAV.ini", "[Settings]\nEMailLoginPass=0A1B2C3D4E5F\n"));
  struct Boxes : MessageBoxHandler {
    Boxes() { SetMessageBoxHandler(this); }
    ~Boxes() override { SetMessageBoxHandler(nullptr); }
    int Show(std::u16string_view text, std::u16string_view, uint32_t type) override {
      shown.push_back(U8(text));
      return DefaultMessageBoxAnswer(type);
    }
    std::vector<std::string> shown;
  } boxes;

  CProblemReportPart report(app_, -1);
  EXPECT_EQ(report.SendProblemReport(), 0);
  const std::string saved = dir_.path() + "/temp/Zarvelin QAV Report Log.zip";
  ASSERT_EQ(boxes.shown.size(), 2u);  // the question, then where the report is
  EXPECT_NE(boxes.shown[1].find("A saved copy of the report is in '" + saved + "'."), std::string::npos)
      << boxes.shown[1];
  EXPECT_EQ(CommandOutput("unzip -tq '" + saved + "'").find("No errors detected"), 0u);
  const std::string entries = CommandOutput("zipinfo -1 '" + saved + "'");
  EXPECT_NE(entries.find("Zarvelin QAV.dmp"), std::string::npos) << entries;
  EXPECT_NE(entries.find("Zarvelin QAV.xml"), std::string::npos) << entries;
  EXPECT_EQ(CommandOutput("unzip -p '" + saved + "' 'Global QAV.ini'"), "[Settings]\nEMailLoginPass=\n");
}

// Without a user interface too, the upload of a report runs off the GUI thread: while the server
// holds it without answering, the GUI loop goes on serving what is posted to it, and an exit
// request stops the upload and ends the report at once, which is then kept as the saved copy.
TEST_F(AppObjectTest, AReportWhoseUploadHangsLeavesTheLoopServedAndEndsAtAnExitRequest) {
  WebStandIn server({"--misbehave", "stall"});
  ASSERT_TRUE(server.started());
  ScopedEnv web("QAV_WEB_BASE", server.BaseUrl());
  LoadDefaultLangLib();
  AnsweringBoxes boxes(journal_, IDYES);
  LogCapture log;
  // A window of the GUI loop, which a peer posts to once the server holds the upload; served, it
  // asks the program to end.
  bool served = false;
  Window window;
  ASSERT_TRUE(window.Create(v_.loop(), "QAVTestPeer", u"", WindowKind::kLocal, [&](Msg& message) -> LResult {
    if (message.message != WM_USER) return DefWindowProc(message);
    served = true;
    v_.loop().PostQuit(0);
    return 0;
  }));
  std::thread peer([&, target = window.handle()] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (server.Read("stalled-1.head").empty() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    PostMessage(target, WM_USER);
  });

  CProblemReportPart report(app_, -1);
  EXPECT_EQ(report.SendProblemReport(), 0);
  peer.join();
  EXPECT_TRUE(served);
  EXPECT_NE(server.Read("stalled-1.head").find("applinks/report/"), std::string::npos);
  EXPECT_TRUE(log.Has(LOG_INFO, u"CProblemReportPart: the upload was stopped (cancelled, or the program is ending)"));
  EXPECT_TRUE(std::filesystem::exists(dir_.path() + "/temp/Zarvelin QAV Report Log.zip"));
}

// With a user interface the report asks with its dialog, not with a box.
TEST_F(AppObjectTest, AProblemReportAsksWithTheComponentsDialog) {
  struct Dialog : CReportDialog {
    explicit Dialog(std::vector<bool>& shown) : shown(shown) {}
    int Show(bool crash, Hwnd, CReportDialogAnswer&) override {
      shown.push_back(crash);
      return 2;  // Don't Send
    }
    std::vector<bool>& shown;
  };
  std::vector<bool> shown;
  CAppComponents components = parts_.Components();
  components.reportDialog = [&shown] { return std::make_unique<Dialog>(shown); };
  CZVApp app(v_.loop(), components, CommandLine());
  AnsweringBoxes boxes(journal_, IDYES);
  journal_.Clear();

  CProblemReportPart report(app, -1);
  EXPECT_EQ(report.SendProblemReport(), 0);
  EXPECT_EQ(shown, std::vector<bool>{false});
  EXPECT_EQ(journal_.Text().find("box "), std::string::npos) << journal_.Text();
}

}  // namespace
