// Walks a window's widgets the way a reader's eye does and lists every text it cannot read whole:
// a label, button, box or group title narrower or lower than its text, a control that stands
// outside what its parents show (a scroll area's viewport aside: there the user scrolls), and two
// text-bearing controls of one parent drawn over each other.
#pragma once

#include <QApplication>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

namespace qav::test {

// Lets every pending layout run, as the event loop would before the user sees the window: a
// layout that changes a widget's size asks its parent's layout to run again, one round later.
void SettleLayouts();

// The problems found below `top` (after SettleLayouts), one line each, naming the control by its object name and text.
// Only what is visible to `top` counts.
QStringList CutTexts(const QWidget* top);

// The application's font as the test finds it and the same font `factor` times as large (1.5 is
// how a 144 dpi desktop shows it): the two sizes a window must read whole at. The application has
// the found font again once this goes.
class TestFonts {
 public:
  explicit TestFonts(double factor) : found_(QApplication::font()), larger_(found_) {
    larger_.setPointSizeF(found_.pointSizeF() * factor);
  }
  ~TestFonts() { QApplication::setFont(found_); }
  TestFonts(const TestFonts&) = delete;
  TestFonts& operator=(const TestFonts&) = delete;
  // The found font, then the larger one.
  std::vector<QFont> Both() const { return {found_, larger_}; }

 private:
  QFont found_;
  QFont larger_;
};

// One line for a failing assertion.
inline std::string Listed(const QStringList& problems) { return problems.join(QLatin1Char('\n')).toStdString(); }

}  // namespace qav::test
