#pragma once
// The black picture panel: a native child window that the engine draws into.
// Qt never paints it, so the engine's pictures are not overdrawn, while mouse
// clicks over the picture still reach the window.
#include <QWidget>
#include <functional>

class QWheelEvent;

namespace zvapp {

class TPlayerPanel : public QWidget {
  Q_OBJECT
public:
  explicit TPlayerPanel(QWidget* parent = nullptr);

  QPaintEngine* paintEngine() const override { return nullptr; }

  // Fills the native window with black (after a playback ends).
  void ClearToBlack();

  std::function<void()> OnDblClick;
  std::function<void()> OnMouseDown;
  std::function<void(const QPoint& globalPos)> OnContextMenu;
  std::function<void()> OnResized;
  // Whole wheel notches over the picture (and the bar controls that take none).
  std::function<void(int notches)> OnWheel;

protected:
  void paintEvent(QPaintEvent*) override {}
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void showEvent(QShowEvent* e) override;

private:
  int FWheelRest = 0;
};

}  // namespace zvapp
