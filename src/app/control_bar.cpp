#include "app/control_bar.h"

#include <QPainter>
#include <algorithm>

#include "app/icons.h"

namespace zvapp {

namespace {
constexpr int kIconSize = 20;
constexpr int kDurationWidth = 199;
constexpr int kVolumeLayoutWidth = 124;
constexpr int kVolumeTrackWidth = 106;
// Narrow windows shrink the volume track down to this before the time text gives way.
constexpr int kVolumeTrackMinWidth = 40;
constexpr int kRightMargin = 6;
}  // namespace

TControlBar::TControlBar(QWidget* parent) : QWidget(parent) {
  setObjectName("ControlBar");
  setFixedHeight(kDesignHeight);
  setCursor(Qt::ArrowCursor);

  TrackPlay = new TTrackBar(this);
  TrackPlay->setObjectName("TrackPlay");
  TrackPlay->SetMin(0);
  TrackPlay->SetMax(100);
  TrackPlay->SetTracking(true);

  btnOpen = MakeButton("btnOpen", 36);
  btnOpen->setIcon(MakeIcon(TIconKind::Open));
  btnOpen->setToolTip(tr("Open"));
  btnPause = MakeButton("btnPause", 36);
  btnPause->setToolTip(tr("Pause / resume"));
  ShowPausedLook(true);
  btnStop = MakeButton("btnStop", 36);
  btnStop->setIcon(MakeIcon(TIconKind::Stop));
  btnStop->setToolTip(tr("Stop"));

  TrackVolume = new TTrackBar(this);
  TrackVolume->setObjectName("TrackVolume");
  TrackVolume->SetMin(0);
  TrackVolume->SetMax(128);
  TrackVolume->SetValue(128);
  TrackVolume->SetTracking(true);
  TrackVolume->setToolTip(tr("Volume"));

  btnMute = MakeButton("btnMute", 37);
  btnMute->setCheckable(true);
  QIcon mute;
  const QIcon on = MakeIcon(TIconKind::Muted), off = MakeIcon(TIconKind::Volume);
  for (int s : {20, 40}) {
    mute.addPixmap(off.pixmap(s, s), QIcon::Normal, QIcon::Off);
    mute.addPixmap(on.pixmap(s, s), QIcon::Normal, QIcon::On);
  }
  btnMute->setIcon(mute);
  btnMute->setToolTip(tr("Mute"));
  btnCapture = MakeButton("btnCapture", 37);
  btnCapture->setCheckable(true);
  btnCapture->setIcon(MakeIcon(TIconKind::Capture));
  btnCapture->setToolTip(tr("Snapshot"));

  lblDuration = new QLabel(this);
  lblDuration->setObjectName("lblDuration");
  lblDuration->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  QPalette pal = lblDuration->palette();
  pal.setColor(QPalette::WindowText, QColor(0xFD, 0xFD, 0xFD));
  lblDuration->setPalette(pal);
  // Only text: clicks near it belong to the buttons beside it.
  lblDuration->setAttribute(Qt::WA_TransparentForMouseEvents);
  LayOut();
}

QToolButton* TControlBar::MakeButton(const char* name, int width) {
  auto* b = new QToolButton(this);
  b->setObjectName(name);
  b->setAutoRaise(true);
  b->setFocusPolicy(Qt::NoFocus);
  b->setIconSize(QSize(kIconSize, kIconSize));
  b->setFixedWidth(width);
  b->setStyleSheet(
      "QToolButton { border: none; background: transparent; }"
      "QToolButton:hover { background: #262626; }"
      "QToolButton:pressed, QToolButton:checked { background: #333333; }");
  return b;
}

void TControlBar::ShowPausedLook(bool paused) {
  btnPause->setIcon(MakeIcon(paused ? TIconKind::Play : TIconKind::Pause));
}

void TControlBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(0x0C, 0x0C, 0x0C));
}

void TControlBar::resizeEvent(QResizeEvent*) { LayOut(); }

void TControlBar::LayOut() {
  const int w = width();
  TrackPlay->setGeometry(0, (kTopHeight - 13) / 2, w, 13);
  const int top = kTopHeight;
  const int h = height() - top;
  // The time text keeps room for a full "hh:mm:ss/hh:mm:ss"; below the design
  // width the volume track gives up what is missing, so nothing overlaps.
  const int textNeed = lblDuration->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00/00:00:00")) + 4;
  int fixed = 0;
  for (QToolButton* b : {btnOpen, btnPause, btnStop, btnMute, btnCapture}) fixed += b->width();
  const int spare = w - kRightMargin - std::min(textNeed, kDurationWidth) - fixed;
  const int volumeTrack = std::clamp(spare - (kVolumeLayoutWidth - kVolumeTrackWidth), kVolumeTrackMinWidth,
                                     kVolumeTrackWidth);
  const int volumeLayout = volumeTrack + (kVolumeLayoutWidth - kVolumeTrackWidth);
  int x = 0;
  for (QToolButton* b : {btnOpen, btnPause, btnStop}) {
    b->setGeometry(x, top, b->width(), h);
    x += b->width();
  }
  // Volume layout: 5 px margins above and below, track at x + 5.
  TrackVolume->setGeometry(x + 5, top + 5, volumeTrack, h > 10 ? h - 10 : h);
  x += volumeLayout;
  for (QToolButton* b : {btnMute, btnCapture}) {
    b->setGeometry(x, top, b->width(), h);
    x += b->width();
  }
  const int left = std::max(x, w - kRightMargin - kDurationWidth);
  lblDuration->setGeometry(left, top, std::max(0, w - kRightMargin - left), h);
}

}  // namespace zvapp
