// Walks a window's widgets the way a reader's eye does and lists every text it cannot read whole:
// a label, button, box or group title narrower or lower than its text, a control that stands
// outside what its parents show (a scroll area's viewport aside: there the user scrolls), and two
// text-bearing controls of one parent drawn over each other.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

namespace qav::test {

// Lets every pending layout run, as the event loop would before the user sees the window: a
// layout that changes a widget's size asks its parent's layout to run again, one round later.
void SettleLayouts();

// The problems found below `top` (after SettleLayouts), one line each, naming the control by its object name and text.
// Only what is visible to `top` counts.
QStringList CutTexts(const QWidget* top);

// One line for a failing assertion.
inline std::string Listed(const QStringList& problems) { return problems.join(QLatin1Char('\n')).toStdString(); }

}  // namespace qav::test
