#include "app/player_window.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QWindow>
#include <chrono>

#include "app/control_box.h"
#include "app/debug_output.h"
#include "app/app_icon.h"
#include "app/file_dialogs.h"
#include "app/play_state.h"
#include "app/playback_session.h"
#include "app/time_text.h"
#include "engine/subtitle_files.h"
#include "filters/picture_values.h"

namespace zvapp {

uint32_t CurrentTick() {
  using namespace std::chrono;
  return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

TfrmPlayer::TfrmPlayer(IPlayer& player, QWidget* parent)
    : QWidget(parent), FFPlayer(player), FActivity(CurrentTick()) {
  setObjectName("frmPlayer");
  TickCount = &CurrentTick;
  CursorPos = [] { return std::optional<QPoint>(QCursor::pos()); };
  RunOpenDialog = [this] {
    DialogMoreFiles = RunOpenFilesDialog(this, QString::fromLatin1(kOpenFilter), FOpenFolder);
    return DialogMoreFiles.isEmpty() ? QString() : DialogMoreFiles.takeFirst();
  };
  RunSaveDialog = [this](const QString& suggested) {
    return RunSaveFileDialog(this, QString::fromLatin1(kSaveFilter), suggested);
  };
  ShowMessage = [this](const QString& text) {
    QMessageBox box(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
    box.exec();
  };
  ShowNotice = [this](const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Information, windowTitle(), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
  };

  FOpens = std::make_unique<TOpenRequests>(
      [this](const QString& file) { return OpenNow(file); },
      // The engine serves handlers while it opens: a stop from one makes that open give up.
      [this] { FFPlayer.Stop(false); },
      [](const QString& line) { DebugOutput(line.toStdString()); });

  setMinimumSize(400, 300);
  resize(800, 522);
  setFocusPolicy(Qt::StrongFocus);
  setAcceptDrops(true);
  setWindowIcon(AppIcon());
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::black);
  setPalette(pal);
  setAutoFillBackground(true);

  plPlayer = new TPlayerPanel(this);
  plPlayer->setGeometry(0, 0, 792, 506);
  ControlBar = new TControlBar(plPlayer);
  // A window of its own above the picture, so the engine's drawing never covers it.
  ControlBar->setAttribute(Qt::WA_NativeWindow);
  TrackPlay = ControlBar->TrackPlay;
  btnOpen = ControlBar->btnOpen;
  btnPause = ControlBar->btnPause;
  btnStop = ControlBar->btnStop;
  TrackVolume = ControlBar->TrackVolume;
  btnMute = ControlBar->btnMute;
  btnCapture = ControlBar->btnCapture;
  lblDuration = ControlBar->lblDuration;

  tmrRefresh = new QTimer(this);
  tmrRefresh->setObjectName("tmrRefresh");
  tmrRefresh->setInterval(1000);
  connect(tmrRefresh, &QTimer::timeout, this, [this] { tmrRefreshTimer(); });

  tmrScreenPosition = new QTimer(this);
  tmrScreenPosition->setSingleShot(true);
  tmrScreenPosition->setInterval(30);
  connect(tmrScreenPosition, &QTimer::timeout, this, [this] { FFPlayer.UpdateScreenPosition(); });

  tmrRefilter = new QTimer(this);
  tmrRefilter->setSingleShot(true);
  tmrRefilter->setInterval(60);
  connect(tmrRefilter, &QTimer::timeout, this, [this] {
    // The very picture on screen, decoded and filtered anew; the pause stays.
    if (FFileOpen && FFPlayer.IsPaused() && FFPlayer.VideoStreamIndex() >= 0)
      FFPlayer.Seek(zv::TSeekFlags{zv::sfExact}, false, FLastPosition);
  });

  CreateMenu();
  CreateShortcuts();
  WireControls();
  Session = new TPlaybackSession(*this);

  for (auto* v : {&Brightness, &Contrast, &Saturation, &Hue}) zv::RegisterPictureValue(v);

  FFPlayer.SetOnFileOpen([this](zv::TFFBaseComponent*, int64_t d, int fw, int fh, int& sw, int& sh) {
    FFPlayerFileOpen(d, fw, fh, sw, sh);
  });
  FFPlayer.SetOnPosition([this](zv::TFFBaseComponent*, int64_t pts) { FFPlayerPosition(pts); });
  FFPlayer.SetOnState([this](zv::TFFBaseComponent*, zv::TPlayState s) { FFPlayerState(s); });
  FFLogger.SetOnLog([this](zv::TFFBaseComponent*, uint32_t tid, zv::TLogLevel level, const std::string& msg) {
    FFLoggerLog(tid, level, msg);
  });

  FormCreate();

  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
}

TfrmPlayer::~TfrmPlayer() {
  FormCloseQuery();
  // The engine lets go of the panel before its window is destroyed.
  FFPlayer.Stop(true);
  FFPlayer.SetOnFileOpen(nullptr);
  HidePointer(false);
  // The filters stop reading these before they go.
  for (auto* v : {&Brightness, &Contrast, &Saturation, &Hue}) zv::UnregisterPictureValue(v);
}

void TfrmPlayer::FormCreate() {
  QGuiApplication::setApplicationDisplayName(QString::fromLatin1(kTitle));
  setWindowTitle(QString::fromLatin1(kTitle));
  lblDuration->setText(QString::fromLatin1(kProductName));
  FActivity.LastActiveTick = TickCount();
  FActivity.LastMouseX = FActivity.LastMouseY = 0;
  Brightness = Contrast = Saturation = Hue = 0;
}

void TfrmPlayer::CreateMenu() {
  PopPlayer = new QMenu(this);
  PopPlayer->setObjectName("PopPlayer");
  mnuStayOnTop = PopPlayer->addAction(tr("Stay on top"));
  mnuStayOnTop->setObjectName("mnuStayOnTop");
  mnuStayOnTop->setCheckable(true);
  mnuFullScreen = PopPlayer->addAction(tr("Full Screen"));
  mnuFullScreen->setObjectName("mnuFullScreen");
  mnuFullScreen->setCheckable(true);
  mnuControlBox = PopPlayer->addAction(tr("Control Box"));
  mnuControlBox->setObjectName("mnuControlBox");
  mnuDeinterlace = PopPlayer->addAction(tr("Deinterlace"));
  mnuDeinterlace->setObjectName("mnuDeinterlace");
  mnuDeinterlace->setCheckable(true);
  mnuDeinterlace->setChecked(true);
  connect(mnuDeinterlace, &QAction::triggered, this, [this](bool on) {
    FFPlayer.SetDeinterlace(on);
    if (FFileOpen) ShowOsdMessage(on ? "Deinterlacing: automatic" : "Deinterlacing: off");
  });
  CreateChapterMenu();
  QAction* mnuOpenSubtitle = PopPlayer->addAction(tr("Open Subtitle File..."));
  mnuOpenSubtitle->setObjectName("mnuOpenSubtitle");
  connect(mnuOpenSubtitle, &QAction::triggered, this, [this] { OpenSubtitleFileDialog(); });
  CreateTrackMenus();
  // Qt toggles the check mark before triggered arrives.
  connect(mnuStayOnTop, &QAction::triggered, this, [this] { mnuStayOnTopClick(); });
  connect(mnuFullScreen, &QAction::triggered, this, [this] { mnuFullScreenClick(); });
  connect(mnuControlBox, &QAction::triggered, this, [this] {
    if (!FControlBox) return;
    FControlBox->show();
    FControlBox->raise();
    FControlBox->activateWindow();
  });
}

void TfrmPlayer::WireControls() {
  TrackPlay->OnChange = [this] { TrackPlayChange(); };
  TrackPlay->OnUserMove = [this] { TrackPlayUserMove(); };
  TrackPlay->OnRelease = [this] { TrackPlayRelease(); };
  TrackVolume->OnChange = [this] { TrackVolumeChange(); };
  connect(btnOpen, &QToolButton::clicked, this, [this] { btnOpenClick(); });
  connect(btnPause, &QToolButton::clicked, this, [this] { btnPauseClick(); });
  connect(btnStop, &QToolButton::clicked, this, [this] { btnStopClick(); });
  connect(btnMute, &QToolButton::clicked, this, [this] { btnMuteClick(); });
  connect(btnCapture, &QToolButton::clicked, this, [this] { btnCaptureClick(); });
  // The wheel: volume over the picture and the volume track, 5 % a notch;
  // seeks over the position track, 5 s a notch.
  plPlayer->OnWheel = [this](int n) { TrackVolume->SetValue(TrackVolume->Value() + n * TrackVolume->Max() / 20); };
  TrackVolume->OnWheel = plPlayer->OnWheel;
  TrackPlay->OnWheel = [this](int n) { SeekBy(n * 5 * 1000000LL); };
  TrackPlay->setMouseTracking(true);
  TrackPlay->HoverText = [this](float value) {
    if (!FFileOpen || FFileDuration <= 0) return QString();
    const std::string text = TimeText(int64_t(value), FFileDuration);
    return QString::fromStdString(text.substr(0, text.find('/')));
  };
  plPlayer->OnDblClick = [this] { plPlayerDblClick(); };
  plPlayer->OnMouseDown = [this] { plPlayerMouseDown(); };
  plPlayer->OnContextMenu = [this](const QPoint& at) { PopPlayer->popup(at); };
  plPlayer->OnResized = [this] {
    const int h = ControlBar->height();
    ControlBar->setGeometry(0, plPlayer->height() - h, plPlayer->width(), h);
    UpdateSubtitleReserve();
    // Asked again a little later: the engine reads the size from the X server,
    // which may not have the new one yet.
    FFPlayer.UpdateScreenPosition();
    tmrScreenPosition->start();
  };
}

// ---------------------------------------------------------------------------
// Window events

void TfrmPlayer::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (!FShownOnce) {
    FShownOnce = true;
    FormShow();
  }
}

void TfrmPlayer::FormShow() {
  SavedPanelAnchors = QMargins(0, 0, 0, 0);
  LayoutPanel();
  ControlBar->setFixedHeight(TControlBar::kShownHeight);
  plPlayer->OnResized();
}

void TfrmPlayer::LayoutPanel() {
  if (FPanelFills)
    plPlayer->setGeometry(rect());
  else
    plPlayer->setGeometry(rect().marginsRemoved(SavedPanelAnchors + QMargins(0, 0, FSideWidth, 0)));
  if (OnLayout) OnLayout();
}

void TfrmPlayer::SetSideWidth(int width) {
  FSideWidth = width;
  if (FShownOnce) LayoutPanel();
}

void TfrmPlayer::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  if (FShownOnce) LayoutPanel();
  FFPlayer.UpdateScreenPosition();
}

void TfrmPlayer::moveEvent(QMoveEvent* e) {
  QWidget::moveEvent(e);
  FFPlayer.UpdateScreenPosition();
}

void TfrmPlayer::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::WindowStateChange) FFPlayer.UpdateScreenPosition();
}

void TfrmPlayer::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    EscapePressed();
    e->accept();
    return;
  }
  QWidget::keyPressEvent(e);
}

void TfrmPlayer::dragEnterEvent(QDragEnterEvent* e) {
  for (const QUrl& url : e->mimeData()->urls()) {
    if (url.isLocalFile()) {
      e->acceptProposedAction();
      return;
    }
  }
  e->ignore();
}

void TfrmPlayer::dropEvent(QDropEvent* e) {
  QStringList files;
  for (const QUrl& url : e->mimeData()->urls())
    if (url.isLocalFile()) files << url.toLocalFile();
  if (files.isEmpty()) return e->ignore();
  e->acceptProposedAction();
  // Subtitle files join the video playing rather than replacing it.
  if (FFileOpen) {
    QStringList media;
    for (const QString& f : files) {
      if (zv::IsSubtitleFileName(f.toStdString()))
        FFPlayer.LoadSubtitleFile(f.toStdString());
      else
        media << f;
    }
    files = media;
    if (files.isEmpty()) return;
  }
  // After the drop returns: a message box here would hold the dragging program.
  QMetaObject::invokeMethod(this, [this, files] { Session->OpenPaths(files, TPlaybackSession::TAdd::AfterCurrent); },
                            Qt::QueuedConnection);
}

void TfrmPlayer::closeEvent(QCloseEvent* e) {
  if (!FClosing) Session->LeavingFile();
  FormCloseQuery();
  // The engine lets go of the panel before Qt destroys the windows.
  FFPlayer.Stop(true);
  if (FControlBox) FControlBox->close();
  e->accept();
}

void TfrmPlayer::FormCloseQuery() {
  if (FClosing) return;
  FClosing = true;
  FFPlayer.SetOnPosition(nullptr);
  FFPlayer.SetOnState(nullptr);
  FFPlayer.ClearHookEvents();
  FFLogger.SetOnLog(nullptr);
  tmrRefresh->stop();
}

// ---------------------------------------------------------------------------
// Engine and logger events

void TfrmPlayer::FFPlayerFileOpen(int64_t ADuration, int AFrameWidth, int AFrameHeight, int& AScreenWidth,
                                  int& AScreenHeight) {
  DebugOutput(FFPlayer.FileInfoText());
  if (FFPlayer.VideoStreamIndex() >= 0) {
    TVideoShape shape;
    if (FFPlayer.VideoShape(shape))
      DebugOutput(AspectRatioText(DisplayAspectRatio(shape.width, shape.height, shape.sarNum, shape.sarDen)));
  }
  DebugOutput(DurationText(ADuration, AFrameWidth, AFrameHeight));
  if (ScreenControl) {
    const qreal ratio = ScreenControl->devicePixelRatioF();
    AScreenWidth = int(ScreenControl->width() * ratio);
    AScreenHeight = int(ScreenControl->height() * ratio);
  }
  FFileDuration = ADuration;
  FLastPosition = 0;
  FFileOpen = true;
  // Sound alone has no picture to save.
  btnCapture->setEnabled(FFPlayer.VideoStreamIndex() >= 0);
  actSnapshot->setEnabled(btnCapture->isEnabled());
  const QString title = QString::fromStdString(FFPlayer.MetadataTitle()).trimmed();
  FFileTitle = title.isEmpty() ? QFileInfo(FOpenedFile).fileName() : title;
  UpdateTimeText(0, FFileDuration);
  MoveTrackQuietly([this] {
    TrackPlay->SetFrequency(5);
    TrackPlay->SetMax(float(FFileDuration));
    TrackPlay->SetTracking(FFileDuration > 0);
    TrackPlay->SetValue(0);
  });
  tmrRefresh->start();
  TrackVolumeChange();
  LoadChapters(true);
  LoadTrackMenus();
  emit FileOpened();
}

void TfrmPlayer::FFPlayerPosition(int64_t APTS) {
  if (APTS >= 0) FLastPosition = APTS;
  // The thumb under a dragging pointer, and the time text with it, stay where
  // the user holds it.
  if (TrackPlay->IsDragging()) return;
  UpdateTimeText(APTS, FFileDuration);
  if (APTS >= 0 && FFileDuration > 0) MoveTrackQuietly([this, APTS] { TrackPlay->SetValue(float(APTS)); });
  if (APTS >= 0) emit PositionChanged(APTS);
}

void TfrmPlayer::FFPlayerState(zv::TPlayState APlayState) {
  DebugOutput(PlayStateName(int(APlayState)));
  FLastPlayState = APlayState;
  if (APlayState == zv::psStop) {
    FFileOpen = false;
    LoadChapters(false);
    LoadTrackMenus();
  }
  TPlayStateEffect effect = PlayStateEffect(int(APlayState), mnuStayOnTop->isChecked());
  // The list goes on with the next item instead.
  if (effect.rewindAndPause && Session->AtEndOfItem()) effect.rewindAndPause = false;
  if (effect.rewindAndPause) {
    FFPlayer.Seek(zv::TSeekFlags{zv::sfAny}, false, 0);
    FFPlayer.Pause();
    // The rewind shows at once; the engine's next position confirms it.
    FLastPosition = 0;
    UpdateTimeText(0, FFileDuration);
    MoveTrackQuietly([this] { TrackPlay->SetValue(0); });
    emit Seeked(0);
  }
  if (effect.timerEnabled)
    tmrRefresh->start();
  else
    tmrRefresh->stop();
  if (effect.showControls) ShowControls(true);
  if (effect.topMost == TTopMostChange::Set) SetTopMost(true);
  if (effect.topMost == TTopMostChange::Clear) SetTopMost(false);
  if (effect.clearPanel && FFPlayer.ScreenHandle() != 0) {
    plPlayer->ClearToBlack();
    // Once more after anything still queued for the panel has run.
    QMetaObject::invokeMethod(this, [this] { plPlayer->ClearToBlack(); }, Qt::QueuedConnection);
  }
  ControlBar->ShowPausedLook(FFPlayer.IsPaused());
  emit PlayStateChanged(APlayState);
}

void TfrmPlayer::FFLoggerLog(uint32_t AThreadID, zv::TLogLevel ALogLevel, const std::string& ALogMsg) {
  DebugOutput(LogLineText(AThreadID, int(ALogLevel), ALogMsg));
}

// ---------------------------------------------------------------------------
// Time text, track, controls

void TfrmPlayer::UpdateTimeText(int64_t Position, int64_t Duration) {
  lblDuration->setText(QString::fromStdString(TimeText(Position, Duration)));
}

void TfrmPlayer::MoveTrackQuietly(const std::function<void()>& change) {
  auto handler = std::move(TrackPlay->OnChange);
  TrackPlay->OnChange = nullptr;
  change();
  TrackPlay->OnChange = std::move(handler);
}

void TfrmPlayer::tmrRefreshTimer() { RefreshTick(CursorPos(), TickCount()); }

void TfrmPlayer::RefreshTick(std::optional<QPoint> cursor, uint32_t now) {
  if (!cursor) return;
  const QRect outer = frameGeometry();
  const bool active =
      FActivity.Tick(cursor->x(), cursor->y(), TScreenRect{outer.x(), outer.y(), outer.width(), outer.height()}, now);
  ShowControls(active);
}

void TfrmPlayer::ShowControls(bool Visible) {
  const bool shown = !ControlBar->isHidden();
  if (Visible && !shown) {
    ControlBar->show();
    HidePointer(false);
  } else if (!Visible && shown) {
    ControlBar->hide();
    if (mnuFullScreen->isChecked()) HidePointer(true);
  } else if (Visible) {
    HidePointer(false);
  }
  UpdateSubtitleReserve();
}

void TfrmPlayer::UpdateSubtitleReserve() {
  const int covered = ControlBar->isHidden() ? 0 : qRound(ControlBar->height() * plPlayer->devicePixelRatioF());
  if (covered == FSubtitleReserve) return;
  FSubtitleReserve = covered;
  FFPlayer.SetSubtitleBottomReserve(covered);
}

void TfrmPlayer::HidePointer(bool hide) {
  if (hide == FPointerHidden) return;
  FPointerHidden = hide;
  if (hide)
    QGuiApplication::setOverrideCursor(Qt::BlankCursor);
  else
    QGuiApplication::restoreOverrideCursor();
}

// ---------------------------------------------------------------------------
// Stay on top and full screen

void TfrmPlayer::SetTopMost(bool TopMost) {
  FTopMost = TopMost;
  // The QWindow's flags change in place; QWidget::setWindowFlags would
  // recreate the window and leave the engine drawing into a dead one.
  if (QWindow* w = windowHandle()) w->setFlag(Qt::WindowStaysOnTopHint, TopMost);
}

void TfrmPlayer::SetFullScreen(bool Enable, Qt::WindowStates RestoreState) {
  if (Enable) {
    SetTopMost(true);
    setWindowState((windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized)) | Qt::WindowFullScreen);
  } else {
    setWindowState(RestoreState & ~Qt::WindowFullScreen);
    SetTopMost(false);
  }
  if (isHidden()) return;
  show();
}

void TfrmPlayer::mnuStayOnTopClick() { SetTopMost(mnuStayOnTop->isChecked() && !FFPlayer.IsPaused()); }

void TfrmPlayer::mnuFullScreenClick() {
  const bool Entering = !FPanelFills;
  if (mnuFullScreen->isChecked() != Entering) return;
  if (Entering) {
    SavedPanelBounds = plPlayer->geometry();
    const QRect client = rect();
    SavedPanelAnchors = QMargins(SavedPanelBounds.left(), SavedPanelBounds.top(),
                                 client.width() - SavedPanelBounds.right() - 1 - FSideWidth,
                                 client.height() - SavedPanelBounds.bottom() - 1);
    SavedWindowState = windowState();
  }
  for (QObject* child : children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (w && !w->isWindow() && w->objectName() != QLatin1String("plPlayer")) w->setVisible(!Entering);
  }
  SetFullScreen(Entering, SavedWindowState);
  FPanelFills = Entering;
  if (!Entering) {
    plPlayer->setGeometry(SavedPanelBounds);
    // The pointer hides only in full screen.
    HidePointer(false);
  }
  LayoutPanel();
  FFPlayer.UpdateScreenPosition();
  emit FullScreenChanged(Entering);
}

void TfrmPlayer::plPlayerDblClick() {
  FActivity.Touch(TickCount());
  mnuFullScreen->setChecked(!mnuFullScreen->isChecked());
  mnuFullScreenClick();
}

void TfrmPlayer::plPlayerMouseDown() { FActivity.Touch(TickCount()); }

void TfrmPlayer::EscapePressed() {
  mnuFullScreen->setChecked(false);
  // Leave full screen too, so the mode and the menu agree.
  if (FPanelFills) mnuFullScreenClick();
}

}  // namespace zvapp
