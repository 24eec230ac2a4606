// Driving the option children's controls as a user does, for the option-page tests.
#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QWidget>

namespace qav::test {

// A control by its id, wherever it sits in the parent's layout.
template <class Control>
Control* Find(QWidget* parent, int id) {
  for (Control* control : parent->findChildren<Control*>()) {
    if (control->property("qavControlId").toInt() == id) return control;
  }
  ADD_FAILURE() << "no control " << id;
  return nullptr;
}

// A control by its object name, which says what it is.
template <class Control>
Control* Find(QWidget* parent, const char* name) {
  auto* control = parent->findChild<Control*>(QString::fromLatin1(name));
  EXPECT_NE(control, nullptr) << "no control " << name;
  return control;
}

// A click where the control takes it: on a check box's or radio's indicator (only the indicator
// and the text answer), in the middle of anything else.
inline void Click(QWidget* widget) {
  const bool indicator = qobject_cast<QCheckBox*>(widget) != nullptr || qobject_cast<QRadioButton*>(widget) != nullptr;
  QTest::mouseClick(widget, Qt::LeftButton, {}, indicator ? QPoint(8, widget->height() / 2) : QPoint());
}

inline void Type(QLineEdit* edit, const QString& text) {
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  if (!text.isEmpty()) QTest::keyClicks(edit, text);
}

}  // namespace qav::test
