#include "app/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zvapp {

namespace {

// A path through the points; closed unless open is asked for.
QPainterPath PathThrough(std::initializer_list<QPointF> points, bool closed = true) {
  QPainterPath path;
  for (const QPointF& pt : points) {
    if (path.elementCount() == 0)
      path.moveTo(pt);
    else
      path.lineTo(pt);
  }
  if (closed) path.closeSubpath();
  return path;
}

// Draws on a 20 x 20 grid scaled to the pixmap.
void DrawGlyph(QPainter& p, TIconKind kind, const QColor& c) {
  QPen pen(c, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  switch (kind) {
    case TIconKind::Open: {
      p.drawPath(PathThrough({{2, 5}, {8, 5}, {10, 7}, {18, 7}, {18, 16}, {2, 16}}));
      p.drawLine(QPointF(2, 9.5), QPointF(18, 9.5));
      break;
    }
    case TIconKind::Play: {
      p.setBrush(c);
      p.drawPath(PathThrough({{6, 3.5}, {16.5, 10}, {6, 16.5}}));
      break;
    }
    case TIconKind::Pause:
      p.setPen(Qt::NoPen);
      p.setBrush(c);
      p.drawRoundedRect(QRectF(5, 4, 3.5, 12), 1, 1);
      p.drawRoundedRect(QRectF(11.5, 4, 3.5, 12), 1, 1);
      break;
    case TIconKind::Stop:
      p.setPen(Qt::NoPen);
      p.setBrush(c);
      p.drawRoundedRect(QRectF(4.5, 4.5, 11, 11), 1.5, 1.5);
      break;
    case TIconKind::Volume:
    case TIconKind::Muted: {
      p.setBrush(c);
      p.drawPath(PathThrough({{2.5, 7.5}, {6, 7.5}, {10, 4}, {10, 16}, {6, 12.5}, {2.5, 12.5}}));
      p.setBrush(Qt::NoBrush);
      if (kind == TIconKind::Volume) {
        p.drawArc(QRectF(9, 6.5, 5, 7), -60 * 16, 120 * 16);
        p.drawArc(QRectF(9, 3.5, 8.5, 13), -60 * 16, 120 * 16);
      } else {
        p.drawLine(QPointF(12.5, 7), QPointF(17.5, 13));
        p.drawLine(QPointF(17.5, 7), QPointF(12.5, 13));
      }
      break;
    }
    case TIconKind::Capture: {
      p.drawRoundedRect(QRectF(2, 6, 16, 11), 2, 2);
      p.drawPath(PathThrough({{6.5, 6}, {8, 3.5}, {12, 3.5}, {13.5, 6}}, false));
      p.drawEllipse(QPointF(10, 11.5), 3.2, 3.2);
      break;
    }
  }
}

QPixmap Render(TIconKind kind, int size, const QColor& c) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 20.0, size / 20.0);
  DrawGlyph(p, kind, c);
  return pm;
}

}  // namespace

QIcon MakeIcon(TIconKind kind) {
  QIcon icon;
  for (int size : {20, 40, 64}) {
    icon.addPixmap(Render(kind, size, QColor(0xE8, 0xE8, 0xE8)), QIcon::Normal);
    icon.addPixmap(Render(kind, size, QColor(0xFF, 0xFF, 0xFF)), QIcon::Active);
    icon.addPixmap(Render(kind, size, QColor(0x80, 0x80, 0x80)), QIcon::Disabled);
  }
  return icon;
}

}  // namespace zvapp
