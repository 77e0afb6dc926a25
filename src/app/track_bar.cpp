#include "app/track_bar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>

namespace zvapp {

namespace {
constexpr int kThumb = 11;
}

TTrackBar::TTrackBar(QWidget* parent) : QWidget(parent) {
  setMinimumHeight(13);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::NoFocus);
}

void TTrackBar::SetMin(float v) {
  FMin = v > FMax ? FMax : v;
  SetValue(FValue);
  update();
}

void TTrackBar::SetMax(float v) {
  // A range never turns over: an unknown (negative) length leaves an empty one.
  FMax = v < FMin ? FMin : v;
  SetValue(FValue);
  update();
}

void TTrackBar::SetLoop(float a, float b) {
  if (a == FLoopA && b == FLoopB) return;
  FLoopA = a;
  FLoopB = b;
  update();
}

void TTrackBar::SetMarks(std::vector<float> marks) {
  FMarks = std::move(marks);
  update();
}

void TTrackBar::SetFrequency(float v) {
  FFrequency = v > 0 ? v : 0;
  SetValue(FValue);
}

float TTrackBar::Snap(float v) const {
  if (FFrequency > 0) v = std::round(v / FFrequency) * FFrequency;
  if (v < FMin) v = FMin;
  if (v > FMax) v = FMax;
  return v;
}

bool TTrackBar::Store(float v) {
  v = Snap(v);
  if (v == FValue) return false;
  FValue = v;
  update();
  return true;
}

void TTrackBar::Notify() {
  if (OnChange) {
    auto handler = OnChange;  // the handler may detach itself
    handler();
  }
}

void TTrackBar::SetValue(float v) {
  if (Store(v)) Notify();
}

float TTrackBar::ValueAt(int x) const {
  int span = width() - kThumb;
  if (span <= 0) return FMin;
  double f = double(x - kThumb / 2) / span;
  if (f < 0) f = 0;
  if (f > 1) f = 1;
  return float(FMin + f * (double(FMax) - FMin));
}

void TTrackBar::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
  FDragging = true;
  FPendingChange = false;
  // A click jumps at once, whatever the tracking switch says.
  const bool moved = Store(ValueAt(int(e->position().x())));
  if (moved && OnUserMove) OnUserMove();
  if (moved) Notify();
}

int WheelNotches(QWheelEvent* e, int& rest) {
  rest += e->angleDelta().y();
  const int notches = rest / 120;
  rest -= notches * 120;
  return notches;
}

void TTrackBar::wheelEvent(QWheelEvent* e) {
  if (!OnWheel) return QWidget::wheelEvent(e);
  e->accept();
  if (const int n = WheelNotches(e, FWheelRest)) OnWheel(n);
}

void TTrackBar::mouseMoveEvent(QMouseEvent* e) {
  if (!FDragging) {
    const QString tip = HoverText ? HoverText(ValueAt(int(e->position().x()))) : QString();
    if (tip.isEmpty())
      QToolTip::hideText();
    else
      QToolTip::showText(e->globalPosition().toPoint(), tip, this, rect());
    return;
  }
  if (!Store(ValueAt(int(e->position().x())))) return;
  if (OnUserMove) OnUserMove();
  if (FTracking)
    Notify();
  else
    FPendingChange = true;
}

void TTrackBar::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !FDragging) return QWidget::mouseReleaseEvent(e);
  FDragging = false;
  if (FPendingChange) {
    FPendingChange = false;
    Notify();
  }
  if (OnRelease) OnRelease();
}

void TTrackBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const int h = height();
  const int grooveH = 4;
  QRectF groove(kThumb / 2.0, (h - grooveH) / 2.0, width() - kThumb, grooveH);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x55, 0x55, 0x55));
  p.drawRoundedRect(groove, 2, 2);
  double f = FMax > FMin ? (double(FValue) - FMin) / (double(FMax) - FMin) : 0.0;
  QRectF done = groove;
  done.setWidth(groove.width() * f);
  p.setBrush(QColor(0x3D, 0x9B, 0xE9));
  p.drawRoundedRect(done, 2, 2);
  if (FMax > FMin) {
    p.setBrush(QColor(0xF0, 0xC0, 0x40));
    for (float m : FMarks) {
      if (m <= FMin || m >= FMax) continue;
      const double mx = groove.left() + groove.width() * (double(m) - FMin) / (double(FMax) - FMin);
      p.drawRect(QRectF(mx - 1, groove.top() - 2, 2, grooveH + 4));
    }
  }
  if (FMax > FMin && (FLoopA >= 0 || FLoopB >= 0)) {
    // The loop: a band between A and B, a taller tick at each end.
    auto xOf = [&](float v) { return groove.left() + groove.width() * (double(std::clamp(v, FMin, FMax)) - FMin) / (double(FMax) - FMin); };
    const QColor loopColour(0x60, 0xD0, 0x60);
    if (FLoopA >= 0 && FLoopB >= 0) {
      QColor band = loopColour;
      band.setAlpha(110);
      p.setBrush(band);
      p.drawRect(QRectF(xOf(FLoopA), groove.top() - 1, xOf(FLoopB) - xOf(FLoopA), grooveH + 2));
    }
    p.setBrush(loopColour);
    for (float v : {FLoopA, FLoopB})
      if (v >= 0) p.drawRect(QRectF(xOf(v) - 1.5, groove.top() - 4, 3, grooveH + 8));
  }
  double cx = groove.left() + groove.width() * f;
  p.setBrush(QColor(0xF0, 0xF0, 0xF0));
  p.drawEllipse(QPointF(cx, h / 2.0), kThumb / 2.0, kThumb / 2.0);
}

}  // namespace zvapp
