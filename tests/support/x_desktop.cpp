#include "tests/support/x_desktop.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <sstream>
#include <thread>

#include "tests/support/command_output.h"

namespace qav::test {

bool ToolExists(const std::string& command) {
  int status = 0;
  CommandOutput(command + " >/dev/null 2>&1", &status);
  return status == 0;
}

std::string MissingDesktopTool() {
  for (const char* tool : {"command -v Xvfb", "command -v trayer", "command -v xdotool", "command -v dbus-daemon",
                           "/usr/bin/python3 -c 'import pyatspi'"}) {
    if (!ToolExists(tool)) return tool;
  }
  return "";
}

Accessible ParseAccessible(const std::string& line) {
  static const std::regex pattern(R"(^( *)(.*?) \| (.*?) \| (?:(-?\d+) (-?\d+) (\d+) (\d+))?( \| selected)?$)");
  std::smatch m;
  if (!std::regex_match(line, m, pattern)) return {};
  Accessible object{static_cast<int>(m[1].length() / 2), m[2], m[3], {}, m[8].matched};
  if (m[4].matched) object.box = {std::stoi(m[4]), std::stoi(m[5]), std::stoi(m[6]), std::stoi(m[7])};
  return object;
}

std::vector<Accessible> AccessibleObjects() {
  std::vector<Accessible> objects;
  std::istringstream lines(CommandOutput(std::string(QAV_ACCESSIBLE_TREE) + " QAV 2>/dev/null"));
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

std::vector<Box> QavWindows() {
  std::vector<Box> boxes;
  std::istringstream ids(CommandOutput("xdotool search --onlyvisible --class qav 2>/dev/null"));
  for (std::string id; ids >> id;) {
    const std::string geometry = CommandOutput("xdotool getwindowgeometry --shell " + id + " 2>/dev/null");
    std::smatch m;
    if (std::regex_search(geometry, m, std::regex(R"(X=(-?\d+)\s+Y=(-?\d+)\s+WIDTH=(\d+)\s+HEIGHT=(\d+))"))) {
      boxes.push_back({std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4])});
    }
  }
  return boxes;
}

void Click(int x, int y) {
  CommandOutput("xdotool mousemove --sync " + std::to_string(x) + " " + std::to_string(y) + " click 1");
}

bool WaitUntil(const std::function<bool()>& condition, int boundMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

std::string XDesktop::Start(int boundMs) {
  // A desktop whose display or tray does not come up is made again on another display.
  constexpr int kAttempts = 3;
  std::string failed;
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    failed = StartOnce(boundMs, attempt < kAttempts ? std::min(boundMs, 20000) : boundMs);
    if (failed.empty()) return "";
    Stop();
  }
  return failed;
}

std::optional<std::string> XDesktop::StartDisplay(int boundMs) {
  // Each desktop asks for a display number of its own, spread by the test process's id, rather
  // than letting Xvfb take the lowest free one: tests that start and end displays side by side
  // then never reuse a number another server is still giving up (seen as a display Xvfb named
  // that no client could open), and a fresh machine's ":0" is left to whatever may claim it.
  static int tried = 0;
  constexpr int kNumbers = 900, kFirst = 100, kTries = 20;
  for (int i = 0; i < kTries; ++i, ++tried) {
    const int number = kFirst + (static_cast<int>(getpid()) * 37 + tried * 7) % kNumbers;
    xvfb_ = std::make_unique<ChildProcess>(
        "/usr/bin/Xvfb", std::vector<std::string>{":" + std::to_string(number), "-displayfd", "1", "-screen", "0",
                                                  screenSize_ + "x24", "-nolisten", "tcp"});
    // The number comes back once the server listens; a number in use ends the server at once.
    const auto named = xvfb_->WaitForLine("", {}, -1, boundMs);
    if (!named) {
      xvfb_.reset();
      continue;
    }
    // The display is only taken once a client is answered on it.
    const std::string probe = "DISPLAY=:" + *named + " timeout 5 xdotool getdisplaygeometry";
    if (WaitUntil([&] { return ToolExists(probe); }, std::min(boundMs, 10000))) return *named;
    kill(xvfb_->pid(), SIGTERM);
    xvfb_->WaitForExit(10000);
    xvfb_.reset();
  }
  return std::nullopt;
}

std::string XDesktop::StartOnce(int boundMs, int trayBoundMs) {
  const auto number = StartDisplay(boundMs);
  if (!number) return "Xvfb did not start on a display a client could open";
  env_.push_back(std::make_unique<ScopedEnv>("DISPLAY", ":" + *number));
  env_.push_back(std::make_unique<ScopedEnv>("WAYLAND_DISPLAY", std::nullopt));
  env_.push_back(std::make_unique<ScopedEnv>("QT_QPA_PLATFORM", "xcb"));
  // Qt's widgets are on the accessibility bus whether or not a screen reader has asked for them.
  env_.push_back(std::make_unique<ScopedEnv>("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1"));
  // A session bus of the desktop's own: the accessibility bus is started on it when first asked for.
  bus_ = std::make_unique<ChildProcess>(
      "/usr/bin/dbus-daemon", std::vector<std::string>{"--session", "--nofork", "--nopidfile", "--print-address=1"});
  const auto address = bus_->WaitForLine("unix:", {}, -1, boundMs);
  if (!address) return "the session bus did not start";
  env_.push_back(std::make_unique<ScopedEnv>("DBUS_SESSION_BUS_ADDRESS", *address));
  trayer_ = std::make_unique<ChildProcess>(
      "/usr/bin/trayer", std::vector<std::string>{"--edge", "top", "--align", "right", "--widthtype", "pixel",
                                                  "--width", "160", "--height", "24"});
  if (!WaitUntil([] { return ToolExists("xdotool search --onlyvisible --class trayer"); }, trayBoundMs)) {
    return "trayer did not show its panel";
  }
  return "";
}

void XDesktop::Stop() {
  // The tray before the bus before the display, so none complains about another one gone.
  for (auto* process : {&trayer_, &bus_, &xvfb_}) {
    if (*process && (*process)->started()) {
      kill((*process)->pid(), SIGTERM);
      (*process)->WaitForExit(30000);
    }
    process->reset();
  }
  // The variables go back in the reverse order they were set.
  while (!env_.empty()) env_.pop_back();
}

XDesktop::~XDesktop() { Stop(); }

std::string XDesktop::SendProblemReportFromTheTray(const std::string& description, int boundMs) {
  const std::vector<Box> windows = QavWindows();
  if (windows.size() != 1) return "qav does not show its tray icon alone";
  Click(windows[0].CenterX(), windows[0].CenterY());
  if (!WaitUntil([] { return QavWindows().size() == 2; }, boundMs)) return "the tray's menu did not open";
  // The menu's last entries are "Report a Problem" and, below a separator, "Quit".
  CommandOutput("xdotool key Up Up Return");
  std::vector<Accessible> objects;
  if (!WaitUntil(
          [&] {
            objects = AccessibleObjects();
            return FindObject(objects, "push button", "Send").has_value();
          },
          boundMs)) {
    return "the report dialog did not open\n" + Describe(objects);
  }
  // The description, the tallest text field, must not be empty.
  std::optional<Accessible> field;
  for (const Accessible& o : objects) {
    if (o.role == "text" && (!field || o.box.height > field->box.height)) field = o;
  }
  if (!field) return "the report dialog has no description field\n" + Describe(objects);
  Click(field->box.CenterX(), field->box.CenterY());
  CommandOutput("xdotool type --delay 20 '" + description + "'");
  const Box send = FindObject(objects, "push button", "Send")->box;
  Click(send.CenterX(), send.CenterY());
  return "";
}

}  // namespace qav::test
