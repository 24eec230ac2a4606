// The program as a person meets it on a desktop: a virtual X display with a tray and a session bus,
// the simulated call client and the real qav, each in the test's private folders. A contact calls
// and speaks; qav answers, plays the greeting and records the message; the tray icon blinks for
// it; a click on the icon and one on the menu open the sheet on the voice messages page, which
// lists the message with its caller and length. A problem report sent from the tray to a web server
// that never answers holds up neither a call nor the program's end. With a window manager
// (openbox), the sheet's frame and its return from being iconified. What the windows show is read
// back through the accessibility bus, as a screen reader meets it, and every step is saved as a
// screenshot in the build folder's ui-shots/.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry_store/registry_store.h"
#include "tests/support/child_process.h"
#include "tests/support/command_output.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/support/web_stand_in.h"
#include "tests/support/x_desktop.h"

using namespace qav;
using qav::test::Accessible;
using qav::test::AccessibleObjects;
using qav::test::Box;
using qav::test::Click;
using qav::test::Describe;
using qav::test::FindObject;
using qav::test::ParseAccessible;
using qav::test::QavWindows;
using qav::test::ToolExists;
using qav::test::WaitUntil;

namespace {

// Generous bounds: the machine may be busy, and a bound only ends a test that already failed.
constexpr int kStartBoundMs = 60000;
constexpr int kStepBoundMs = 30000;

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

class DesktopUserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"command -v Xvfb", "command -v trayer", "command -v xdotool", "command -v dbus-daemon",
                             "command -v soxi", "command -v espeak-ng", "/usr/bin/python3 -c 'import pyatspi'"}) {
      if (!ToolExists(tool)) GTEST_SKIP() << "missing: " << tool << " (scripts/setup.sh installs it)";
    }
    std::filesystem::create_directories(QAV_SHOTS_FOLDER);
    // The program's debug log, which the test shows on failure.
    RegistryStore store(dir_.path() + "/registry");
    ASSERT_EQ(store.CreateKey(RegistryRoot::kCurrentUser, u"Software\\Zarvelin\\QAV\\Settings"), kRegOk);
    ASSERT_EQ(store.SetValue(RegistryRoot::kCurrentUser, u"Software\\Zarvelin\\QAV\\Settings", u"LoggingEnabled",
                             MakeRegistryDword(4)),
              kRegOk);

    const std::string failed = desktop_.Start(kStartBoundMs);
    ASSERT_EQ(failed, "");
  }

  void TearDown() override {
    if (qav_) {
      EXPECT_TRUE(EndQav());
    }
    // The client before the desktop, so neither complains about the other gone.
    if (client_ && client_->started()) {
      kill(client_->pid(), SIGTERM);
      client_->WaitForExit(kStepBoundMs);
    }
    client_.reset();
  }

  // Asks the running qav to end, as a log-out does, and waits until it has.
  testing::AssertionResult EndQav() {
    test::ChildProcess shutdown(QAV_PROGRAM, {"/shutdown"});
    shutdown.WaitForExit(kStepBoundMs);
    const auto status = qav_->WaitForExit(kStepBoundMs);
    qav_.reset();
    if (status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0) return testing::AssertionSuccess();
    const std::string log = Log();
    return testing::AssertionFailure() << "qav did not end in order; the end of its log:\n"
                                       << log.substr(log.size() > 6000 ? log.size() - 6000 : 0);
  }
  // Waits for a line of the client's transcript that holds the text; the lines before it are read.
  bool WaitForTranscript(const std::string& text, int boundMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    while (true) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      const auto line = client_->WaitForLine("", {}, -1, static_cast<int>(left.count()));
      if (!line) return false;
      if (line->find(text) != std::string::npos) return true;
    }
  }
  // Starts the call client, which waits for the attach and then takes the steps given, and qav,
  // and returns once qav has attached.
  void StartClientAndQav(const std::vector<std::string>& steps) {
    std::vector<std::string> arguments{"--stdin", "--step", "wait-attach"};
    for (const std::string& step : steps) {
      arguments.push_back("--step");
      arguments.push_back(step);
    }
    client_ = std::make_unique<test::ChildProcess>(QAV_SIM_CALLCLIENT, arguments);
    ASSERT_TRUE(client_->WaitForLine("ready ", {}, -1, kStartBoundMs).has_value()) << "the call client did not start";
    qav_ = std::make_unique<test::ChildProcess>(QAV_PROGRAM, std::vector<std::string>{});
    ASSERT_TRUE(client_->WaitForLine("attached ", {}, -1, kStartBoundMs).has_value()) << Log();
  }
  // Waits until qav shows its tray icon and nothing else, and gives the icon's place.
  void WaitForTheTrayIcon(Box& icon) {
    std::vector<Box> windows;
    ASSERT_TRUE(WaitUntil(
        [&] {
          windows = QavWindows();
          return windows.size() == 1 && windows[0].width <= 64;
        },
        kStartBoundMs))
        << Log();
    icon = windows[0];
  }
  std::string Log() { return test::ReadFileBytes(dir_.path() + "/state/QAV/QAV Debug Log_0.log"); }
  std::string Shot(const std::string& name) { return std::string(QAV_SHOTS_FOLDER) + "/" + name; }
  // Saves the screen, or a part of it, as a PNG; its bytes ("" when it could not be taken).
  std::string Screenshot(const std::string& file, std::optional<Box> part = std::nullopt) {
    std::vector<std::string> arguments{file};
    if (part) {
      for (int v : {part->x, part->y, part->width, part->height}) arguments.push_back(std::to_string(v));
    }
    test::ChildProcess shot(QAV_X_SCREENSHOT, arguments);
    const auto status = shot.WaitForExit(kStepBoundMs);
    if (!status || !WIFEXITED(*status) || WEXITSTATUS(*status) != 0) return "";
    return test::ReadFileBytes(file);
  }

  test::TempDir dir_;
  test::ScopedProgramFolders folders_{dir_.path()};
  // The accessibility bus's socket goes into the session's runtime folder: the test's own.
  test::ScopedEnv xdgRuntime_{"XDG_RUNTIME_DIR", dir_.path()};
  // The messages' sound goes to the virtual device, never to a card the machine may have.
  test::ScopedEnv sound_{"QAV_SOUND_DEVICE", "virtual"};
  // What the virtual speaker plays, appended as raw samples.
  test::ScopedEnv speaker_{"QAV_VIRTUAL_SPEAKER_FILE", dir_.path() + "/speaker.raw"};
  test::XDesktop desktop_;
  std::unique_ptr<test::ChildProcess> client_, qav_;
};

TEST_F(DesktopUserTest, ANewVoiceMessageShowsInTheTrayAndItsMenuOpensTheListWithIt) {
  // The window does not come up by itself on a new message here (RestoreWin=0): the user opens it
  // from the tray. The greeting and the caller's voice, spoken; the caller talks on past the longest message, so
  // the message ends at its limit and qav hangs up: nothing waits on a guessed duration.
  const std::string data = dir_.path() + "/data/QAV";
  std::filesystem::create_directories(data);
  // Spoken by espeak-ng and put in the call audio's format (16 kHz, 16-bit, mono).
  const auto speak = [&](const std::string& words, const std::string& name, const std::string& soxEffects) {
    const std::string spoken = dir_.File(name + "-22k.wav");
    return std::system(("espeak-ng -v en -s 160 -w " + Quoted(spoken) + " " + Quoted(words) + " && sox -q " +
                        Quoted(spoken) + " -r 16000 -c 1 -b 16 " + Quoted(dir_.File(name + ".wav")) + " " + soxEffects)
                           .c_str()) == 0;
  };
  ASSERT_TRUE(speak("Please leave a message.", "greeting", ""));
  ASSERT_TRUE(speak("Hello, this is a test caller. I am sorry I missed you. Please call me back.", "caller", "pad 0 20"));
  constexpr int kLongestMessageSec = 4;
  ASSERT_TRUE(test::WriteFileBytes(data + "/QAV.ini", "[Settings]\nAnswerAllowed=1\nAnswerAllowedOnline=1\n"
                                                      "SecB4AnsweringOnline=1\nAudioFileRecordingFormat=0\nRestoreWin=0\n"
                                                      "MaxRecordingDurationSec=" + std::to_string(kLongestMessageSec) +
                                                          "\nGreetingSoundMsgPath=" + dir_.File("greeting.wav") + "\n"));

  // The client waits with the call until the tray has been seen idle.
  ASSERT_NO_FATAL_FAILURE(StartClientAndQav({"contact caller1 FULLNAME Test Caller", "contact caller1 BUDDYSTATUS 3"}));

  // The icon sits in the tray, at the top right of the screen.
  Box icon;
  ASSERT_NO_FATAL_FAILURE(WaitForTheTrayIcon(icon));
  EXPECT_GT(icon.x, 400);
  EXPECT_LT(icon.y, 24);
  Screenshot(Shot("desktop_1_idle.png"));

  // The call: the contact rings, qav answers, and the caller speaks after the greeting.
  client_->WriteLine("ring 1234 caller1 audio=" + dir_.File("caller.wav"));
  client_->WriteLine("wait-command ALTER CALL 1234 ANSWER");
  client_->WriteLine("wait-command ALTER CALL 1234 HANGUP");
  ASSERT_TRUE(WaitForTranscript("ALTER CALL 1234 ANSWER", kStartBoundMs)) << Log();
  ASSERT_TRUE(WaitForTranscript("CALL 1234 STATUS FINISHED", kStartBoundMs)) << Log();
  const std::string folder = data + "/My Received Voice Messages/owner.one";
  std::string messageName;
  ASSERT_TRUE(WaitUntil(
      [&] {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
          if (entry.path().extension() == ".wav") messageName = entry.path().filename();
        }
        return !messageName.empty();
      },
      kStepBoundMs))
      << Log();
  // Caller, start of the call, whole seconds, new.
  std::smatch fields;
  ASSERT_TRUE(std::regex_match(messageName, fields, std::regex(R"(caller1\.[\d.]+\.(\d+)\.n\.wav)"))) << messageName;
  const int seconds = std::stoi(fields[1]);
  const double measured = std::stod(test::CommandOutput("soxi -D " + Quoted(folder + "/" + messageName)));
  EXPECT_GE(seconds, 1);
  EXPECT_LE(seconds, kLongestMessageSec);
  EXPECT_NEAR(measured, seconds, 1.0) << "the name's length against the file's";

  // The icon blinks for the new message: it shows two pictures in turn.
  std::set<std::string> pictures;
  int sample = 0;
  ASSERT_TRUE(WaitUntil(
      [&] {
        const std::string picture = Screenshot(Shot("desktop_2_icon_" + std::to_string(sample++ % 2) + ".png"), icon);
        if (!picture.empty()) pictures.insert(picture);
        return pictures.size() >= 2;
      },
      kStepBoundMs))
      << "the tray icon did not blink for the new message\n"
      << Log();
  Screenshot(Shot("desktop_2_new_message.png"));
  EXPECT_FALSE(FindObject(AccessibleObjects(), "dialog", "QAV - owner.one").has_value()) << "the sheet is already open";

  // One click on the icon opens the menu (once the double-click time has passed). Its entries are
  // read as the keyboard moves through them: the menu offers the new message and counts it.
  test::ChildProcess focus(QAV_ACCESSIBLE_FOCUS, {});
  ASSERT_TRUE(focus.WaitForLine("ready", {}, -1, kStartBoundMs).has_value()) << "the accessibility bus is not there";
  Click(icon.CenterX(), icon.CenterY());
  ASSERT_TRUE(WaitUntil([&] { return QavWindows().size() == 2; }, kStepBoundMs)) << "the tray's menu did not open\n"
                                                                               << Log();
  Screenshot(Shot("desktop_3_tray_menu.png"));
  const std::string openMessages = "Open Messages Window (1/1)";
  std::vector<Accessible> entries;
  for (int presses = 0; presses < 20 && !FindObject(entries, "menu item", openMessages); ++presses) {
    test::CommandOutput("xdotool key Down");
    const auto line = focus.WaitForLine("menu item | ", {}, -1, kStepBoundMs);
    ASSERT_TRUE(line.has_value()) << "no menu entry took the focus";
    entries.push_back(ParseAccessible(*line));
  }
  ASSERT_TRUE(FindObject(entries, "menu item", openMessages).has_value()) << Describe(entries);
  EXPECT_EQ(entries.front().name, "Play New Messages") << Describe(entries);

  // A click on the menu's entry opens the sheet on the voice messages page.
  const Box entry = FindObject(entries, "menu item", openMessages)->box;
  Click(entry.CenterX(), entry.CenterY());
  const std::string caller = "Test Caller (caller1)";
  std::vector<Accessible> objects;
  ASSERT_TRUE(WaitUntil(
      [&] {
        objects = AccessibleObjects();
        return FindObject(objects, "table cell", caller).has_value();
      },
      kStepBoundMs))
      << Describe(objects) << Log();
  Screenshot(Shot("desktop_4_voice_messages.png"));
  const std::string text = Describe(objects);
  EXPECT_TRUE(FindObject(objects, "dialog", "QAV - owner.one").has_value()) << text;
  EXPECT_TRUE(FindObject(objects, "page tab", "Messages (1/1)").has_value()) << text;
  // The row's cells: the caller, then the time of the call, then the length in whole seconds.
  const std::string duration = std::to_string(seconds) + " sec";
  EXPECT_TRUE(FindObject(objects, "table cell", duration).has_value())
      << duration << "\n"
      << text;

  // A double click on the row plays the message in the player, on the virtual sound device: the
  // speaker gets the message's own samples.
  const std::string message = folder + "/" + messageName;
  const std::string samples = test::CommandOutput("sox -q " + Quoted(message) + " -t raw - 2>/dev/null");
  ASSERT_GT(samples.size(), 16000u);
  const size_t before = test::ReadFileBytes(dir_.File("speaker.raw")).size();
  const Box row = FindObject(objects, "table cell", caller)->box;
  test::CommandOutput("xdotool mousemove --sync " + std::to_string(row.CenterX()) + " " + std::to_string(row.CenterY()) +
                      " click --repeat 2 --delay 60 1");
  const std::string playerTitle = "QAV Play Saved Message";
  ASSERT_TRUE(WaitUntil(
      [&] {
        objects = AccessibleObjects();
        return FindObject(objects, "dialog", playerTitle).has_value();
      },
      kStepBoundMs))
      << "the player did not open\n"
      << Describe(objects) << Log();
  Screenshot(Shot("desktop_5_player.png"));
  std::string played;
  ASSERT_TRUE(WaitUntil(
      [&] {
        played = test::ReadFileBytes(dir_.File("speaker.raw")).substr(before);
        return played.size() >= samples.size();
      },
      kStepBoundMs + 1000 * seconds))
      << "the speaker got " << played.size() << " of the message's " << samples.size() << " bytes\n"
      << Log();
  EXPECT_TRUE(played.compare(0, samples.size(), samples) == 0) << "the speaker played other sound than the message's";
  // Heard now: the page's tab no longer counts it as new.
  EXPECT_TRUE(WaitUntil(
      [&] {
        objects = AccessibleObjects();
        return FindObject(objects, "page tab", "Messages (1)").has_value();
      },
      kStepBoundMs))
      << Describe(objects);
  Screenshot(Shot("desktop_6_played.png"));

  // Told to end with the player still open, as at a log-out, the program ends in order.
  EXPECT_TRUE(EndQav());
}

// The same desktop with a window manager (openbox): what the frame of the sheet offers, and what
// happens when the window manager iconifies it anyway.
class DesktopWindowManagerTest : public DesktopUserTest {
 protected:
  void SetUp() override {
    DesktopUserTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    if (!ToolExists("command -v openbox") || !ToolExists("command -v xprop")) {
      GTEST_SKIP() << "missing: openbox or xprop (scripts/setup.sh installs them)";
    }
    openbox_ = std::make_unique<test::ChildProcess>("/usr/bin/openbox", std::vector<std::string>{"--sm-disable"});
    ASSERT_TRUE(WaitUntil([] { return Property("root", "_NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos; },
                        kStartBoundMs))
        << "openbox did not start";
  }
  void TearDown() override {
    if (qav_) {
      EXPECT_TRUE(EndQav());
    }
    if (openbox_ && openbox_->started()) {
      kill(openbox_->pid(), SIGTERM);
      openbox_->WaitForExit(kStepBoundMs);
    }
    openbox_.reset();
    DesktopUserTest::TearDown();
  }
  // An X property of a window ("root" for the screen's), as xprop prints it.
  static std::string Property(const std::string& window, const std::string& name) {
    const std::string which = window == "root" ? "-root" : "-id " + window;
    return test::CommandOutput("xprop " + which + " " + name + " 2>/dev/null");
  }
  static std::string SheetWindow() {
    std::istringstream ids(test::CommandOutput("xdotool search --name '^QAV - owner.one$' 2>/dev/null"));
    std::string id;
    ids >> id;
    return id;
  }
  static bool Iconified(const std::string& window) {
    return Property(window, "_NET_WM_STATE").find("_NET_WM_STATE_HIDDEN") != std::string::npos;
  }
  static bool ShownNormally(const std::string& window) {
    return !Iconified(window) && Property(window, "WM_STATE").find("Normal") != std::string::npos;
  }
  // A mapped window paints a moment later: the picture is for a person to look at, so it waits.
  void SettledScreenshot(const std::string& file) {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    Screenshot(file);
  }
  void RunQavSwitch(const std::string& which) {
    test::ChildProcess second(QAV_PROGRAM, {which});
    second.WaitForExit(kStepBoundMs);
  }
  // Starts the call client and qav and brings the sheet up with the start-up entry's switch; gives
  // the tray icon's place and the sheet's window once it is shown (and `ready` holds for it).
  void StartAndShowTheSheet(Box& icon, std::string& sheet,
                            const std::function<bool(const std::string&)>& ready = nullptr) {
    ASSERT_NO_FATAL_FAILURE(StartClientAndQav({}));
    ASSERT_NO_FATAL_FAILURE(WaitForTheTrayIcon(icon));
    RunQavSwitch("/winstartup");
    ASSERT_TRUE(WaitUntil(
        [&] {
          sheet = SheetWindow();
          return !sheet.empty() && ShownNormally(sheet) && (!ready || ready(sheet));
        },
        kStepBoundMs))
        << Log();
  }

  std::unique_ptr<test::ChildProcess> openbox_;
};

TEST_F(DesktopWindowManagerTest, TheSheetOffersNoMaximiseAndComesBackWhenIconifiedAnyway) {
  // The start-up entry's switch brings the sheet up; its frame can be moved and closed, never
  // resized or maximised.
  Box icon;
  std::string sheet;
  ASSERT_NO_FATAL_FAILURE(StartAndShowTheSheet(icon, sheet));
  const std::string actions = Property(sheet, "_NET_WM_ALLOWED_ACTIONS");
  EXPECT_NE(actions.find("_NET_WM_ACTION_CLOSE"), std::string::npos) << actions;
  EXPECT_EQ(actions.find("_NET_WM_ACTION_MAXIMIZE"), std::string::npos) << actions;
  EXPECT_EQ(actions.find("_NET_WM_ACTION_RESIZE"), std::string::npos) << actions;
  SettledScreenshot(Shot("desktop_wm_1_sheet.png"));

  // Iconified by the window manager, the sheet comes back on every way the user has to show it.
  struct Way {
    const char* name;
    std::function<void()> show;
  } ways[] = {
      {"the tray icon's double click",
       [&] {
         test::CommandOutput("xdotool mousemove --sync " + std::to_string(icon.CenterX()) + " " +
                             std::to_string(icon.CenterY()) + " click --repeat 2 --delay 80 1");
       }},
      {"qav /winstartup", [&] { RunQavSwitch("/winstartup"); }},
  };
  for (const Way& way : ways) {
    test::CommandOutput("xdotool windowminimize " + sheet);
    ASSERT_TRUE(WaitUntil([&] { return Iconified(sheet); }, kStepBoundMs)) << "openbox did not iconify the sheet";
    way.show();
    EXPECT_TRUE(WaitUntil([&] { return ShownNormally(sheet); }, kStepBoundMs))
        << way.name << " left the sheet iconified: " << Property(sheet, "_NET_WM_STATE") << Log();
  }
  SettledScreenshot(Shot("desktop_wm_2_sheet_back.png"));
}

// A 1024x768 desktop at 144 dots per inch, with every option shown and screen-reader captions on:
// the sheet with its frame stays on the screen, on each of its pages.
class LargeFontDesktopTest : public DesktopWindowManagerTest {
 protected:
  void SetUp() override {
    desktop_.SetScreenSize("1024x768");
    // The program's own settings file, as the application page writes both switches.
    std::filesystem::create_directories(dir_.path() + "/data/QAV");
    std::ofstream(dir_.path() + "/data/QAV/QAV.ini") << "[Settings]\nAdvancedSettingMode=1\nScreenReaderFriendlyMode=1\n";
    DesktopWindowManagerTest::SetUp();
  }
  // The frame's extents around the window: left, right, top, bottom.
  static std::vector<int> FrameExtents(const std::string& window) {
    std::vector<int> extents;
    const std::string line = Property(window, "_NET_FRAME_EXTENTS");
    const std::regex number("[0-9]+");
    for (auto it = std::sregex_iterator(line.begin(), line.end(), number); it != std::sregex_iterator(); ++it) {
      extents.push_back(std::stoi(it->str()));
    }
    return extents;
  }
  // The window's place on the screen without its frame, as xwininfo reads it from the X server.
  // "" when the window and its frame lie on the 1024x768 screen; else which edge is past it.
  static std::string OutsideTheScreen(const std::string& window) {
    const Box box = WindowBox(window);
    const std::vector<int> frame = FrameExtents(window);
    if (frame.size() != 4 || box.width <= 0) return "no place or frame known";
    const std::string place = std::to_string(box.x) + "," + std::to_string(box.y) + " " + std::to_string(box.width) +
                              "x" + std::to_string(box.height);
    if (box.x - frame[0] < 0) return "left edge: " + place;
    if (box.y - frame[2] < 0) return "top edge: " + place;
    if (box.x + box.width + frame[1] > 1024) return "right edge: " + place;
    if (box.y + box.height + frame[3] > 768) return "bottom edge: " + place;
    return "";
  }
  static Box WindowBox(const std::string& window) {
    Box box;
    std::istringstream info(test::CommandOutput("xwininfo -id " + window + " 2>/dev/null"));
    std::string line;
    const auto value = [&line](const char* label, int& into) {
      const size_t at = line.find(label);
      if (at != std::string::npos) into = std::atoi(line.c_str() + at + std::strlen(label));
    };
    while (std::getline(info, line)) {
      value("Absolute upper-left X:", box.x);
      value("Absolute upper-left Y:", box.y);
      value("Width:", box.width);
      value("Height:", box.height);
    }
    return box;
  }

  test::ScopedEnv dpi_{"QT_FONT_DPI", "144"};
};

TEST_F(LargeFontDesktopTest, TheSheetWithItsFrameFitsTheScreen) {
  Box icon;
  std::string sheet;
  ASSERT_NO_FATAL_FAILURE(
      StartAndShowTheSheet(icon, sheet, [](const std::string& window) { return FrameExtents(window).size() == 4; }));
  const char* pages[] = {"messages", "conversations", "options", "about"};
  for (const char* page : pages) {
    SCOPED_TRACE(page);
    // The window manager and the sheet settle its place a moment after a change: within the bound
    // the sheet and its frame are on the screen.
    WaitUntil([&] { return OutsideTheScreen(sheet).empty(); }, kStepBoundMs);
    EXPECT_EQ(OutsideTheScreen(sheet), "");
    SettledScreenshot(Shot(std::string("desktop_large_font_") + page + ".png"));
    // The next page, as the keyboard chooses it.
    test::CommandOutput("xdotool windowactivate --sync " + sheet + " key --clearmodifiers ctrl+Tab");
  }
}

// A problem report that the user sends from the tray to a web server that takes the upload and
// never answers.
class HangingReportTest : public DesktopUserTest {
 protected:
  // Starts qav with the call client, sends the report from the tray's menu and returns once the
  // server holds the upload.
  void SendAReportThatHangs() {
    ASSERT_TRUE(server_.started());
    test::ScopedEnv web("QAV_WEB_BASE", server_.BaseUrl());
    const std::string data = dir_.path() + "/data/QAV";
    std::filesystem::create_directories(data);
    ASSERT_TRUE(test::WriteFileBytes(data + "/QAV.ini", "[Settings]\nAnswerAllowed=1\nAnswerAllowedOnline=1\n"
                                                        "SecB4AnsweringOnline=1\nRestoreWin=0\n"));
    ASSERT_NO_FATAL_FAILURE(StartClientAndQav({"contact caller1 BUDDYSTATUS 3"}));
    Box icon;
    ASSERT_NO_FATAL_FAILURE(WaitForTheTrayIcon(icon));
    const std::string failed = desktop_.SendProblemReportFromTheTray("The upload hangs.", kStepBoundMs);
    ASSERT_EQ(failed, "") << Log();
    // The upload reaches the server, which keeps it waiting (the version check may come first).
    ASSERT_TRUE(WaitUntil(
        [&] {
          for (int n = 1; n <= 4; ++n) {
            if (server_.Read("stalled-" + std::to_string(n) + ".head").find("applinks/report/") != std::string::npos) {
              return true;
            }
          }
          return false;
        },
        kStepBoundMs))
        << Log();
    Screenshot(Shot("report_2_uploading.png"));
  }
  bool UploadEnded() { return Log().find("Web Access Failure Reason") != std::string::npos; }

  test::WebStandIn server_{{"--misbehave", "stall"}};
};

// While the upload hangs, a call that rings is answered at once: the upload runs off the GUI thread.
TEST_F(HangingReportTest, ACallIsAnsweredWhileTheUploadHangs) {
  ASSERT_NO_FATAL_FAILURE(SendAReportThatHangs());
  client_->WriteLine("ring 1234 caller1");
  ASSERT_TRUE(WaitForTranscript("ALTER CALL 1234 ANSWER", kStepBoundMs)) << Log();
  EXPECT_FALSE(UploadEnded()) << "the upload ended before the answer";
  client_->WriteLine("hangup 1234");
  ASSERT_TRUE(WaitForTranscript("CALL 1234 STATUS FINISHED", kStepBoundMs)) << Log();
}

// /shutdown while the upload hangs ends the program in order, the upload stopped, instead of
// leaving it running behind a "failed to send" box.
TEST_F(HangingReportTest, ShutdownEndsTheProgramWhileTheUploadHangs) {
  ASSERT_NO_FATAL_FAILURE(SendAReportThatHangs());
  EXPECT_TRUE(EndQav());
  const std::string log = Log();
  EXPECT_NE(log.find("the upload was stopped"), std::string::npos) << log;
}

}  // namespace
