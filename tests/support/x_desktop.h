// A person's desktop for a test or a benchmark: a virtual X display (Xvfb) with a tray (trayer)
// and a session bus of its own, and what a person does there: find qav's windows, click, type, and
// read what the windows show through the accessibility bus, as a screen reader meets it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/scoped_env.h"

namespace qav::test {

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

// True when the shell command succeeds (a tool that is installed).
bool ToolExists(const std::string& command);
// The first of the desktop's tools that is missing, "" when all are there.
std::string MissingDesktopTool();

// One line of the accessibility readers: "role | name | x y width height[ | selected]", indented.
Accessible ParseAccessible(const std::string& line);
// The visible objects of the program (named QAV there) on the accessibility bus, in tree order.
std::vector<Accessible> AccessibleObjects();
std::string Describe(const std::vector<Accessible>& objects);
std::optional<Accessible> FindObject(const std::vector<Accessible>& objects, const std::string& role,
                                     const std::string& name);
// The visible windows of qav on the display, with their places.
std::vector<Box> QavWindows();
// Moves the pointer there, as a person would, and clicks once it is there.
void Click(int x, int y);

// Polls every 100 ms until the condition holds or the bound passes.
bool WaitUntil(const std::function<bool()>& condition, int boundMs);

// The display, the session bus and the tray, each a process of its own, with the environment that
// points programs at them (DISPLAY, the bus, QT_QPA_PLATFORM=xcb, accessibility on).
class XDesktop {
 public:
  // "" when the desktop is up; else what failed. A desktop whose tray does not come up is made
  // again, up to three times.
  std::string Start(int boundMs);
  ~XDesktop();
  // The screen's size in pixels, as Xvfb takes it ("800x600" unless set before Start).
  void SetScreenSize(std::string size) { screenSize_ = std::move(size); }

  // With the tray icon of a running qav (its one small window): opens the tray's menu, chooses
  // "Report a Problem", writes `description` in the report dialog and presses Send. "" once Send
  // was pressed; else what failed.
  std::string SendProblemReportFromTheTray(const std::string& description, int boundMs);

 private:
  // Xvfb on a display of this desktop's own that answers a client: its number, or nullopt.
  std::optional<std::string> StartDisplay(int boundMs);
  // One try: the tray must show within `trayBoundMs`.
  std::string StartOnce(int boundMs, int trayBoundMs);
  // Ends the tray, the bus and the display, and restores the environment.
  void Stop();

  std::unique_ptr<ChildProcess> xvfb_, bus_, trayer_;
  std::vector<std::unique_ptr<ScopedEnv>> env_;
  std::string screenSize_ = "800x600";
};

}  // namespace qav::test
