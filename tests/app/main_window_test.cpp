#include "app/zv_app_wnd.h"

#include <gtest/gtest.h>

#include <memory>

#include "app/app_messages.h"
#include "app/desktop_shell.h"
#include "app/link_opening.h"
#include "app/server_exchange_part.h"
#include "app/web_links.h"
#include "app/zv_app.h"
#include "calls/message_collection.h"
#include "foundation/language_tables.h"
#include "foundation/settings.h"
#include "foundation/settings_ini.h"
#include "platform/registered_message.h"
#include "platform/virtual_loop.h"
#include "skype/link/skype_vocabulary.h"
#include "tests/app/app_doubles.h"
#include "tests/support/fake_opener.h"
#include "tests/support/pump.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/support/web_stand_in.h"

using namespace qav;
using namespace qav::test;

namespace {

constexpr int64_t kWeek = 604800;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadDefaultLangLib();
    g_ShowBalloonTips = 1;
    SetCurrentClock(&v_.clock());
    v_.clock().SetWall({1'700'000'000, 0});
  }
  void TearDown() override {
    window_.reset();
    app_.reset();
    SetCurrentClock(nullptr);
    g_LastCheckForUpdatesDate = 0;
    g_LastNotifiedVersionOnServer = u"";
    g_LastNotifiedVersionOnServerDate = 0;
    g_ShowBalloonTips = 1;
    g_bReportInProgress = false;
  }

  // Builds the application object and its main window with recording parts; the link is set up
  // by `configure` before the window's creation runs.
  void Open(bool sheetExists = true, const std::function<void(RecordingLink&)>& configure = {}) {
    parts_ = std::make_unique<RecordingParts>(journal_, sheetExists);
    app_ = std::make_unique<CZVApp>(v_.loop(), parts_->Components(), CommandLine());
    window_ = std::make_unique<CZVAppWnd>(*app_);
    if (configure) configure(*parts_->link);
    ASSERT_TRUE(window_->Create());
    v_.RunUntilIdle();
    journal_.Clear();
  }
  void Post(uint32_t message, WParam wParam = 0, LParam lParam = 0) {
    ASSERT_TRUE(PostMessage(window_->GetSafeHwnd(), message, wParam, lParam));
    v_.RunUntilIdle();
  }

  TempDir dir_;
  ScopedEnv desktop_{"QAV_DESKTOP_DIR", dir_.path() + "/desktop"};
  ScopedEnv data_{"QAV_DATA_DIR", dir_.path() + "/data"};
  ScopedEnv config_{"QAV_CONFIG_DIR", dir_.path() + "/config"};
  ScopedEnv registry_{"QAV_REGISTRY_DIR", dir_.path() + "/registry"};
  ScopedEnv web_{"QAV_WEB_BASE", "http://web.test/"};
  ScopedEnv temp_{"QAV_TEMP_DIR", dir_.path() + "/temp"};
  VirtualLoop v_;
  Journal journal_;
  AnsweringBoxes boxes_{journal_, IDOK};
  std::unique_ptr<RecordingParts> parts_;
  std::unique_ptr<CZVApp> app_;
  std::unique_ptr<CZVAppWnd> window_;
};

TEST_F(MainWindowTest, CreationStartsThePartsAndTheTimers) {
  parts_ = std::make_unique<RecordingParts>(journal_);
  app_ = std::make_unique<CZVApp>(v_.loop(), parts_->Components(), CommandLine());
  window_ = std::make_unique<CZVAppWnd>(*app_);
  ASSERT_TRUE(window_->Create());
  EXPECT_EQ(journal_.Text(),
            "sheet.create QAV\nsheet.localize\ntray.add\nworkers.mail\nworkers.notify\nlink.start");
  EXPECT_TRUE(window_->UpdateCheckTimerRunning());  // its first tick ran inside the creation
  EXPECT_EQ(FindWindow("ZarvelinMainWnd", std::u16string_view(u"QAV")), window_->GetSafeHwnd());
  EXPECT_EQ(window_->TaskbarMessage(), RegisterWindowMessage("QAVTaskbarMsg"));
  v_.AdvanceMs(749);
  EXPECT_EQ(parts_->tray->updates, 0);
  v_.AdvanceMs(1);
  EXPECT_EQ(parts_->tray->updates, 1);
  v_.AdvanceMs(7500);
  EXPECT_EQ(parts_->tray->updates, 11);
}

TEST_F(MainWindowTest, PrivateMessagesReachTheirParts) {
  struct Case {
    bool sheet;
    uint32_t message;
    WParam wParam;
    LParam lParam;
    const char* expected;
  } cases[] = {
      {true, UM_UPDATEDLG, 0xF0000, 0, "sheet.changed 0xf0000"},
      {true, UM_UPDATEDLG, 0x30000, 0, "sheet.changed 0x30000"},
      {true, UM_UPDATEDLG, 0x40001, 0, "sheet.changed 0x40000"},
      {true, UM_UPDATEDLG, 0x1, 0, ""},
      {false, UM_UPDATEDLG, 0xF0000, 0, ""},
      {true, UM_SELECTOPTIONPAGE, 0x20000, 0, "sheet.show 0x20000"},
      {true, UM_LOCALIZE, 0, 0, "sheet.localize"},
      {true, UM_ENABLEAPPLY, 0, 0, "sheet.enable-apply"},
      {true, UM_PLAYNEWMSGS, 0, 0, "sheet.play-new"},
      {false, UM_PLAYNEWMSGS, 0, 0, ""},
      {true, UM_EMAILVOICEMSG, 0x1234, 0, ""},  // no such voice message
      {true, UM_BALLOONTIP, IDS_SYSTRAY_TIP_ANSWERING_MODE_ENABLED, 3000, "tray.balloon Enabled 3000"},
      {true, UM_BALLOONTIPIFALLOWED, IDS_SYSTRAY_TIP_ANSWERING_MODE_DISABLED, 500, "tray.balloon Disabled 500"},
      {true, WM_TIMER, kTimerTrayClick, 0, "tray.notify 0x4cc"},
      {true, UM_REPORTPROBLEM, 0, 0,
       "report.send\ntimed box 0x40 15s Thank you. Your report has been sent successfully.\r\n\r\n"
       "This message will close in <T> seconds"},
  };
  for (const auto& c : cases) {
    Open(c.sheet);
    Post(c.message, c.wParam, c.lParam);
    EXPECT_EQ(journal_.Text(), c.expected) << Hex(c.message) << " " << Hex(c.wParam);
    window_.reset();
  }
}

// The sheet asks the program by name; what changes the program's look is queued onto the window's
// loop and runs once the page's handler has returned, in the order asked. The update check the user
// asks for starts before the handler returns (the page's wait cursor covers it); the exchange
// itself runs on its own thread.
TEST_F(MainWindowTest, TheSheetsRequestsRunOnTheWindowsLoopAfterThePagesHandlerAndTheCheckAtOnce) {
  Open(true, [](RecordingLink& link) { link.user = {u"alice", u"Alice A", u"Ally", u"", SkypeOnlineStatus::ONLINE}; });
  ASSERT_NE(parts_->sheetServices, nullptr);
  CSheetServices& services = *parts_->sheetServices;
  EXPECT_EQ(services.CurrentUserHandle(), u"alice");
  EXPECT_EQ(services.WebLanguage(), u"EN");
  const int updates = parts_->tray->updates;
  services.Relocalize();
  services.RefreshTray();
  services.PagesChanged(CSheetPages{kPageVoiceMessages});
  EXPECT_EQ(journal_.Text(), "");
  EXPECT_EQ(parts_->tray->updates, updates);
  services.CheckForUpdatesNow();
  EXPECT_EQ(journal_.Text().rfind("exchange.start 1 username=alice", 0), 0u) << journal_.Text();
  journal_.Clear();
  v_.RunUntilIdle();
  EXPECT_EQ(parts_->tray->updates, updates + 1);
  EXPECT_EQ(journal_.Text().rfind("sheet.localize\nsheet.changed 0x10000", 0), 0u) << journal_.Text();
}

TEST_F(MainWindowTest, AVoiceMessageIsMailedOnlyWhileTheCollectionHoldsIt) {
  Open();
  ASSERT_EQ(g_MessageCollection.init(u"me"), 1);
  CMessage* message = g_MessageCollection.Add(std::make_unique<CMessage>());
  ASSERT_NE(message, nullptr);
  v_.RunUntilIdle();  // the page's refresh
  journal_.Clear();
  const auto id = static_cast<uint64_t>(message->GetId());
  Post(UM_EMAILVOICEMSG, id);
  EXPECT_EQ(journal_.Text(), "workers.mail-message " + std::to_string(id));
  // The user deleted it before the main window got to it, and a new message (quite possibly at
  // the same address) came in meanwhile: the old notice names nothing any more.
  g_MessageCollection.del(message);
  CMessage* newer = g_MessageCollection.Add(std::make_unique<CMessage>());
  ASSERT_NE(newer, nullptr);
  v_.RunUntilIdle();
  journal_.Clear();
  Post(UM_EMAILVOICEMSG, id);
  EXPECT_EQ(journal_.Text(), "");
  Post(UM_EMAILVOICEMSG, static_cast<uint64_t>(newer->GetId()));
  EXPECT_EQ(journal_.Text(), "workers.mail-message " + std::to_string(static_cast<uint64_t>(newer->GetId())));
  g_MessageCollection.RemoveAll();
}

TEST_F(MainWindowTest, MessagesThatDependOnStateOrSettings) {
  Open(false);
  const std::string ini = dir_.path() + "/data/QAV/QAV.ini";
  EXPECT_TRUE(ReadFileBytes(ini).empty());
  Post(UM_ENABLEAPPLY);  // no sheet: the settings are saved at once
  EXPECT_NE(ReadFileBytes(ini).find("AdvancedSettingMode"), std::string::npos);

  g_ShowBalloonTips = 0;
  Post(UM_BALLOONTIPIFALLOWED, IDS_SYSTRAY_TIP_ANSWERING_MODE_ENABLED, 100);
  g_bReportInProgress = true;
  Post(UM_SELECTOPTIONPAGE, 0x10000);
  EXPECT_EQ(journal_.Text(), "");

  // The sibling application's request for everything at once.
  SendOutcome taken = SendCopyData(window_->GetSafeHwnd(), 0, 120, "x");
  EXPECT_EQ(taken.result, 1);
  SendOutcome refused = SendCopyData(window_->GetSafeHwnd(), 0, 121, "x");
  EXPECT_EQ(refused.result, 0);
  EXPECT_EQ(journal_.Text(), "workers.copydata 120 1\nworkers.copydata 121 1");
}

TEST_F(MainWindowTest, CallStatusQueriesEvery15Seconds) {
  Open(true, [](RecordingLink& link) {
    link.inProgress = {5, 7};
    link.ringing = {9, 11};
  });
  v_.AdvanceMs(14999);
  EXPECT_EQ(journal_.Text().find("link.queue"), std::string::npos);
  journal_.Clear();
  v_.AdvanceMs(1);
  EXPECT_EQ(journal_.Text(), "link.queue GET CALL 5 STATUS\nlink.queue GET CALL 7 STATUS");

  // Nothing in progress: the first ringing call only.
  parts_->link->inProgress.clear();
  journal_.Clear();
  v_.AdvanceMs(15000);
  EXPECT_EQ(journal_.Text(), "link.queue GET CALL 9 STATUS");

  parts_->link->transport = false;
  journal_.Clear();
  v_.AdvanceMs(15000);
  EXPECT_EQ(journal_.Text().find("link.queue"), std::string::npos);
}

TEST_F(MainWindowTest, UpdateCheckWaitsForTheUserAndTheWeek) {
  Open(true, [](RecordingLink& link) { link.user = {u"alice", u"Alice A", u"Ally", u"", SkypeOnlineStatus::OFFLINE}; });
  EXPECT_EQ(journal_.Text().find("exchange.start"), std::string::npos);  // not signed in at the first tick

  parts_->link->user.onlineStatus = SkypeOnlineStatus::AWAY;
  g_LastCheckForUpdatesDate = v_.clock().Now().seconds - 10;  // checked less than a week ago
  v_.AdvanceMs(2'880'000);  // 14,400 s * 1000 / 5
  EXPECT_EQ(journal_.Text().find("exchange.start"), std::string::npos);

  g_LastCheckForUpdatesDate = v_.clock().Now().seconds - kWeek;
  journal_.Clear();
  v_.AdvanceMs(2'880'000 - 1);
  EXPECT_EQ(journal_.Text().find("exchange.start"), std::string::npos);
  v_.AdvanceMs(1);
  EXPECT_EQ(journal_.Text(), "exchange.start 0 username=alice fullname=Alice A skypever= lang=EN");
  EXPECT_EQ(g_LastCheckForUpdatesDate.Get(), v_.clock().Now().seconds);
}

// The call client names the user's status before the user; the check waits for the name. Its time
// is stored at once, so neither the settings reload at sign-in nor a restart forgets it.
TEST_F(MainWindowTest, UpdateCheckIsWeeklyAcrossTheSignInReloadAndARestart) {
  const CAppCurrentUser alice{u"alice", u"Alice A", u"Ally", u"", SkypeOnlineStatus::ONLINE};
  parts_ = std::make_unique<RecordingParts>(journal_);
  app_ = std::make_unique<CZVApp>(v_.loop(), parts_->Components(), CommandLine());
  window_ = std::make_unique<CZVAppWnd>(*app_);
  parts_->link->user.onlineStatus = SkypeOnlineStatus::ONLINE;
  ASSERT_TRUE(window_->Create());  // the first tick of timer 4
  Post(WM_TIMER, kTimerUpdateCheck);  // the dispatcher's tick at the status
  EXPECT_EQ(journal_.Text().find("exchange.start"), std::string::npos) << journal_.Text();

  // Sign-in: the dispatcher names the user, reloads the settings and ticks timer 4 at the status.
  journal_.Clear();
  parts_->link->user = alice;
  LoadSettings();
  Post(WM_TIMER, kTimerUpdateCheck);
  EXPECT_EQ(journal_.Text(), "exchange.start 0 username=alice fullname=Alice A skypever= lang=EN");
  const int64_t checkedAt = v_.clock().Now().seconds;
  EXPECT_NE(ReadFileBytes(dir_.path() + "/data/QAV/QAV.ini").find("LastCheckForUpdatesDate=" + std::to_string(checkedAt)),
            std::string::npos)
      << ReadFileBytes(dir_.path() + "/data/QAV/QAV.ini");

  // A second sign-in's reload, and one that read the file just before the check was stored.
  journal_.Clear();
  LoadSettings();
  Post(WM_TIMER, kTimerUpdateCheck);
  g_LastCheckForUpdatesDate = 0;
  Post(WM_TIMER, kTimerUpdateCheck);
  v_.AdvanceMs(2'880'000);
  EXPECT_EQ(journal_.Text().find("exchange.start"), std::string::npos) << journal_.Text();

  // A restart: the settings are read back from the file before the window's first tick.
  window_.reset();
  app_.reset();
  g_LastCheckForUpdatesDate = 0;
  LoadSettings();
  EXPECT_EQ(g_LastCheckForUpdatesDate.Get(), checkedAt);
  Open(true, [&](RecordingLink& link) { link.user = alice; });
  EXPECT_EQ(journal_.Text().find("exchange.start"), std::string::npos) << journal_.Text();

  // A week after the check, the next tick asks again.
  KillTimer(window_->GetSafeHwnd(), kTimerTrayIcon);  // only timer 4 matters for the week
  KillTimer(window_->GetSafeHwnd(), kTimerCallStatus);
  const int64_t dueMs = (checkedAt + kWeek - v_.clock().Now().seconds) * 1000;
  v_.AdvanceMs(dueMs - 1000);
  EXPECT_EQ(journal_.Text().find("exchange.start"), std::string::npos) << journal_.Text();
  v_.AdvanceMs(1000 + 2'880'000 - 1);
  EXPECT_EQ(journal_.Text(), "exchange.start 0 username=alice fullname=Alice A skypever= lang=EN");
}

TEST_F(MainWindowTest, ACheckAskedWhileOneRunsIsRefusedBeforeItsValuesChange) {
  Open(true, [](RecordingLink& link) { link.user.onlineStatus = SkypeOnlineStatus::ONLINE; });
  parts_->exchange->running = true;
  parts_->exchange->info = "the running check's values";
  journal_.Clear();
  Post(UM_CHECKFORUPDATE, 1, 0);
  EXPECT_EQ(journal_.Text(), "");
  EXPECT_EQ(parts_->exchange->info, "the running check's values");
  parts_->exchange->running = false;
  Post(UM_CHECKFORUPDATE, 1, 0);
  EXPECT_EQ(journal_.Text().rfind("exchange.start 1 username=", 0), 0u) << journal_.Text();
}

// The real exchange against the web server's stand-in: the first tick of timer 4, inside the
// window's creation, asks the server, and a critical newer version is put to the user in a box.
TEST_F(MainWindowTest, StartUpCheckReachesTheServerAndAnnouncesACriticalVersion) {
  WebStandIn server({"--latest-ver", "99.0.0.0", "--critical", "1", "--link", "http://downloads.test/qav.exe"});
  ASSERT_TRUE(server.started());
  parts_ = std::make_unique<RecordingParts>(journal_);
  CAppComponents components = parts_->Components();
  components.serverExchange = [&] { return std::make_unique<CServerExchangePart>(server.BaseUrl16() + u"qav/"); };
  app_ = std::make_unique<CZVApp>(v_.loop(), components, CommandLine());
  window_ = std::make_unique<CZVAppWnd>(*app_);
  parts_->link->user = {u"alice", u"Alice A", u"Ally", u"", SkypeOnlineStatus::ONLINE};
  ASSERT_TRUE(window_->Create());
  ASSERT_TRUE(PumpUntil(v_, [&] { return journal_.Text().find("box ") != std::string::npos; }, 20000))
      << journal_.Text();
  EXPECT_NE(journal_.Text().find("box 0x41 This is a Critical Version Update notify for Zarvelin QAV\r\n"
                                 "Press OK to start downloading"),
            std::string::npos)
      << journal_.Text();
  EXPECT_NE(journal_.Text().find("shell.open http://downloads.test/qav.exe"), std::string::npos) << journal_.Text();
  EXPECT_NE(server.Read("request-1.info.xml").find("<username>alice</username>"), std::string::npos);
}

// The download link is the server's to name, so it is outside data: only an http or https link
// reaches the desktop's opener (a stand-in recording its argv), and nothing else is taken for a
// file to show or an option of the opener.
TEST_F(MainWindowTest, TheServersDownloadLinkOpensOnlyWhenItIsAWebAddress) {
  FakeOpener opener(dir_.path());
  for (const char* link : {"file:///etc/passwd", "--help", "http://127.0.0.1/qav.exe"}) {
    WebStandIn server({"--latest-ver", "99.0.0.0", "--critical", "1", "--link", link});
    ASSERT_TRUE(server.started());
    parts_ = std::make_unique<RecordingParts>(journal_);
    CAppComponents components = parts_->Components();
    components.serverExchange = [&] { return std::make_unique<CServerExchangePart>(server.BaseUrl16() + u"qav/"); };
    components.shell = [] { return std::make_unique<CDesktopShell>(); };
    app_ = std::make_unique<CZVApp>(v_.loop(), components, CommandLine());
    window_ = std::make_unique<CZVAppWnd>(*app_);
    parts_->link->user = {u"alice", u"Alice A", u"Ally", u"", SkypeOnlineStatus::ONLINE};
    journal_.Clear();
    ASSERT_TRUE(window_->Create());
    ASSERT_TRUE(PumpUntil(v_, [&] { return journal_.Text().find("box 0x41") != std::string::npos; }, 20000))
        << journal_.Text();  // the user answers OK
    window_.reset();
    app_.reset();
    g_LastCheckForUpdatesDate = 0;
    WriteIniInt64(u"LastCheckForUpdatesDate", 0);
  }
  ASSERT_TRUE(opener.WaitForRuns(1));
  EXPECT_EQ(opener.Runs(), std::vector<std::string>{"1 [http://127.0.0.1/qav.exe]"});
}

// An opener that starts and then gives up (no browser on the desktop) is put to the user too,
// by the main window, once the opener has ended.
TEST_F(MainWindowTest, AnOpenerThatGivesUpIsReportedToTheUser) {
  FakeOpener opener(dir_.path(), FakeOpener::Presence::kFailing);
  parts_ = std::make_unique<RecordingParts>(journal_);
  CAppComponents components = parts_->Components();
  components.shell = [&] { return std::make_unique<CDesktopShell>([&] { return window_->GetSafeHwnd(); }); };
  app_ = std::make_unique<CZVApp>(v_.loop(), components, CommandLine());
  window_ = std::make_unique<CZVAppWnd>(*app_);
  ASSERT_TRUE(window_->Create());
  journal_.Clear();
  EXPECT_TRUE(OpenWebLinkForUser(app_->Shell(), u"http://127.0.0.1/help", true));  // it started
  ASSERT_TRUE(PumpUntil(v_, [&] { return journal_.Text().find("box ") != std::string::npos; }, 20000));
  EXPECT_EQ(journal_.Text(),
            "box 0x30 Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename "
            "extension.");
  EXPECT_EQ(opener.Runs(), std::vector<std::string>{"1 [http://127.0.0.1/help]"});
}

// A check that hangs on the network does not hold up the exit: its thread is stopped and joined,
// and no result reaches the window afterwards.
TEST_F(MainWindowTest, ExitEndsAStalledCheckWithoutWaitingForTheServer) {
  WebStandIn server({"--misbehave", "stall"});
  ASSERT_TRUE(server.started());
  parts_ = std::make_unique<RecordingParts>(journal_);
  CAppComponents components = parts_->Components();
  CServerExchangePart* exchange = nullptr;
  components.serverExchange = [&] {
    auto part = std::make_unique<CServerExchangePart>(server.BaseUrl16() + u"qav/");
    exchange = part.get();
    return part;
  };
  app_ = std::make_unique<CZVApp>(v_.loop(), components, CommandLine());
  window_ = std::make_unique<CZVAppWnd>(*app_);
  parts_->link->user = {u"alice", u"Alice A", u"Ally", u"", SkypeOnlineStatus::ONLINE};
  ASSERT_TRUE(window_->Create());
  ASSERT_NE(exchange, nullptr);
  ASSERT_TRUE(exchange->IsRunning());
  window_->ExitApplication();
  EXPECT_FALSE(exchange->IsRunning());
  v_.RunUntilIdle();
  EXPECT_EQ(journal_.Text().find("box "), std::string::npos) << journal_.Text();
  window_.reset();
}

TEST_F(MainWindowTest, TheServersPeriodIsHeldAndRestartsTimer4) {
  struct Case {
    std::optional<int32_t> period;
    int64_t nextCheckMs;  // from the reply, which comes 1 s after the timer started
  } cases[] = {
      {86400, 17'280'000},
      {std::nullopt, 2'880'000 - 1000},  // no value: untouched
      {14400, 2'880'000 - 1000},         // the period in force: untouched
      {0x7FFFFFFF, 518'400'000},         // 30 days at most, computed without overflow
      {-5, 12'000},                      // 60 s at least
  };
  for (const auto& c : cases) {
    Open(true, [](RecordingLink& link) { link.user = {u"alice", u"Alice A", u"Ally", u"", SkypeOnlineStatus::ONLINE}; });
    KillTimer(window_->GetSafeHwnd(), kTimerTrayIcon);  // only timer 4 runs here
    KillTimer(window_->GetSafeHwnd(), kTimerCallStatus);
    v_.AdvanceMs(1000);
    if (c.period) parts_->exchange->ints[u"QAV/UpdateCheckPeriodSec"] = *c.period;
    Post(UM_SERVERUPDATEDONE, 0, 1);
    g_LastCheckForUpdatesDate = 0;  // every tick checks
    WriteIniInt64(u"LastCheckForUpdatesDate", 0);
    journal_.Clear();
    v_.AdvanceMs(c.nextCheckMs - 1);
    EXPECT_EQ(journal_.Text(), "") << c.nextCheckMs;
    v_.AdvanceMs(1);
    EXPECT_EQ(journal_.Text().rfind("exchange.start 0", 0), 0u) << c.nextCheckMs;
    window_.reset();
  }
}

TEST_F(MainWindowTest, ServerRepliesByHandAndByTimer) {
  Open();
  Post(UM_SERVERUPDATEDONE, 1, 0);  // a failed manual check says so; a failed timer check does not
  Post(UM_SERVERUPDATEDONE, 0, 0);
  EXPECT_EQ(journal_.Text(), "box 0x30 Failed to retrieve application update information from internet.");

  journal_.Clear();
  parts_->exchange->strings[u"QAV/LatestVer"] = u"1.0.0.0";
  Post(UM_SERVERUPDATEDONE, 1, 1);
  EXPECT_EQ(journal_.Text(), "box 0x40 Your Zarvelin QAV version is up to date");

  // Newer, by hand: OK opens the default link, its values encoded.
  journal_.Clear();
  app_->Profile().Language = u"E N";
  parts_->exchange->strings[u"QAV/LatestVer"] = u"99.0.0.0";
  Post(UM_SERVERUPDATEDONE, 1, 1);
  EXPECT_EQ(journal_.Text(),
            "box 0x41 A newer Zarvelin QAV version is available for download\r\nPress OK to start downloading\n"
            "shell.open http://web.test/qav/applinks/download/?lang=E%20N&ver=" QAV_VERSION_STRING " max");

  // Newer, by timer, critical: the sheet comes up and the question is asked; Cancel opens nothing.
  journal_.Clear();
  boxes_.SetAnswer(IDCANCEL);
  parts_->exchange->strings[u"QAV/LatestVer@sLink"] = u"http://dl.test/q";
  parts_->exchange->strings[u"QAV/LatestVer@CritialUpdate"] = u"1";
  Post(UM_SERVERUPDATEDONE, 0, 1);
  EXPECT_EQ(journal_.Text(),
            "sheet.show 0\nbox 0x41 This is a Critical Version Update notify for Zarvelin QAV\r\n"
            "Press OK to start downloading");

  // Newer, by timer, not critical: a balloon once, then again only after three days.
  parts_->exchange->strings.erase(u"QAV/LatestVer@CritialUpdate");
  journal_.Clear();
  Post(UM_SERVERUPDATEDONE, 0, 1);
  Post(UM_SERVERUPDATEDONE, 0, 1);
  EXPECT_EQ(journal_.Text(),
            "tray.balloon New Zarvelin QAV version released and is available for download -1 http://dl.test/q");
  EXPECT_EQ(g_LastNotifiedVersionOnServer.Get(), u"99.0.0.0");
  EXPECT_NE(ReadFileBytes(dir_.path() + "/data/QAV/QAV.ini").find("LastNotifiedVersionOnServer=99.0.0.0"),
            std::string::npos);
  journal_.Clear();
  v_.clock().SetWall({1'700'000'000 + 259201, 0});
  Post(UM_SERVERUPDATEDONE, 0, 1);
  EXPECT_EQ(journal_.Text().rfind("tray.balloon", 0), 0u);
}

TEST_F(MainWindowTest, ServerFlagsAreStoredAndAClearedOneLeavesTheProfile) {
  Open();
  app_->Profile().CheckForUpdateBtn = 1;
  AppProfile profile = ProgramProfile();
  profile.WriteProfileInt(kProfileSection, u"CheckForUpdateBtn", 1);
  parts_->exchange->ints[u"QAV/ShowCheckForUpdateBtn"] = 0;
  parts_->exchange->ints[u"QAV/ReportProblemUsingWebPage"] = 7;
  parts_->exchange->ints[u"QAV/IsSkypeCertified"] = 1;
  Post(UM_SERVERUPDATEDONE, 0, 1);
  EXPECT_EQ(app_->Profile().CheckForUpdateBtn, 0);
  EXPECT_FALSE(profile.ProfileValueExists(kProfileSection, u"CheckForUpdateBtn"));
  EXPECT_TRUE(app_->Profile().ReportProblemUsingWebPage);
  EXPECT_EQ(app_->Profile().IsSkypeCertified, 1);

  // Reports now go to the web page, with only the values that are known, encoded.
  parts_->link->user = {u"bob&co", u"", u"", u"", SkypeOnlineStatus::ONLINE};
  journal_.Clear();
  Post(UM_REPORTPROBLEM);
  EXPECT_EQ(journal_.Text(), "shell.open http://web.test/qav/applinks/report/?lang=EN&ver=" QAV_VERSION_STRING
                             "&skypename=bob%26co");

  // A report that could not be sent earlier is offered to the page as its info file.
  ASSERT_TRUE(WriteFileBytes(dir_.path() + "/temp/Zarvelin QAV Report Log.zip", "PK"));
  journal_.Clear();
  Post(UM_REPORTPROBLEM);
  EXPECT_EQ(journal_.Text(), "shell.open http://web.test/qav/applinks/report/?lang=EN&ver=" QAV_VERSION_STRING
                             "&skypename=bob%26co&infofile=" +
                                 U8(PercentEncode(U16(dir_.path() + "/temp/Zarvelin QAV Report Log.zip"))));
}

TEST_F(MainWindowTest, CloseEndsEveryPartInOrderAndQuits) {
  Open();
  journal_.Clear();
  Post(WM_CLOSE);
  EXPECT_EQ(journal_.Text(),
            "sheet.destroy\ntray.remove\nlink.shutdown\nworkers.stop\nexchange.stop");
  EXPECT_TRUE(v_.loop().QuitRequested());
  EXPECT_FALSE(IsWindow(window_->GetSafeHwnd()));
  journal_.Clear();
  window_->ExitApplication();  // once only
  window_.reset();
  EXPECT_EQ(journal_.Text(), "");
}

TEST_F(MainWindowTest, AFailedLinkStartEndsTheProgram) {
  Open(true, [](RecordingLink& link) { link.startResult = 0; });
  EXPECT_TRUE(v_.loop().QuitRequested());
}

}  // namespace
