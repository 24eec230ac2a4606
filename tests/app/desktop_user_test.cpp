// The program as a person meets it on a desktop: a virtual X display with a tray and a session bus,
// the simulated call client and the real qav, each in the test's private folders. A contact calls
// and speaks; qav answers, plays the greeting and records the message; the tray icon blinks for
// it; a click on the icon and one on the menu open the sheet on the voice messages page, which
// lists the message with its caller and length. What the windows show is read back through the
// accessibility bus, as a screen reader meets it, and every step is saved as a screenshot in the
// build folder's ui-shots/. With a window manager (openbox), the sheet's frame and its return from
// being iconified.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cmath>
#include <filesystem>
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

using namespace qav;

namespace {

// Generous bounds: the machine may be busy, and a bound only ends a test that already failed.
constexpr int kStartBoundMs = 60000;
constexpr int kStepBoundMs = 30000;

bool WaitFor(const std::function<bool()>& condition, int boundMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

bool ToolExists(const std::string& command) {
  int status = 0;
  test::CommandOutput(command + " >/dev/null 2>&1", &status);
  return status == 0;
}

struct Box {
  int x = 0, y = 0, width = 0, height = 0;
  int CenterX() const { return x + width / 2; }
  int CenterY() const { return y + height / 2; }
};

// One object of a window as the accessibility bus tells it.
struct Accessible {
  int depth = 0;
  std::string role;
  std::string name;
  Box box;
  bool selected = false;
};

// One line of the accessibility readers: "role | name | x y width height[ | selected]", indented.
Accessible ParseAccessible(const std::string& line) {
  static const std::regex pattern(R"(^( *)(.*?) \| (.*?) \| (?:(-?\d+) (-?\d+) (\d+) (\d+))?( \| selected)?$)");
  std::smatch m;
  if (!std::regex_match(line, m, pattern)) return {};
  Accessible object{static_cast<int>(m[1].length() / 2), m[2], m[3], {}, m[8].matched};
  if (m[4].matched) object.box = {std::stoi(m[4]), std::stoi(m[5]), std::stoi(m[6]), std::stoi(m[7])};
  return object;
}

// The visible objects of the program (named QAV there) on the accessibility bus, in tree order.
std::vector<Accessible> AccessibleObjects() {
  std::vector<Accessible> objects;
  std::istringstream lines(test::CommandOutput(std::string(QAV_ACCESSIBLE_TREE) + " QAV 2>/dev/null"));
  for (std::string line; std::getline(lines, line);) {
    Accessible object = ParseAccessible(line);
    if (!object.role.empty()) objects.push_back(object);
  }
  return objects;
}

std::string Describe(const std::vector<Accessible>& objects) {
  std::string text;
  for (const Accessible& o : objects) {
    text += std::string(2 * o.depth, ' ') + o.role + " | " + o.name + (o.selected ? " | selected" : "") + "\n";
  }
  return text;
}

std::optional<Accessible> FindObject(const std::vector<Accessible>& objects, const std::string& role,
                                     const std::string& name) {
  for (const Accessible& o : objects) {
    if (o.role == role && o.name == name) return o;
  }
  return std::nullopt;
}

// The visible windows of qav on the display, with their places.
std::vector<Box> QavWindows() {
  std::vector<Box> boxes;
  std::istringstream ids(test::CommandOutput("xdotool search --onlyvisible --class qav 2>/dev/null"));
  for (std::string id; ids >> id;) {
    const std::string geometry = test::CommandOutput("xdotool getwindowgeometry --shell " + id + " 2>/dev/null");
    std::smatch m;
    if (std::regex_search(geometry, m, std::regex(R"(X=(-?\d+)\s+Y=(-?\d+)\s+WIDTH=(\d+)\s+HEIGHT=(\d+))"))) {
      boxes.push_back({std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4])});
    }
  }
  return boxes;
}

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

    // The display: Xvfb picks a free one and names it on its standard output.
    xvfb_ = std::make_unique<test::ChildProcess>(
        "/usr/bin/Xvfb", std::vector<std::string>{"-displayfd", "1", "-screen", "0", "800x600x24", "-nolisten", "tcp"});
    const auto number = xvfb_->WaitForLine("", {}, -1, kStartBoundMs);
    ASSERT_TRUE(number.has_value()) << "Xvfb did not start";
    display_.emplace("DISPLAY", ":" + *number);
    // A session bus of the test's own: the accessibility bus is started on it when first asked for.
    bus_ = std::make_unique<test::ChildProcess>(
        "/usr/bin/dbus-daemon", std::vector<std::string>{"--session", "--nofork", "--nopidfile", "--print-address=1"});
    const auto address = bus_->WaitForLine("unix:", {}, -1, kStartBoundMs);
    ASSERT_TRUE(address.has_value()) << "the session bus did not start";
    busAddress_.emplace("DBUS_SESSION_BUS_ADDRESS", *address);
    trayer_ = std::make_unique<test::ChildProcess>(
        "/usr/bin/trayer",
        std::vector<std::string>{"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "160",
                                 "--height", "24"});
    ASSERT_TRUE(WaitFor([] { return ToolExists("xdotool search --onlyvisible --class trayer"); }, kStartBoundMs))
        << "trayer did not show its panel";
  }

  void TearDown() override {
    if (qav_) {
      EXPECT_TRUE(EndQav());
    }
    // The peers end in the order that leaves none of them complaining about another one gone.
    for (auto* process : {&client_, &trayer_, &bus_, &xvfb_}) {
      if (*process && (*process)->started()) {
        kill((*process)->pid(), SIGTERM);
        (*process)->WaitForExit(kStepBoundMs);
      }
      process->reset();
    }
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
  // Moves the pointer there, as a person would, and clicks once it is there.
  void Click(int x, int y) {
    test::CommandOutput("xdotool mousemove --sync " + std::to_string(x) + " " + std::to_string(y) + " click 1");
  }

  test::TempDir dir_;
  test::ScopedProgramFolders folders_{dir_.path()};
  // The accessibility bus's socket goes into the session's runtime folder: the test's own.
  test::ScopedEnv xdgRuntime_{"XDG_RUNTIME_DIR", dir_.path()};
  test::ScopedEnv wayland_{"WAYLAND_DISPLAY", std::nullopt};
  test::ScopedEnv platform_{"QT_QPA_PLATFORM", "xcb"};
  // Qt's widgets are on the accessibility bus whether or not a screen reader has asked for them.
  test::ScopedEnv accessibility_{"QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1"};
  // The messages' sound goes to the virtual device, never to a card the machine may have.
  test::ScopedEnv sound_{"QAV_SOUND_DEVICE", "virtual"};
  // What the virtual speaker plays, appended as raw samples.
  test::ScopedEnv speaker_{"QAV_VIRTUAL_SPEAKER_FILE", dir_.path() + "/speaker.raw"};
  std::optional<test::ScopedEnv> display_;
  std::optional<test::ScopedEnv> busAddress_;
  std::unique_ptr<test::ChildProcess> xvfb_, bus_, trayer_, client_, qav_;
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
  client_ = std::make_unique<test::ChildProcess>(
      QAV_SIM_CALLCLIENT, std::vector<std::string>{"--stdin", "--step", "wait-attach", "--step",
                                                   "contact caller1 FULLNAME Test Caller", "--step",
                                                   "contact caller1 BUDDYSTATUS 3"});
  ASSERT_TRUE(client_->WaitForLine("ready ", {}, -1, kStartBoundMs).has_value()) << "the call client did not start";
  qav_ = std::make_unique<test::ChildProcess>(QAV_PROGRAM, std::vector<std::string>{});
  ASSERT_TRUE(client_->WaitForLine("attached ", {}, -1, kStartBoundMs).has_value()) << Log();

  // The icon sits in the tray, at the top right of the screen.
  std::vector<Box> windows;
  ASSERT_TRUE(WaitFor(
      [&] {
        windows = QavWindows();
        return windows.size() == 1 && windows[0].width <= 64;
      },
      kStartBoundMs))
      << Log();
  const Box icon = windows[0];
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
  ASSERT_TRUE(WaitFor(
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
  ASSERT_TRUE(WaitFor(
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
  ASSERT_TRUE(WaitFor([&] { return QavWindows().size() == 2; }, kStepBoundMs)) << "the tray's menu did not open\n"
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
  ASSERT_TRUE(WaitFor(
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
  ASSERT_TRUE(WaitFor(
      [&] {
        objects = AccessibleObjects();
        return FindObject(objects, "dialog", playerTitle).has_value();
      },
      kStepBoundMs))
      << "the player did not open\n"
      << Describe(objects) << Log();
  Screenshot(Shot("desktop_5_player.png"));
  std::string played;
  ASSERT_TRUE(WaitFor(
      [&] {
        played = test::ReadFileBytes(dir_.File("speaker.raw")).substr(before);
        return played.size() >= samples.size();
      },
      kStepBoundMs + 1000 * seconds))
      << "the speaker got " << played.size() << " of the message's " << samples.size() << " bytes\n"
      << Log();
  EXPECT_TRUE(played.compare(0, samples.size(), samples) == 0) << "the speaker played other sound than the message's";
  // Heard now: the page's tab no longer counts it as new.
  EXPECT_TRUE(WaitFor(
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
    ASSERT_TRUE(WaitFor([] { return Property("root", "_NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos; },
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

  std::unique_ptr<test::ChildProcess> openbox_;
};

TEST_F(DesktopWindowManagerTest, TheSheetOffersNoMaximiseAndComesBackWhenIconifiedAnyway) {
  client_ = std::make_unique<test::ChildProcess>(QAV_SIM_CALLCLIENT, std::vector<std::string>{"--stdin", "--step", "wait-attach"});
  ASSERT_TRUE(client_->WaitForLine("ready ", {}, -1, kStartBoundMs).has_value()) << "the call client did not start";
  qav_ = std::make_unique<test::ChildProcess>(QAV_PROGRAM, std::vector<std::string>{});
  ASSERT_TRUE(client_->WaitForLine("attached ", {}, -1, kStartBoundMs).has_value()) << Log();
  std::vector<Box> windows;
  ASSERT_TRUE(WaitFor(
      [&] {
        windows = QavWindows();
        return windows.size() == 1 && windows[0].width <= 64;
      },
      kStartBoundMs))
      << Log();
  const Box icon = windows[0];

  // The start-up entry's switch brings the sheet up; its frame can be moved and closed, never
  // resized or maximised.
  RunQavSwitch("/winstartup");
  std::string sheet;
  ASSERT_TRUE(WaitFor(
      [&] {
        sheet = SheetWindow();
        return !sheet.empty() && ShownNormally(sheet);
      },
      kStepBoundMs))
      << Log();
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
    ASSERT_TRUE(WaitFor([&] { return Iconified(sheet); }, kStepBoundMs)) << "openbox did not iconify the sheet";
    way.show();
    EXPECT_TRUE(WaitFor([&] { return ShownNormally(sheet); }, kStepBoundMs))
        << way.name << " left the sheet iconified: " << Property(sheet, "_NET_WM_STATE") << Log();
  }
  SettledScreenshot(Shot("desktop_wm_2_sheet_back.png"));
}

}  // namespace
