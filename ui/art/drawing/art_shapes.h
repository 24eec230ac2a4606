// The small pictures of the program's image strips, drawn with QPainter on a 16 x 16 grid that the
// caller scales to the strip's size (13, 16, 26 or 32 pixels). One function a picture, built from
// a few shared shapes, so every strip keeps one look: flat colours, a darker outline, round ends.
#pragma once

#include <QColor>
#include <QPainter>

namespace qav::art {

// The palette every picture draws from.
namespace colour {
inline const QColor kGreen{46, 158, 68};
inline const QColor kBlue{47, 111, 178};
inline const QColor kRed{208, 52, 44};
inline const QColor kOrange{232, 137, 42};
inline const QColor kYellow{242, 194, 48};
inline const QColor kGrey{138, 143, 150};
inline const QColor kLightGrey{205, 208, 212};
inline const QColor kSlate{84, 94, 108};
inline const QColor kDark{51, 56, 63};
inline const QColor kPaper{250, 250, 247};
}  // namespace colour

// Shapes; each fills the 16 x 16 grid unless it takes a box.
void Machine(QPainter& p, const QColor& body, bool dimReels);  // the answering machine: body, tape, reels
void Badge(QPainter& p, const QColor& fill);                     // a dot at the top right corner
void SlashBar(QPainter& p);                                      // a red bar from top left to bottom right
void Play(QPainter& p);
void Pause(QPainter& p);
void Stop(QPainter& p);
void Record(QPainter& p);
void Previous(QPainter& p);
void Next(QPainter& p);
void Handset(QPainter& p, const QColor& fill, bool hangUp);
void Person(QPainter& p, const QColor& fill, double dx = 0, double scale = 1);
void People(QPainter& p);
void Bubble(QPainter& p, const QColor& fill);
void Envelope(QPainter& p, const QColor& fill, bool open);
void Folder(QPainter& p);
void Cross(QPainter& p, const QColor& fill);
void Copy(QPainter& p);
void Graph(QPainter& p);
void Gear(QPainter& p);
void Speaker(QPainter& p);
void AppWindow(QPainter& p);
void Pencil(QPainter& p);
void ResetArrow(QPainter& p);
void Flag(QPainter& p);
void StatusDot(QPainter& p, int onlineStatus);

}  // namespace qav::art
