#pragma once
// The main window: the picture panel with its control bar, the commands, the
// time text, the auto-hiding controls, full screen, stay on top, snapshots and
// the debug output.
#include <QAction>
#include <QMenu>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/auto_hide.h"
#include "app/control_bar.h"
#include "app/player_panel.h"
#include "app/player_port.h"
#include "runtime/log_level.h"
#include "runtime/logger.h"

namespace zvapp {

class TfrmControlBox;

class TfrmPlayer : public QWidget {
  Q_OBJECT
public:
  static constexpr const char* kTitle = "ZELVO Player FREE";
  // Shown where the time goes until the first file opens.
  static constexpr const char* kProductName = "ZELVO Player";
  static constexpr const char* kOpenFilter =
      "Video/Audio Files|*.3GP;*.ASF;*.AVI;*.AVM;*.AVS;*.DAT;*.FLV;*.MKV;*.MOV;*.MP4;*.MPEG;*.MPG;*.NSV;*.OGM;*.RM;"
      "*.RMVB;*.TP;*.TS;*.VOB;*.WMV;*.AAC;*.AC3;*.APE;*.DTS;*.FLAC;*.M4A;*.MKA;*.MP2;*.MP3;*.MPA;*.MPC;*.OFR;*.OGG;"
      "*.RA;*.TTA;*.WAV;*.WMA;|Video Files|*.3GP;*.ASF;*.AVI;*.AVM;*.AVS;*.DAT;*.FLV;*.MKV;*.MOV;*.MP4;*.MPEG;*.MPG;"
      "*.NSV;*.OGM;*.RM;*.RMVB;*.TP;*.TS;*.VOB;*.WMV;|Audio Files|*.AAC;*.AC3;*.APE;*.DTS;*.FLAC;*.M4A;*.MKA;*.MP2;"
      "*.MP3;*.MPA;*.MPC;*.OFR;*.OGG;*.RA;*.TTA;*.WAV;*.WMA;";
  static constexpr const char* kSaveFilter = "Bitmaps (*.bmp)|*.bmp|JPEG Image File |*.jpg;*.jpeg";

  explicit TfrmPlayer(IPlayer& player, QWidget* parent = nullptr);
  ~TfrmPlayer() override;

  // Components, named as in the design.
  TPlayerPanel* plPlayer;
  TControlBar* ControlBar;
  TTrackBar* TrackPlay;
  QToolButton* btnOpen;
  QToolButton* btnPause;
  QToolButton* btnStop;
  TTrackBar* TrackVolume;
  QToolButton* btnMute;
  QToolButton* btnCapture;
  QLabel* lblDuration;
  QMenu* PopPlayer;
  QAction* mnuStayOnTop;
  QAction* mnuFullScreen;
  QAction* mnuControlBox;
  QTimer* tmrRefresh;
  // Tells the engine about a new panel size once the X server has it.
  QTimer* tmrScreenPosition;
  zv::TFFLogger FFLogger;

  // Picture values read by the running equalizer filters.
  std::atomic<int32_t> Brightness{0};
  std::atomic<int32_t> Contrast{0};
  std::atomic<int32_t> Saturation{0};
  std::atomic<int32_t> Hue{0};

  void SetControlBox(TfrmControlBox* box) { FControlBox = box; }
  IPlayer& Player() { return FFPlayer; }

  // Commands.
  void btnOpenClick();
  // Open steps after the dialog: filters, target window, Open.
  bool OpenFile(const QString& fileName);
  void btnPauseClick();
  void btnStopClick();
  void btnMuteClick();
  void btnCaptureClick();
  void TrackPlayChange();
  void TrackVolumeChange();
  void mnuStayOnTopClick();   // after the check mark was toggled
  void mnuFullScreenClick();  // after the check mark was toggled
  void plPlayerDblClick();
  void plPlayerMouseDown();
  void EscapePressed();
  // Keyboard and remote commands: relative and absolute seeks (µs, clamped to
  // the file), volume steps; nothing happens without an open file.
  void SeekBy(int64_t deltaUs);
  // Over the picture for about 1.5 s.
  void ShowOsdMessage(const std::string& text);
  // "Open Subtitle File...": a file for the video playing.
  void OpenSubtitleFileDialog();
  void SeekTo(int64_t targetUs);
  void ChangeVolumeBy(int delta);
  // Runs the window shortcut bound to this key, as if the window had received
  // it (other windows of the program pass on keys they do not use).
  bool TriggerShortcut(const QKeySequence& key);

  // Engine and logger events.
  void FFPlayerFileOpen(int64_t ADuration, int AFrameWidth, int AFrameHeight, int& AScreenWidth, int& AScreenHeight);
  void FFPlayerPosition(int64_t APTS);
  void FFPlayerState(zv::TPlayState APlayState);
  void FFLoggerLog(uint32_t AThreadID, zv::TLogLevel ALogLevel, const std::string& ALogMsg);

  // One refresh tick with the pointer where it is (nullopt: unreadable).
  void RefreshTick(std::optional<QPoint> cursor, uint32_t now);
  void tmrRefreshTimer();

  void UpdateTimeText(int64_t Position, int64_t Duration);
  void ShowControls(bool Visible);
  void SetTopMost(bool TopMost);
  void SetFullScreen(bool Enable, Qt::WindowStates RestoreState);

  // State that the tests and the engine wiring look at.
  bool IsTopMost() const { return FTopMost; }
  bool PanelFillsClient() const { return FPanelFills; }
  bool PointerHidden() const { return FPointerHidden; }
  int64_t FileDuration() const { return FFileDuration; }
  // Last known play position (µs); 0 before the first position of a file.
  int64_t LastPosition() const { return FLastPosition; }
  bool FileIsOpen() const { return FFileOpen; }
  zv::TPlayState LastPlayState() const { return FLastPlayState; }
  QString OpenedFileName() const { return FOpenedFile; }
  // The open file's title from its metadata, else its name.
  QString FileTitle() const { return FFileTitle; }
  const TActivityMonitor& Activity() const { return FActivity; }
  // The VideoFilters text for the current picture-value addresses and values.
  std::string VideoFiltersText() const;

  // Replaceable for tests: the dialogs, the message box, the clock, the pointer.
  std::function<QString()> RunOpenDialog;
  std::function<QString()> RunSaveDialog;
  std::function<void(const QString&)> ShowMessage;
  // A note that does not stop playback (non-modal).
  std::function<void(const QString&)> ShowNotice;
  std::function<uint32_t()> TickCount;
  std::function<std::optional<QPoint>()> CursorPos;

  // Shortcut actions that have no button or menu item of their own.
  QAction* actPause;
  QAction* actSeekBack;
  QAction* actSeekForward;
  QAction* actSeekBackLong;
  QAction* actSeekForwardLong;
  QAction* actVolumeUp;
  QAction* actVolumeDown;
  QAction* actMute;
  QAction* actLeaveFullScreen;
  QAction* actOpen;
  QAction* actQuit;
  QAction* actSnapshot;

signals:
  void FullScreenChanged(bool entered);
  // For the desktop services (media keys, screen saver).
  void FileOpened();
  void PlayStateChanged(zv::TPlayState state);
  void PositionChanged(int64_t positionUs);
  // The window asked for a seek (target µs).
  void Seeked(int64_t targetUs);
  void VolumeChanged(int volume);

protected:
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void moveEvent(QMoveEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;

private:
  void FormCreate();
  void FormShow();
  void FormCloseQuery();
  void CreateMenu();
  void CreateShortcuts();
  void TrackPlayUserMove();
  void TrackPlayRelease();
  void WireControls();
  void LayoutPanel();
  void HidePointer(bool hide);
  // Sets the track's value without running its change handler.
  void MoveTrackQuietly(const std::function<void()>& change);

  IPlayer& FFPlayer;
  TfrmControlBox* FControlBox = nullptr;
  TActivityMonitor FActivity;
  int64_t FFileDuration = 0;
  int64_t FLastPosition = 0;
  bool FFileOpen = false;
  zv::TPlayState FLastPlayState = zv::psStop;
  QString FOpenedFile;
  QString FFileTitle;
  bool FDragPaused = false;      // a thumb drag paused playback once; resumed at release
  QWidget* ScreenControl = nullptr;
  bool FShownOnce = false;
  bool FTopMost = false;
  bool FPanelFills = false;      // full screen: the panel is aligned to the client area
  bool FPointerHidden = false;
  bool FClosing = false;
  // Full-screen memory.
  QRect SavedPanelBounds;
  QMargins SavedPanelAnchors;    // distances to the client edges while anchored
  Qt::WindowStates SavedWindowState = Qt::WindowNoState;
};

// Unsigned 32-bit millisecond tick of a monotonic clock.
uint32_t CurrentTick();

}  // namespace zvapp
