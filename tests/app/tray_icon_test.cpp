#include "app/tray_icon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "app/app_messages.h"
#include "app/zv_app.h"
#include "app/zv_app_wnd.h"
#include "calls/call_collection.h"
#include "calls/conversation.h"
#include "calls/conversation_collection.h"
#include "calls/message_collection.h"
#include "calls/recordings.h"
#include "foundation/language_tables.h"
#include "foundation/settings.h"
#include "foundation/settings_folders.h"
#include "platform/private_profile.h"
#include "platform/text.h"
#include "platform/virtual_loop.h"
#include "platform/window.h"
#include "tests/app/app_doubles.h"
#include "tests/app/voice_message_helpers.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

using namespace qav;
using namespace qav::test;

namespace {

// A tray that shows nothing: it keeps what it was told and picks a menu entry as told.
class FakeTrayHost : public CTrayHost {
 public:
  explicit FakeTrayHost(Journal& journal) : j_(journal) {}
  bool Add(EventSink onEvent, int image, std::u16string_view tip) override {
    j_.Add("host.add " + std::to_string(image) + " " + U8(tip));
    events = std::move(onEvent);
    shown = true;
    return true;
  }
  bool SetImage(int i) override {
    image = i;
    return shown;
  }
  bool SetTooltip(std::u16string_view text) override {
    tooltip = text;
    return true;
  }
  bool ShowBalloon(std::u16string_view, std::u16string_view text, int32_t) override {
    j_.Add("host.balloon " + U8(text));
    return shown;
  }
  void Remove() override { shown = false; }
  CTrayPoint CursorPos() override { return {100, 200}; }
  uint32_t TrackMenu(const std::vector<CTrayMenuItem>& items, CTrayPoint at, bool rtl) override {
    j_.Add("host.menu at " + std::to_string(at.x) + "," + std::to_string(at.y));
    menu = items;
    rightToLeft = rtl;
    return choose;
  }

  bool shown = false;
  int image = -1;
  std::u16string tooltip;
  std::vector<CTrayMenuItem> menu;
  bool rightToLeft = false;
  uint32_t choose = 0;
  // Where the icon's events go, as the desktop's tray reports them.
  EventSink events;

 private:
  Journal& j_;
};

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    languageFolder_ = GetLanguageFolder();
    LoadDefaultLangLib();
    g_AnswerAllowed = 1;
    g_ShowNumRecordingsInSysTray = 0;
    parts_ = std::make_unique<RecordingParts>(journal_, true);
    CAppComponents components = parts_->Components();
    components.tray = nullptr;
    components.trayHost = [this] {
      auto host = std::make_unique<FakeTrayHost>(journal_);
      host_ = host.get();
      return host;
    };
    app_ = std::make_unique<CZVApp>(v_.loop(), components, CommandLine());
    window_ = std::make_unique<CZVAppWnd>(*app_);
    parts_->link->transportState = CTrayIcon::kTransportConnected;
    ASSERT_TRUE(window_->Create());
    v_.RunUntilIdle();
    journal_.Clear();
  }
  void TearDown() override {
    window_.reset();
    app_.reset();
    g_AnswerAllowed = 1;
    g_ConversationAutoRecordMode = 0;
    SetSettingsHooks({});
    g_bTrayNewMessageFlag = false;
    g_bReportInProgress = false;
    CRecordings().DeleteAll();
    g_MessageCollection.init(u"");
    g_ConversationCollection.init(u"");
    g_CallCollection.DeleteAll();
    g_UserCollection.RemoveAll();
    SetLanguageFolder(languageFolder_);
    LoadDefaultLangLib();
  }
  // A finished voice message from `handle`, new or heard.
  void AddMessage(int32_t callId, std::u16string_view handle, bool heard) {
    auto created = std::make_unique<CCall>();
    created->init(callId);
    CCall* call = created.get();
    g_CallCollection.Add(std::move(created));
    CMessage* message = AddVoiceMessageOf(call, handle, handle, true, 10);
    message->SetSeen(heard);
  }
  void AddConversation() {
    auto conversation = std::make_unique<CConversation>();
    conversation->Init(nullptr, u"wav");
    g_ConversationCollection.add(std::move(conversation));
  }
  std::u16string Label(uint32_t id) const {
    for (const CTrayMenuItem& item : host_->menu) {
      if (item.id == id) return item.text;
    }
    return u"(none)";
  }
  // The icon's event as the tray reports it; handled once the window's loop has run.
  void Event(CTrayEvent event) {
    ASSERT_TRUE(host_->events);
    host_->events(event);
    v_.RunUntilIdle();
  }
  std::vector<uint32_t> MenuIds() {
    std::vector<uint32_t> ids;
    for (const auto& item : host_->menu) ids.push_back(item.id);
    return ids;
  }

  TempDir dir_;
  ScopedEnv desktop_{"QAV_DESKTOP_DIR", dir_.path() + "/desktop"};
  ScopedEnv data_{"QAV_DATA_DIR", dir_.path() + "/data"};
  ScopedEnv config_{"QAV_CONFIG_DIR", dir_.path() + "/config"};
  ScopedEnv registry_{"QAV_REGISTRY_DIR", dir_.path() + "/registry"};
  ScopedEnv web_{"QAV_WEB_BASE", "http://web.test/"};
  VirtualLoop v_;
  Journal journal_;
  std::unique_ptr<RecordingParts> parts_;
  std::unique_ptr<CZVApp> app_;
  std::unique_ptr<CZVAppWnd> window_;
  FakeTrayHost* host_ = nullptr;
  std::u16string languageFolder_;
};

// The host's events are queued onto the window's loop, never handled inside the toolkit's signal.
TEST_F(TrayIconTest, TheHostsEventsWaitForTheWindowsLoop) {
  host_->events(CTrayEvent::kRightButtonUp);
  EXPECT_EQ(journal_.Text(), "");
  v_.RunUntilIdle();
  EXPECT_EQ(journal_.Text(), "host.menu at 100,200");
}

TEST_F(TrayIconTest, OneClickOpensTheMenuLaterAndTwoOpenTheWindowInstead) {
  Event(CTrayEvent::kLeftButtonUp);
  v_.AdvanceMs(599);
  EXPECT_EQ(journal_.Text(), "");
  v_.AdvanceMs(1);
  EXPECT_EQ(journal_.Text(), "host.menu at 100,200");

  journal_.Clear();
  Event(CTrayEvent::kLeftButtonUp);
  v_.AdvanceMs(300);
  Event(CTrayEvent::kLeftButtonUp);
  v_.AdvanceMs(2000);
  EXPECT_EQ(journal_.Text(), "sheet.show 0x100000");  // the sheet's current page, never the menu

  journal_.Clear();
  parts_->link->calls = {{12, true, false, false, true}};  // a conversation being recorded
  Event(CTrayEvent::kLeftButtonUp);
  Event(CTrayEvent::kLeftButtonUp);
  EXPECT_EQ(journal_.Text(), "sheet.show 0x20000");
}

TEST_F(TrayIconTest, TheMenuFitsTheMoment) {
  struct Case {
    int32_t transportState;
    std::vector<CAppCallHandling> calls;
    std::vector<uint32_t> top;  // the entries above the first separator
  } cases[] = {
      {0, {}, {CTrayIcon::ID_SYSTRAY_MENU_TRY_RECONNECT_TO_SKYPEAPI}},
      {7, {{3, false, true, false, false}},
       {CTrayIcon::ID_SYSTRAY_MENU_FORCE_ANSWER, CTrayIcon::ID_SYSTRAY_MENU_RECORD_CONVERSATION_START}},
      {7, {{3, true, false, true, false}}, {CTrayIcon::ID_SYSTRAY_MENU_TAKE_CONTROL}},
      {7, {{3, true, false, false, true}}, {CTrayIcon::ID_SYSTRAY_MENU_RECORD_CONVERSATION_STOP}},
      {7, {{3, true, false, false, false}}, {CTrayIcon::ID_SYSTRAY_MENU_RECORD_CONVERSATION_START}},
      {7, {}, {CTrayIcon::ID_SYSTRAY_MENU_GOTO_MESSAGES, CTrayIcon::ID_SYSTRAY_MENU_GOTO_CONVERSATIONS}},
  };
  for (const Case& c : cases) {
    parts_->link->transportState = c.transportState;
    parts_->link->calls = c.calls;
    Event(CTrayEvent::kRightButtonUp);
    std::vector<uint32_t> ids = MenuIds();
    ids.resize(std::find(ids.begin(), ids.end(), 0u) - ids.begin());
    EXPECT_EQ(ids, c.top) << c.transportState << " " << c.calls.size();
    EXPECT_EQ(host_->menu.front().isDefault, c.transportState != 7);
    EXPECT_EQ(host_->menu.back().id, CTrayIcon::ID_SYSTRAY_MENU_QUIT);
  }
  EXPECT_EQ(host_->menu[0].text, u"Open Messages Window");  // no counts while they are off
}

TEST_F(TrayIconTest, TheMenuCountsTheRecordingsAndOffersTheNewMessagesFirst) {
  g_ShowNumRecordingsInSysTray = 1;
  parts_->link->user.handle = u"alice.s";
  const std::u16string messages = u"Open Messages Window", conversations = u"Open Conversations Window";
  struct Case {
    const char* name;
    int heard, fresh, conversations;
    std::u16string messagesLabel, conversationsLabel;
  } cases[] = {
      {"nothing recorded: bare labels", 0, 0, 0, messages, conversations},
      {"heard messages only: the total", 2, 0, 0, messages + u" (2)", conversations},
      {"some new: new and total", 2, 1, 0, messages + u" (1/3)", conversations},
      {"conversations: their number", 2, 1, 2, messages + u" (1/3)", conversations + u" (2)"},
  };
  int callId = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The signed-in user's recordings, none yet.
    ASSERT_EQ(g_MessageCollection.init(u"alice.s"), 1);
    ASSERT_EQ(g_ConversationCollection.init(u"alice.s"), 1);
    for (int i = 0; i < c.heard; ++i) AddMessage(++callId, u"heard" + U16(std::to_string(i)), true);
    for (int i = 0; i < c.fresh; ++i) AddMessage(++callId, u"new" + U16(std::to_string(i)), false);
    for (int i = 0; i < c.conversations; ++i) AddConversation();
    Event(CTrayEvent::kRightButtonUp);
    EXPECT_EQ(U8(Label(CTrayIcon::ID_SYSTRAY_MENU_GOTO_MESSAGES)), U8(c.messagesLabel));
    EXPECT_EQ(U8(Label(CTrayIcon::ID_SYSTRAY_MENU_GOTO_CONVERSATIONS)), U8(c.conversationsLabel));
    // With new messages and no call, "Play New Messages" heads the menu as its default item.
    ASSERT_FALSE(host_->menu.empty());
    if (c.fresh > 0) {
      EXPECT_EQ(host_->menu[0].id, CTrayIcon::ID_SYSTRAY_MENU_PLAY_NEW_MESSAGES);
      EXPECT_EQ(U8(host_->menu[0].text), "Play New Messages");
      EXPECT_TRUE(host_->menu[0].isDefault);
      EXPECT_EQ(host_->menu[1].id, 0u) << "a separator under it";
    } else {
      EXPECT_EQ(host_->menu[0].id, CTrayIcon::ID_SYSTRAY_MENU_GOTO_MESSAGES);
    }
    for (size_t i = 1; i < host_->menu.size(); ++i) EXPECT_FALSE(host_->menu[i].isDefault) << i;
  }
  // The item plays them: the voice-messages page opens and plays the new ones.
  host_->choose = CTrayIcon::ID_SYSTRAY_MENU_PLAY_NEW_MESSAGES;
  journal_.Clear();
  Event(CTrayEvent::kRightButtonUp);
  EXPECT_NE(journal_.Text().find("sheet.play-new"), std::string::npos) << journal_.Text();
}

TEST_F(TrayIconTest, TheTooltipSaysWhoIsSignedInAndWhetherAnsweringIsOn) {
  struct Case {
    const char* name;
    int32_t transportState;
    std::u16string handle;
    int32_t answer;
    std::u16string tooltip;
  } cases[] = {
      {"signed in, answering on", 7, u"alice.s", 1, u"QAV (Alice Smith) - Enabled"},
      {"signed in, answering off", 7, u"alice.s", 0, u"QAV (Alice Smith) - Disabled"},
      {"a handle too short to be a user's yet", 7, u"al", 1, u"QAV (Checking for logged user with Skype\u2122) - Enabled"},
      {"waiting for the user's authorisation", 5, u"", 1, u"QAV - Pending User Authorization to connect to Skype\u2122"},
      {"no link", 1, u"", 1, u"QAV - Waiting for Skype\u2122 to be available"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    parts_->link->transportState = c.transportState;
    parts_->link->user.handle = c.handle;
    parts_->link->user.displayName = u"Alice Smith";
    g_AnswerAllowed = c.answer;
    host_->tooltip.clear();
    Event(CTrayEvent::kMouseMove);
    EXPECT_EQ(U8(host_->tooltip), U8(c.tooltip));
  }
}

TEST_F(TrayIconTest, APageBalloonOpensTheCallWaitingOptionsOnce) {
  ASSERT_TRUE(window_->Tray().ShowBalloon(u"A call was rejected", -1, u"page:"));
  journal_.Clear();
  Event(CTrayEvent::kBalloonClicked);
  EXPECT_EQ(journal_.Text(), "sheet.show 0x40000\nsheet.select-child 348");
  Event(CTrayEvent::kBalloonClicked);
  EXPECT_EQ(journal_.Text(), "sheet.show 0x40000\nsheet.select-child 348") << "the link is used once";
}

TEST_F(TrayIconTest, ARightToLeftLanguageLoadedByTheProgramOpensTheMenuMirroredInThatLanguage) {
  TempDir languages;
  {
    std::ofstream file(languages.path() + "/ZV_HE.lang", std::ios::binary);
    file << "\xFF\xFE"
         << TextToUtf16LeBytes(u"# QAV Localization File\r\nIDS_LANGUAGE_NAME \"Hebrew\"\r\nIDS_LANGUAGE_RTL \"TRUE\"\r\n"
                               u"IDS_SYSTRAY_POPUP_MENU_QUIT \"\u05d9\u05e6\u05d9\u05d0\u05d4\"\r\n");
  }
  SetLanguageFolder(U16(languages.path() + "/"));
  app_->ApplyLanguage(U16(languages.path() + "/ZV_HE.lang"));
  ASSERT_EQ(app_->Profile().Language, u"HE");
  Event(CTrayEvent::kRightButtonUp);
  EXPECT_TRUE(host_->rightToLeft);
  EXPECT_EQ(host_->menu.back().text, u"\u05d9\u05e6\u05d9\u05d0\u05d4");
  // Back to English: left to right again.
  app_->ApplyLanguage(u"/nowhere/ZV_XX.lang");
  Event(CTrayEvent::kRightButtonUp);
  EXPECT_FALSE(host_->rightToLeft);
  EXPECT_EQ(host_->menu.back().text, u"Quit");
}

TEST_F(TrayIconTest, ForceAnswerAndRecordingAskForTheRingingCallOnly) {
  // Two calls ringing at once (a second one rang while the menu was open): the menu's commands
  // act on the ringing call it offered, the first.
  parts_->link->calls = {{5, false, true, false, false}, {6, false, true, false, false}};
  for (uint32_t command : {CTrayIcon::ID_SYSTRAY_MENU_FORCE_ANSWER, CTrayIcon::ID_SYSTRAY_MENU_RECORD_CONVERSATION_START}) {
    journal_.Clear();
    host_->choose = command;
    Event(CTrayEvent::kRightButtonUp);
    const std::string text = journal_.Text();
    EXPECT_NE(text.find(command == CTrayIcon::ID_SYSTRAY_MENU_FORCE_ANSWER ? "link.forceanswer 5" : "link.record 5 start"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find(" 6"), std::string::npos) << text;
  }
}

TEST_F(TrayIconTest, TheMenuOpensInTheLanguagesDirection) {
  for (bool rightToLeft : {true, false}) {
    app_->Profile().RightToLeft = rightToLeft;
    Event(CTrayEvent::kRightButtonUp);
    EXPECT_EQ(host_->rightToLeft, rightToLeft);
  }
}

TEST_F(TrayIconTest, MenuCommandsReachTheirTargets) {
  parts_->link->calls = {{3, false, true, false, false}};
  host_->choose = CTrayIcon::ID_SYSTRAY_MENU_GOTO_OPTIONS;
  Event(CTrayEvent::kRightButtonUp);
  EXPECT_NE(journal_.Text().find("sheet.show 0x40000"), std::string::npos);
  host_->choose = CTrayIcon::ID_SYSTRAY_MENU_QUIT;
  Event(CTrayEvent::kRightButtonUp);
  EXPECT_NE(journal_.Text().find("link.shutdown"), std::string::npos);
}

// A desktop with nothing to open the help page: the user is told so instead of the item doing
// nothing.
TEST_F(TrayIconTest, HelpThatTheDesktopCannotOpenSaysSo) {
  AnsweringBoxes boxes(journal_, IDOK);
  parts_->shell->opens = false;
  host_->choose = CTrayIcon::ID_SYSTRAY_MENU_GOTO_HELP;
  Event(CTrayEvent::kRightButtonUp);
  EXPECT_NE(journal_.Text().find("shell.open http://web.test/qav/applinks/help/?lang=EN max\n"
                                 "box 0x30 Unable to open hyperlink:\n\nThere is no application associated\n"
                                 "with the given filename extension."),
            std::string::npos)
      << journal_.Text();
}

// The menu's two switches belong to the signed-in user: each goes at once into that user's file,
// which a save (OK or Apply) has filled with every key of the user's and which every later load
// reads first. So neither a reload (the sheet's Cancel) nor a restart undoes the switch.
TEST_F(TrayIconTest, TheMenuSwitchesGoToTheUsersFileAndSurviveASaveAReloadAndARestart) {
  CSettingsHooks hooks;
  hooks.currentUserHandle = [] { return std::u16string(u"alice"); };
  SetSettingsHooks(std::move(hooks));
  const struct {
    uint32_t id;
    COptionInt* option;
    const char16_t* key;
  } cases[] = {
      {CTrayIcon::ID_SYSTRAY_MENU_ANSWERING_MODE, &g_AnswerAllowed, u"AnswerAllowed"},
      {CTrayIcon::ID_SYSTRAY_MENU_CONV_REC_MODE, &g_ConversationAutoRecordMode, u"ConversationAutoRecordMode"},
  };
  for (const auto& c : cases) {
    for (int32_t wanted : {1 - c.option->Get(), c.option->Get()}) {  // off and on again, or on and off
      LoadSettings();
      SaveSettings();
      host_->choose = c.id;
      Event(CTrayEvent::kRightButtonUp);
      EXPECT_EQ(*c.option, wanted) << U8(c.key);
      EXPECT_EQ(GetPrivateProfileInt(u"Settings", c.key, -5, GetUserIniPath()), wanted) << U8(c.key);
      LoadSettings();
      EXPECT_EQ(*c.option, wanted) << U8(c.key) << " after a reload";
      SaveSettings();
      SetDefaultOptions();
      LoadSettings();
      EXPECT_EQ(*c.option, wanted) << U8(c.key) << " after a restart";
    }
  }
  EXPECT_EQ(ReadFileBytes(U8(GetIniFilePath())).find("AnswerAllowed"), std::string::npos)
      << "the global file holds no switch of the user's";
}

TEST_F(TrayIconTest, TheIconBlinksWhileACallIsHandledAndShowsNotConnectedWithoutTheLink) {
  parts_->link->calls = {{3, true, false, true, false}};
  std::vector<int> images;
  for (int i = 0; i < 4; ++i) {
    v_.AdvanceMs(750);
    images.push_back(host_->image);
  }
  EXPECT_TRUE((images == std::vector<int>{4, 1, 4, 1}) || (images == std::vector<int>{1, 4, 1, 4}));
  // New messages waiting: answering-on blinks with its new-messages partner.
  parts_->link->calls.clear();
  g_bTrayNewMessageFlag = true;
  std::vector<int> waiting;
  for (int i = 0; i < 2; ++i) {
    v_.AdvanceMs(750);
    waiting.push_back(host_->image);
  }
  std::sort(waiting.begin(), waiting.end());
  EXPECT_EQ(waiting, (std::vector<int>{1, 2}));
  // A report in progress shows the first picture and leaves the tooltip as it was.
  g_bReportInProgress = true;
  host_->tooltip = u"before";
  v_.AdvanceMs(750);
  EXPECT_EQ(host_->image, 0);
  EXPECT_EQ(host_->tooltip, u"before");
  g_bReportInProgress = false;
  g_bTrayNewMessageFlag = false;

  g_AnswerAllowed = 0;
  v_.AdvanceMs(750);
  EXPECT_EQ(host_->image, 3);
  parts_->link->transportState = 1;
  v_.AdvanceMs(750);
  EXPECT_EQ(host_->image, 0);
  EXPECT_EQ(host_->tooltip, u"QAV - Waiting for Skype\u2122 to be available");
}

TEST_F(TrayIconTest, ABalloonLinkIsOpenedOnceAndABalloonWithoutOneOpensNothing) {
  ASSERT_TRUE(window_->Tray().ShowBalloon(u"New version", -1, u"http://web.test/qav/download"));
  Event(CTrayEvent::kBalloonClicked);
  Event(CTrayEvent::kBalloonClicked);
  EXPECT_EQ(journal_.Text(), "host.balloon New version\nshell.open http://web.test/qav/download");
  journal_.Clear();
  ASSERT_TRUE(window_->Tray().ShowBalloon(u"Notice", 10, u""));
  Event(CTrayEvent::kBalloonTimedOut);
  Event(CTrayEvent::kBalloonClicked);
  EXPECT_EQ(journal_.Text(), "host.balloon Notice");

  // The link is the server's: a file or an opener's option is not opened; https is.
  for (const char16_t* link : {u"file:///etc/passwd", u"--help", u"https://web.test/qav/download"}) {
    ASSERT_TRUE(window_->Tray().ShowBalloon(u"New version", -1, link));
    Event(CTrayEvent::kBalloonClicked);
  }
  EXPECT_EQ(journal_.Text(), "host.balloon Notice\nhost.balloon New version\nhost.balloon New version\n"
                             "host.balloon New version\nshell.open https://web.test/qav/download");
}

}  // namespace
