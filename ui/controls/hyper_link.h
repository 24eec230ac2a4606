// CHyperLink: a static text that is a link. Link, visited and hover colours, underline always,
// never or only while hovered, a hand cursor, a tooltip with the address, and on click either
// opening the address through the desktop shell or leaving the click to the parent (clicked()).
//
// The address opens through an opener given from outside: the link's own (SetOpener), else the
// default one the program's sheet installs from its services for the links of its pages and
// dialogs; without either a click cannot open the address. GUI thread only.
#pragma once

#include <QLabel>
#include <QString>
#include <functional>
#include <string>

#include "ui/controls/color_utils.h"

class CHyperLink : public QLabel {
  Q_OBJECT

 public:
  static constexpr COLORREF kNoColour = 0xFFFFFFFF;  // -1
  // Underline modes.
  static constexpr int kUnderlineNever = 0;
  static constexpr int kUnderlineAlways = 1;
  static constexpr int kUnderlineHover = -1;

  explicit CHyperLink(const QString& text = {}, QWidget* parent = nullptr);

  // Hover -1 is the system's highlight colour; background -1 leaves the background unpainted.
  void SetColours(COLORREF link, COLORREF visited, COLORREF hover = kNoColour, COLORREF background = kNoColour);
  COLORREF GetLinkColour() const { return m_linkColour; }
  COLORREF GetVisitedColour() const { return m_visitedColour; }
  COLORREF GetHoverColour() const { return m_hoverColour; }
  COLORREF GetBackgroundColour() const { return m_backgroundColour; }
  void SetURL(const QString& url);
  QString GetURL() const { return m_url; }
  void SetAutoSize(bool autoSize);
  bool GetAutoSize() const { return m_adjustToFit; }
  void SetUnderline(int mode);
  int GetUnderline() const { return m_underline; }
  void SetAutoOpen(bool follow);
  bool GetAutoOpen() const { return m_followOnClick; }
  void SetVisited(bool visited);
  bool GetVisited() const { return m_visited; }
  void ActivateTooltip(bool active);
  // Opens the address with the desktop's handler; whether one took it.
  using Opener = std::function<bool(const std::u16string& address)>;
  // This link's opener; an empty one goes back to the default.
  void SetOpener(Opener opener) { m_opener = std::move(opener); }
  // The opener of every link without its own (empty: none).
  static void SetDefaultOpener(Opener opener);

  // What the link shows now.
  bool IsOver() const { return m_over; }
  bool IsUnderlinedNow() const;
  COLORREF CurrentTextColour() const;

  // Text of the error the shell's result code stands for (the codes of the desktop's "open").
  static QString OpenErrorText(int code);

 signals:
  // A click by the user, after the link has opened (or only been marked visited).
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void OnClicked();
  void FitToText();
  void Refresh();

  COLORREF m_linkColour = RGB(0, 0, 0xEE);        // 0xEE0000
  COLORREF m_visitedColour = RGB(0x55, 0x1A, 0x8B);  // 0x8B1A55
  COLORREF m_hoverColour = RGB(0xFF, 0, 0);       // 0x0000FF
  COLORREF m_backgroundColour;
  bool m_over = false;
  bool m_visited = false;
  int m_underline = kUnderlineHover;
  bool m_adjustToFit = true;
  bool m_followOnClick = true;
  bool m_tooltipActive = true;
  QString m_url;
  Opener m_opener;
};
