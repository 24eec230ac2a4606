// MessageBoxExtra: the standard message box with what it lacks: a countdown that closes the box by
// itself and shows the seconds left wherever the text says "<T>", a check box under the text,
// centring on the owner, an explicit screen position kept inside the screen's work area, centred
// text, and buttons at the right edge.
//
// The box is modal and runs a nested loop, which keeps the platform loop served
// (ui/bridge/qt_loop_bridge.h): posts, timers and an exit request go on while it is open. GUI thread only.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>

class QWidget;

inline constexpr uint32_t MSGBOXEXTRA_CENTER = 0x01;
inline constexpr uint32_t MSGBOXEXTRA_COUNTDOWN = 0x02;
inline constexpr uint32_t MSGBOXEXTRA_CENTER_TEXT = 0x04;
inline constexpr uint32_t MSGBOXEXTRA_CHECKBOX = 0x08;
inline constexpr uint32_t MSGBOXEXTRA_BUTTONS_RIGHT = 0x10;
inline constexpr uint32_t MSGBOXEXTRA_SET_POS = 0x20;

struct MSGBOXEXTRA {
  uint32_t cbSize = sizeof(MSGBOXEXTRA);
  uint32_t dwFlags = 0;
  uint32_t seconds = 0;                     // MSGBOXEXTRA_COUNTDOWN: seconds before it closes
  const char16_t* pcszCheckBoxText = nullptr;  // MSGBOXEXTRA_CHECKBOX: the check box's text
  uint32_t* puValue = nullptr;              // MSGBOXEXTRA_CHECKBOX: in 1 = checked; out: its state
  int32_t x = 0;                            // MSGBOXEXTRA_SET_POS: screen position
  int32_t y = 0;
};

// Shows the box (type: the MB_ buttons, icon and default-button bits of platform/message_box.h)
// and returns the button chosen (IDOK ...); a countdown that runs out answers with the default
// button. Returns -1 and shows nothing when the block is refused: null, of the wrong size, the check
// box asked for without its text or value, or both MSGBOXEXTRA_SET_POS and MSGBOXEXTRA_CENTER.
int MessageBoxExtra(QWidget* owner, const QString& text, const QString& caption, uint32_t type,
                    const MSGBOXEXTRA* extra);

// The text with every "<T>" (any letter case) replaced by the seconds.
QString ReplaceCountdownMark(const QString& text, uint32_t seconds);

// Where a box of `size` is put for the asked point: raised to the work area's left and top edges,
// then shifted left and up so that it does not pass the right and bottom edges.
QPoint KeepInsideWorkArea(const QPoint& asked, const QSize& size, const QRect& workArea);
