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
#include <memory>
#include <optional>
#include <string>

#include "app/auto_hide.h"
#include "app/control_bar.h"
#include "app/open_requests.h"
#include "app/player_panel.h"
#include "app/player_port.h"
#include "runtime/log_level.h"
#include "runtime/logger.h"

namespace zvapp {

class TfrmControlBox;
class TPlaybackSession;

class TfrmPlayer : public QWidget {
  Q_OBJECT
public:
  static constexpr const char* kTitle = "ZELVO Player FREE";
  // Shown where the time goes until the first file opens.
  static constexpr const char* kProductName = "ZELVO Player";
  static constexpr const char* kOpenFilter =
      "Video/Audio Files|*.3GP;*.ASF;*.AVI;*.AVM;*.AVS;*.DAT;*.FLV;*.MKV;*.MOV;*.MP4;*.MPEG;*.MPG;*.NSV;*.OGM;*.RM;"
      "*.RMVB;*.TP;*.TS;*.VOB;*.WMV;*.AAC;*.AC3;*.APE;*.DTS;*.FLAC;*.M4A;*.MKA;*.MP2;*.MP3;*.MPA;*.MPC;*.OFR;*.OGG;"
      "*.RA;*.TTA;*.WAV;*.WMA;*.WEBM;*.OGV;*.M4V;*.M2TS;*.MTS;*.3G2;*.MXF;*.F4V;*.OPUS;*.OGA;*.WV;*.SPX;*.AIF;"
      "*.AIFF;*.AU;*.AMR;*.CAF;*.M4B;|Video Files|*.3GP;*.ASF;*.AVI;*.AVM;*.AVS;*.DAT;*.FLV;*.MKV;*.MOV;*.MP4;*.MPEG;"
      "*.MPG;*.NSV;*.OGM;*.RM;*.RMVB;*.TP;*.TS;*.VOB;*.WMV;*.WEBM;*.OGV;*.M4V;*.M2TS;*.MTS;*.3G2;*.MXF;*.F4V;|"
      "Audio Files|*.AAC;*.AC3;*.APE;*.DTS;*.FLAC;*.M4A;*.MKA;*.MP2;*.MP3;*.MPA;*.MPC;*.OFR;*.OGG;*.RA;*.TTA;*.WAV;"
      "*.WMA;*.OPUS;*.OGA;*.WV;*.SPX;*.AIF;*.AIFF;*.AU;*.AMR;*.CAF;*.M4B;|All Files|*;";
  static constexpr const char* kSaveFilter =
      "Bitmaps (*.bmp)|*.bmp|JPEG Image File |*.jpg;*.jpeg|PNG Image File|*.png";

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
  QAction* mnuDeinterlace;  // checked: automatic, else off
  QMenu* mnuChapters;  // one item per chapter of the open file; disabled without
  QMenu* mnuAudioTracks;     // the open file's sound tracks; disabled with fewer than two
  QMenu* mnuSubtitleTracks;  // its subtitle streams, loaded files and Off; disabled with none open
  QTimer* tmrRefresh;
  // Tells the engine about a new panel size once the X server has it.
  QTimer* tmrScreenPosition;
  zv::TFFLogger FFLogger;
  // The playlist, resuming and the title (owned by the window).
  TPlaybackSession* Session;

  // Picture values read by the running equalizer filters.
  std::atomic<int32_t> Brightness{0};
  std::atomic<int32_t> Contrast{0};
  std::atomic<int32_t> Saturation{0};
  std::atomic<int32_t> Hue{0};

  void SetControlBox(TfrmControlBox* box) { FControlBox = box; }
  // A picture value moved: a paused picture is filtered again (soon, once
  // for a burst of moves); a playing one takes it at its next picture.
  void PictureValuesChanged();
  QTimer* tmrRefilter;
  // Room kept free at the right for the playlist panel (0: none).
  void SetSideWidth(int width);
  // Runs after the window laid out the picture (the side panel follows).
  std::function<void()> OnLayout;
  IPlayer& Player() { return FFPlayer; }

  // Commands.
  void btnOpenClick();
  // Every open goes through here (dialog, drop, command line, the desktop):
  // a request made while another file opens waits, the newest one wins.
  // True when this call opened the file and it plays.
  bool RequestOpen(const QString& fileName);
  bool OpenFile(const QString& fileName) { return RequestOpen(fileName); }
  // An open is in progress: a request now waits for it.
  bool OpenBusy() const;
  TOpenRequests& OpenRequests() { return *FOpens; }
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
  // Previous (< 0) or next (> 0) chapter of the open file.
  void ChapterStep(int direction);
  // The picture after (> 0) or before (< 0) the one on screen, paused.
  void FrameStep(int direction);
  // A, B, off in turn; the track shows the marks.
  void MarkLoop();
  void ShowLoopMarks();
  void ChangeVolumeBy(int delta);
  // Playback speed of the open file: times factor (to hundredths), or a
  // value; clamped to 0.25..4 and shown on screen. Nothing without a file.
  void ChangeSpeedBy(double factor);
  void SetSpeed(double speed);
  double Speed() const { return FFPlayer.Speed(); }
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
  // Subtitles keep above the control strip while it shows.
  void UpdateSubtitleReserve();
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
  // Stopped with a file that played: Play opens it again.
  bool CanPlayAgain() const { return !FFileOpen && FLastPlayState == zv::psStop && !FOpenedFile.isEmpty(); }
  QString OpenedFileName() const { return FOpenedFile; }
  // Where the open dialog starts: the folder of the last file asked for.
  QString OpenFolder() const { return FOpenFolder; }
  // The open file's title from its metadata, else its name.
  QString FileTitle() const { return FFileTitle; }
  const TActivityMonitor& Activity() const { return FActivity; }
  // The VideoFilters text for the current picture-value addresses and values.
  std::string VideoFiltersText() const;

  // Replaceable for tests: the dialogs, the message box, the clock, the pointer.
  // The first chosen file; the dialog leaves the others in DialogMoreFiles.
  std::function<QString()> RunOpenDialog;
  QStringList DialogMoreFiles;
  // Given the suggested path of the snapshot.
  std::function<QString(const QString&)> RunSaveDialog;
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
  QAction* actChapterPrev;
  QAction* actChapterNext;

signals:
  void FullScreenChanged(bool entered);
  // For the desktop services (media keys, screen saver).
  void FileOpened();
  void PlayStateChanged(zv::TPlayState state);
  void PositionChanged(int64_t positionUs);
  // The window asked for a seek (target µs).
  void Seeked(int64_t targetUs);
  void VolumeChanged(int volume);
  void SpeedChanged(double speed);

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
  void CreateChapterMenu();
  // Fills the chapter menu and the track's marks from the open file (or empties them).
  void LoadChapters(bool fileOpen);
  void CreateTrackMenus();
  // Fills the track menus from the open file (or empties them).
  void LoadTrackMenus();
  void TrackPlayUserMove();
  void TrackPlayRelease();
  void WireControls();
  void LayoutPanel();
  void HidePointer(bool hide);
  // Open steps for one file: filters, target window, Open.
  bool OpenNow(const QString& fileName);
  // Nothing plays after a failed open: no old time, no old thumb.
  void ResetAfterFailedOpen();
  // Sets the track's value without running its change handler.
  void MoveTrackQuietly(const std::function<void()>& change);

  IPlayer& FFPlayer;
  std::unique_ptr<TOpenRequests> FOpens;
  TfrmControlBox* FControlBox = nullptr;
  TActivityMonitor FActivity;
  int64_t FFileDuration = 0;
  int64_t FLastPosition = 0;
  bool FFileOpen = false;
  zv::TPlayState FLastPlayState = zv::psStop;
  QString FOpenedFile;
  QString FOpenFolder;
  QString FFileTitle;
  std::vector<zv::TChapter> FChapters;  // of the open file
  bool FDragPaused = false;      // a thumb drag paused playback once; resumed at release
  QWidget* ScreenControl = nullptr;
  bool FShownOnce = false;
  bool FTopMost = false;
  bool FPanelFills = false;      // full screen: the panel is aligned to the client area
  bool FPointerHidden = false;
  int FSubtitleReserve = -1;  // the output rows last told to the engine
  bool FClosing = false;
  // Full-screen memory.
  QRect SavedPanelBounds;
  QMargins SavedPanelAnchors;    // distances to the client edges while anchored
  int FSideWidth = 0;
  Qt::WindowStates SavedWindowState = Qt::WindowNoState;
};

// Unsigned 32-bit millisecond tick of a monotonic clock.
uint32_t CurrentTick();

}  // namespace zvapp
