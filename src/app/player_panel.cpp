#include "app/player_panel.h"

#include <QWheelEvent>

#include "app/track_bar.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMouseEvent>

#include "app/x11_errors.h"

namespace zvapp {

TPlayerPanel::TPlayerPanel(QWidget* parent) : QWidget(parent) {
  setObjectName("plPlayer");
  setAttribute(Qt::WA_NativeWindow);
  setAttribute(Qt::WA_PaintOnScreen);
  setAttribute(Qt::WA_NoSystemBackground);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
  setMouseTracking(false);
}

void TPlayerPanel::ClearToBlack() {
  if (testAttribute(Qt::WA_WState_Created)) FillNativeWindowBlack(winId());
}

void TPlayerPanel::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  // Exposed areas the engine has not drawn show black, not garbage.
  ClearToBlack();
}

void TPlayerPanel::mousePressEvent(QMouseEvent* e) {
  if (OnMouseDown) OnMouseDown();
  QWidget::mousePressEvent(e);
}

void TPlayerPanel::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) {
    if (OnMouseDown) OnMouseDown();
    if (OnDblClick) OnDblClick();
    return;
  }
  QWidget::mouseDoubleClickEvent(e);
}

void TPlayerPanel::contextMenuEvent(QContextMenuEvent* e) {
  if (OnContextMenu) OnContextMenu(e->globalPos());
}

void TPlayerPanel::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  if (OnResized) OnResized();
}

}  // namespace zvapp

namespace zvapp {

void TPlayerPanel::wheelEvent(QWheelEvent* e) {
  if (!OnWheel) return QWidget::wheelEvent(e);
  e->accept();
  if (const int n = WheelNotches(e, FWheelRest)) OnWheel(n);
}

}  // namespace zvapp
