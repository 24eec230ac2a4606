// A group box whose title can grey on its own. A frame around controls that stay in use may be
// shown as out of use (its title greyed) while what it holds keeps working: disabling the box
// itself would disable every control inside it.
#pragma once

#include <QGroupBox>

class CTitleGroupBox : public QGroupBox {
 public:
  explicit CTitleGroupBox(QWidget* parent = nullptr) : QGroupBox(parent) {}

  void SetTitleEnabled(bool enabled);
  bool TitleEnabled() const { return m_titleEnabled; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool m_titleEnabled = true;
};
