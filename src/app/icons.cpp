#include "app/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zvapp {

namespace {

// Draws on a 20 x 20 grid scaled to the pixmap.
void DrawGlyph(QPainter& p, TIconKind kind, const QColor& c) {
  QPen pen(c, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  switch (kind) {
    case TIconKind::Open: {
      QPainterPath path;
      path.moveTo(2, 5);
      path.lineTo(8, 5);
      path.lineTo(10, 7);
      path.lineTo(18, 7);
      path.lineTo(18, 16);
      path.lineTo(2, 16);
      path.closeSubpath();
      p.drawPath(path);
      p.drawLine(QPointF(2, 9.5), QPointF(18, 9.5));
      break;
    }
    case TIconKind::Play: {
      QPainterPath path;
      path.moveTo(6, 3.5);
      path.lineTo(16.5, 10);
      path.lineTo(6, 16.5);
      path.closeSubpath();
      p.setBrush(c);
      p.drawPath(path);
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
      QPainterPath body;
      body.moveTo(2.5, 7.5);
      body.lineTo(6, 7.5);
      body.lineTo(10, 4);
      body.lineTo(10, 16);
      body.lineTo(6, 12.5);
      body.lineTo(2.5, 12.5);
      body.closeSubpath();
      p.setBrush(c);
      p.drawPath(body);
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
      QPainterPath top;
      top.moveTo(6.5, 6);
      top.lineTo(8, 3.5);
      top.lineTo(12, 3.5);
      top.lineTo(13.5, 6);
      p.drawPath(top);
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
