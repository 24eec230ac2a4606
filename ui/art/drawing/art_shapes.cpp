#include "ui/art/drawing/art_shapes.h"

#include <QPainterPath>
#include <QPolygonF>
#include <cmath>

namespace qav::art {
namespace {

QPen Outline(const QColor& fill, double width = 0.9) {
  return QPen(fill.darker(160), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Shape(QPainter& p, const QColor& fill) {
  p.setPen(Outline(fill));
  p.setBrush(fill);
}

void Line(QPainter& p, const QColor& colour, double width, QPointF a, QPointF b) {
  p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawLine(a, b);
}

}  // namespace

void Machine(QPainter& p, const QColor& body, bool dimReels) {
  Shape(p, body);
  p.drawRoundedRect(QRectF(0.8, 2.8, 14.4, 10.4), 2.2, 2.2);
  Shape(p, colour::kPaper);
  p.drawRoundedRect(QRectF(3, 5, 10, 5.2), 1, 1);
  const QColor reel = dimReels ? colour::kLightGrey : colour::kDark;
  p.setPen(QPen(reel, 1.2));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(5.6, 7.6), 1.4, 1.4);
  p.drawEllipse(QPointF(10.4, 7.6), 1.4, 1.4);
  Line(p, reel, 0.8, QPointF(5.6, 9.0), QPointF(10.4, 9.0));
}

void Badge(QPainter& p, const QColor& fill) {
  p.setPen(QPen(colour::kPaper, 1.0));
  p.setBrush(fill);
  p.drawEllipse(QPointF(12.4, 3.6), 3.2, 3.2);
}

void SlashBar(QPainter& p) {
  Line(p, colour::kPaper, 3.4, QPointF(2.5, 2.5), QPointF(13.5, 13.5));
  Line(p, colour::kRed, 2.0, QPointF(2.5, 2.5), QPointF(13.5, 13.5));
}

void Play(QPainter& p) {
  Shape(p, colour::kGreen);
  p.drawPolygon(QPolygonF({QPointF(4, 2.5), QPointF(13.5, 8), QPointF(4, 13.5)}));
}

void Pause(QPainter& p) {
  Shape(p, colour::kBlue);
  p.drawRoundedRect(QRectF(3.5, 2.5, 3.2, 11), 0.8, 0.8);
  p.drawRoundedRect(QRectF(9.3, 2.5, 3.2, 11), 0.8, 0.8);
}

void Stop(QPainter& p) {
  Shape(p, colour::kSlate);
  p.drawRoundedRect(QRectF(3, 3, 10, 10), 1.2, 1.2);
}

void Record(QPainter& p) {
  Shape(p, colour::kRed);
  p.drawEllipse(QPointF(8, 8), 5.5, 5.5);
}

void Previous(QPainter& p) {
  Shape(p, colour::kBlue);
  p.drawRect(QRectF(2.5, 3, 2.2, 10));
  p.drawPolygon(QPolygonF({QPointF(13.5, 3), QPointF(5.5, 8), QPointF(13.5, 13)}));
}

void Next(QPainter& p) {
  Shape(p, colour::kBlue);
  p.drawRect(QRectF(11.3, 3, 2.2, 10));
  p.drawPolygon(QPolygonF({QPointF(2.5, 3), QPointF(10.5, 8), QPointF(2.5, 13)}));
}

void Handset(QPainter& p, const QColor& fill, bool hangUp) {
  p.save();
  p.translate(8, 8);
  p.rotate(hangUp ? 135 : 45);
  QPainterPath path;
  // Two ear pieces joined by a curved grip, drawn upright and turned into place.
  path.addRoundedRect(QRectF(-2.6, -7, 5.2, 3.6), 1.2, 1.2);
  path.addRoundedRect(QRectF(-2.6, 3.4, 5.2, 3.6), 1.2, 1.2);
  path.addRoundedRect(QRectF(-3.4, -5.4, 2.6, 10.8), 1.3, 1.3);
  p.setPen(Outline(fill));
  p.setBrush(fill);
  p.drawPath(path.simplified());
  p.restore();
}

void Person(QPainter& p, const QColor& fill, double dx, double scale) {
  p.save();
  p.translate(8 + dx, 8);
  p.scale(scale, scale);
  Shape(p, fill);
  p.drawEllipse(QPointF(0, -3.2), 3, 3);
  QPainterPath body;
  body.moveTo(-5.5, 7);
  body.cubicTo(-5.5, 1.2, 5.5, 1.2, 5.5, 7);
  body.closeSubpath();
  p.drawPath(body);
  p.restore();
}

void People(QPainter& p) {
  Person(p, colour::kGrey, 2.6, 0.8);
  Person(p, colour::kBlue, -2.2, 0.85);
}

void Bubble(QPainter& p, const QColor& fill) {
  QPainterPath path;
  path.addRoundedRect(QRectF(1, 2, 14, 9.5), 3, 3);
  QPainterPath tail;
  tail.moveTo(4, 10);
  tail.lineTo(3.5, 14.5);
  tail.lineTo(8.5, 10.5);
  tail.closeSubpath();
  Shape(p, fill);
  p.drawPath(path.united(tail));
  p.setPen(Qt::NoPen);
  p.setBrush(colour::kPaper);
  for (double x : {4.8, 8.0, 11.2}) p.drawEllipse(QPointF(x, 6.8), 1, 1);
}

void Envelope(QPainter& p, const QColor& fill, bool open) {
  Shape(p, fill);
  if (open) {
    p.drawPolygon(QPolygonF({QPointF(1, 6.5), QPointF(8, 1.8), QPointF(15, 6.5), QPointF(15, 14), QPointF(1, 14)}));
    p.setBrush(colour::kPaper);
    p.drawRect(QRectF(3.5, 4, 9, 6));
    p.setBrush(fill);
    p.drawPolygon(QPolygonF({QPointF(1, 6.5), QPointF(8, 11), QPointF(15, 6.5), QPointF(15, 14), QPointF(1, 14)}));
  } else {
    p.drawRoundedRect(QRectF(1, 3.5, 14, 10), 1, 1);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(1.5, 4.2), QPointF(8, 9.2), QPointF(14.5, 4.2)}));
  }
}

void Folder(QPainter& p) {
  Shape(p, colour::kYellow);
  QPainterPath back;
  back.moveTo(1, 3);
  back.lineTo(6, 3);
  back.lineTo(7.5, 4.8);
  back.lineTo(15, 4.8);
  back.lineTo(15, 13.5);
  back.lineTo(1, 13.5);
  back.closeSubpath();
  p.drawPath(back);
  p.setBrush(colour::kYellow.lighter(115));
  p.drawPolygon(QPolygonF({QPointF(1, 13.5), QPointF(3, 7), QPointF(15.5, 7), QPointF(14, 13.5)}));
}

void Cross(QPainter& p, const QColor& fill) {
  Line(p, fill.darker(140), 4.2, QPointF(3.5, 3.5), QPointF(12.5, 12.5));
  Line(p, fill.darker(140), 4.2, QPointF(12.5, 3.5), QPointF(3.5, 12.5));
  Line(p, fill, 2.8, QPointF(3.5, 3.5), QPointF(12.5, 12.5));
  Line(p, fill, 2.8, QPointF(12.5, 3.5), QPointF(3.5, 12.5));
}

void Copy(QPainter& p) {
  Shape(p, colour::kPaper);
  p.setPen(Outline(colour::kGrey));
  p.drawRect(QRectF(1.5, 1.5, 8.5, 10));
  p.drawRect(QRectF(6, 4.5, 8.5, 10));
  for (double y : {7.5, 9.5, 11.5}) Line(p, colour::kGrey, 0.8, QPointF(8, y), QPointF(12.5, y));
}

void Graph(QPainter& p) {
  Shape(p, colour::kPaper);
  p.setPen(Outline(colour::kGrey));
  p.drawRect(QRectF(1, 1.5, 14, 13));
  const double heights[] = {4, 8, 5.5, 10, 6.5};
  for (int i = 0; i < 5; ++i) {
    p.setPen(Qt::NoPen);
    p.setBrush(i == 3 ? colour::kRed : colour::kGreen);
    p.drawRect(QRectF(2.6 + i * 2.5, 13.5 - heights[i], 1.8, heights[i]));
  }
}

void Gear(QPainter& p) {
  QPainterPath gear;
  for (int i = 0; i < 8; ++i) {
    QPainterPath tooth;
    tooth.addRoundedRect(QRectF(-1.5, -7.2, 3, 4), 0.6, 0.6);
    QTransform t;
    t.translate(8, 8);
    t.rotate(i * 45);
    gear = gear.united(t.map(tooth));
  }
  QPainterPath ring;
  ring.addEllipse(QPointF(8, 8), 5, 5);
  gear = gear.united(ring);
  QPainterPath hole;
  hole.addEllipse(QPointF(8, 8), 2, 2);
  Shape(p, colour::kSlate);
  p.drawPath(gear.subtracted(hole));
}

void Speaker(QPainter& p) {
  Shape(p, colour::kSlate);
  p.drawPolygon(QPolygonF({QPointF(1.5, 6), QPointF(4.5, 6), QPointF(8.5, 2.5), QPointF(8.5, 13.5),
                           QPointF(4.5, 10), QPointF(1.5, 10)}));
  p.setPen(QPen(colour::kBlue, 1.3, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(6.5, 5, 6, 6), -50 * 16, 100 * 16);
  p.drawArc(QRectF(5.5, 2.5, 10, 11), -50 * 16, 100 * 16);
}

void AppWindow(QPainter& p) {
  Shape(p, colour::kPaper);
  p.setPen(Outline(colour::kBlue));
  p.drawRoundedRect(QRectF(1, 2, 14, 12), 1.2, 1.2);
  p.setPen(Qt::NoPen);
  p.setBrush(colour::kBlue);
  p.drawRect(QRectF(1.5, 2.5, 13, 3));
  p.setBrush(colour::kLightGrey);
  p.drawRect(QRectF(3, 7.5, 4, 5));
  p.drawRect(QRectF(8.5, 7.5, 4.5, 2));
  p.drawRect(QRectF(8.5, 10.5, 4.5, 2));
}

void Pencil(QPainter& p) {
  p.save();
  p.translate(8, 8);
  p.rotate(45);
  Shape(p, colour::kOrange);
  p.drawRect(QRectF(-2, -7, 4, 10));
  p.setBrush(colour::kPaper);
  p.drawPolygon(QPolygonF({QPointF(-2, 3), QPointF(2, 3), QPointF(0, 7)}));
  p.restore();
}

void ResetArrow(QPainter& p) {
  p.setPen(QPen(colour::kBlue, 2.2, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(2.5, 2.5, 11, 11), 100 * 16, 280 * 16);
  p.setPen(Qt::NoPen);
  p.setBrush(colour::kBlue);
  p.drawPolygon(QPolygonF({QPointF(3.5, 0.8), QPointF(9, 3.0), QPointF(4.2, 6.6)}));
}

void Flag(QPainter& p) {
  Line(p, colour::kDark, 1.4, QPointF(3, 1.5), QPointF(3, 14.5));
  Shape(p, colour::kRed);
  p.drawPolygon(QPolygonF({QPointF(3.5, 2), QPointF(13.5, 4.5), QPointF(3.5, 8.5)}));
}

void StatusDot(QPainter& p, int onlineStatus) {
  const QPointF centre(8, 8);
  const double radius = 5.8;
  auto disc = [&](const QColor& fill) {
    Shape(p, fill);
    p.drawEllipse(centre, radius, radius);
  };
  auto hands = [&] {
    Line(p, colour::kPaper, 1.3, centre, QPointF(8, 4.5));
    Line(p, colour::kPaper, 1.3, centre, QPointF(10.6, 9.4));
  };
  switch (onlineStatus) {
    case 0:  // unknown
      disc(colour::kLightGrey);
      p.setPen(Qt::NoPen);
      p.setBrush(colour::kGrey);
      p.drawEllipse(centre, 1.6, 1.6);
      break;
    case 1:  // offline
      p.setPen(QPen(colour::kGrey, 1.6));
      p.setBrush(colour::kPaper);
      p.drawEllipse(centre, radius - 0.4, radius - 0.4);
      break;
    case 2:  // online
      disc(colour::kGreen);
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(colour::kPaper, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.drawPolyline(QPolygonF({QPointF(5, 8.2), QPointF(7.2, 10.4), QPointF(11, 5.8)}));
      break;
    case 3:  // open for calls from anyone
      disc(colour::kGreen);
      p.setPen(Qt::NoPen);
      p.setBrush(colour::kPaper);
      p.drawEllipse(centre, 2.6, 2.6);
      p.setBrush(colour::kGreen);
      p.drawEllipse(centre, 1.3, 1.3);
      break;
    case 4:  // away
      disc(colour::kYellow);
      hands();
      break;
    case 5:  // not available
      disc(colour::kOrange);
      hands();
      break;
    case 6:  // do not disturb
      disc(colour::kRed);
      Line(p, colour::kPaper, 2.0, QPointF(4.8, 8), QPointF(11.2, 8));
      break;
    case 7:  // invisible
      p.setPen(QPen(colour::kGrey, 1.4, Qt::DotLine, Qt::RoundCap));
      p.setBrush(colour::kPaper);
      p.drawEllipse(centre, radius - 0.4, radius - 0.4);
      break;
    case 8:  // a telephone number
      disc(colour::kBlue);
      p.save();
      p.translate(8, 8);
      p.scale(0.6, 0.6);
      p.translate(-8, -8);
      Handset(p, colour::kPaper, false);
      p.restore();
      break;
    default:  // logged out
      disc(colour::kSlate);
      Line(p, colour::kPaper, 1.6, QPointF(5.6, 5.6), QPointF(10.4, 10.4));
      Line(p, colour::kPaper, 1.6, QPointF(10.4, 5.6), QPointF(5.6, 10.4));
      break;
  }
}

}  // namespace qav::art
