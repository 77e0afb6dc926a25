#pragma once
// The strip along the bottom of the picture: position track on top; open,
// pause, stop, volume, mute and snapshot below; the time text at the right.
#include <QLabel>
#include <QToolButton>
#include <QWidget>

#include "app/track_bar.h"

namespace zvapp {

class TControlBar : public QWidget {
  Q_OBJECT
public:
  static constexpr int kDesignHeight = 60;
  static constexpr int kShownHeight = 40;
  static constexpr int kTopHeight = 15;

  explicit TControlBar(QWidget* parent = nullptr);

  TTrackBar* TrackPlay;
  QToolButton* btnOpen;
  QToolButton* btnPause;
  QToolButton* btnStop;
  TTrackBar* TrackVolume;
  QToolButton* btnMute;
  QToolButton* btnCapture;
  QLabel* lblDuration;

  // The pause button shows what a click does: resume when paused.
  void ShowPausedLook(bool paused);

protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;

private:
  QToolButton* MakeButton(const char* name, int width);
  void LayOut();
};

}  // namespace zvapp
