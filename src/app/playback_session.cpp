#include "app/playback_session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include "app/debug_output.h"
#include "app/media_arguments.h"
#include "app/player_window.h"
#include "app/playlist_panel.h"
#include "app/recent_files.h"
#include "app/time_text.h"

namespace zvapp {

namespace {
std::string LocalBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }
}  // namespace

TPlaybackSession::TPlaybackSession(TfrmPlayer& window) : QObject(&window), FWindow(window) {
  setObjectName("PlaybackSession");
  auto shortcut = [this](const char* name, const QString& text, const QKeySequence& key,
                         std::function<void()> command) {
    auto* a = new QAction(text, &FWindow);
    a->setObjectName(name);
    a->setShortcut(key);
    a->setShortcutContext(Qt::WindowShortcut);
    a->setShortcutVisibleInContextMenu(true);
    connect(a, &QAction::triggered, this, [command = std::move(command)] { command(); });
    FWindow.addAction(a);
    return a;
  };
  actNext = shortcut("actNext", tr("Next"), QKeySequence(Qt::Key_N), [this] { Next(); });
  actPrevious = shortcut("actPrevious", tr("Previous"), QKeySequence(Qt::Key_P), [this] { Previous(); });
  actStartOver = shortcut("actStartOver", tr("Start over"), QKeySequence(Qt::Key_Home), [this] { StartOver(); });

  QMenu* menu = FWindow.PopPlayer;
  menu->addSeparator();
  menu->addAction(actNext);
  menu->addAction(actPrevious);
  mnuRepeat = menu->addMenu(tr("Repeat"));
  mnuRepeat->setObjectName("mnuRepeat");
  auto* group = new QActionGroup(mnuRepeat);
  auto repeatItem = [&](const char* name, const QString& text, TRepeat r) {
    QAction* a = mnuRepeat->addAction(text);
    a->setObjectName(name);
    a->setCheckable(true);
    group->addAction(a);
    connect(a, &QAction::triggered, this, [this, r] { SetRepeat(r); });
    return a;
  };
  mnuRepeatOff = repeatItem("mnuRepeatOff", tr("Off"), TRepeat::Off);
  mnuRepeatOne = repeatItem("mnuRepeatOne", tr("One"), TRepeat::One);
  mnuRepeatAll = repeatItem("mnuRepeatAll", tr("All"), TRepeat::All);
  mnuRepeatOff->setChecked(true);
  mnuShuffle = menu->addAction(tr("Shuffle"));
  mnuShuffle->setObjectName("mnuShuffle");
  mnuShuffle->setCheckable(true);
  connect(mnuShuffle, &QAction::triggered, this, [this](bool on) { SetShuffle(on); });
  mnuResume = menu->addAction(tr("Resume where left"));
  mnuResume->setObjectName("mnuResume");
  mnuResume->setCheckable(true);
  mnuResume->setChecked(true);
  mnuResume->setEnabled(false);
  Recent = new TRecentFiles(FWindow, menu);
  Panel = new TPlaylistPanel(FWindow, *this);

  connect(&FWindow, &TfrmPlayer::FileOpened, this, [this] { OnFileOpened(); });
  connect(&FWindow, &TfrmPlayer::PlayStateChanged, this, [this](zv::TPlayState s) { OnPlayState(int(s)); });
}

TPlaybackSession::~TPlaybackSession() {
  ++FListRequest;
  if (FLister.joinable()) FLister.join();
}

// ---------------------------------------------------------------------------
// Opening

bool TPlaybackSession::OpenPaths(const QStringList& arguments, TAdd how) {
  const QString cwd = QDir::currentPath();
  QStringList paths;
  for (const QString& a : arguments) {
    const QString p = ArgumentToPath(a, cwd);
    if (p.isEmpty())
      Report(tr("Not a local file: %1").arg(a));
    else
      paths << p;
  }
  auto add = [this, how](const QStringList& files) {
    if (files.isEmpty()) {
      Report(tr("No media files to play"));
      return false;
    }
    const int first = how == TAdd::Replace ? (FPlaylist.Clear(), FPlaylist.Append(files))
                                           : FPlaylist.InsertAfterCurrent(files);
    emit ListChanged();
    return PlayIndex(first);
  };
  if (!HasFolder(paths)) return add(ExpandMediaPaths(paths, cwd));
  // A folder of thousands of files: listed on a thread of its own, the newest
  // request wins.
  const int request = ++FListRequest;
  if (FLister.joinable()) FLister.join();
  FLister = std::thread([this, paths, cwd, request, add] {
    QStringList files = ExpandMediaPaths(paths, cwd);
    QMetaObject::invokeMethod(this, [this, files, request, add] {
      if (request == FListRequest) add(files);
    }, Qt::QueuedConnection);
  });
  return true;
}

bool TPlaybackSession::PlayIndex(int index, int direction) {
  for (int tries = 0; tries < FPlaylist.Count() && index >= 0 && index < FPlaylist.Count(); ++tries) {
    FPlaylist.SetCurrent(index);
    emit ListChanged();
    const QString path = FPlaylist.Item(index).path;
    // One file alone fails as a single file does (a message box); in a list
    // the failure is noted without stopping the list.
    const bool inList = FPlaylist.Count() > 1;
    QString error;
    auto message = FWindow.ShowMessage;
    if (inList) FWindow.ShowMessage = [&error](const QString& text) { error = text; };
    // During another open the request only queues: it plays once that ends.
    const bool queued = FWindow.OpenBusy();
    FOpening = true;
    const bool ok = FWindow.OpenFile(path);
    FOpening = false;
    if (inList) FWindow.ShowMessage = message;
    if (ok || queued) return true;
    if (!inList) return false;
    FPlaylist.MarkFailed(index);
    emit ListChanged();
    Report(QFileInfo(path).fileName() + ": " + (error.isEmpty() ? tr("cannot be opened") : error));
    index = direction < 0 ? FPlaylist.PreviousIndex() : FPlaylist.NextIndex(false);
  }
  return false;
}

void TPlaybackSession::Next() {
  const int next = FPlaylist.NextIndex(false);
  if (next >= 0) PlayIndex(next, +1);
}

void TPlaybackSession::Previous() {
  const int previous = FPlaylist.PreviousIndex();
  if (previous >= 0) PlayIndex(previous, -1);
}

bool TPlaybackSession::CanGoNext() const { return FPlaylist.NextIndex(false) >= 0; }
bool TPlaybackSession::CanGoPrevious() const { return FPlaylist.PreviousIndex() >= 0; }

bool TPlaybackSession::AtEndOfItem() {
  // Played to the end: finished, nothing to resume.
  if (ResumeEnabled()) FResume->Leave(LocalBytes(FWindow.OpenedFileName()), FWindow.FileDuration(), FWindow.FileDuration());
  const int next = FPlaylist.NextIndex(true);
  if (next < 0) return false;
  const QString path = FPlaylist.Item(next).path;
  // Not from inside the engine's state event.
  QTimer::singleShot(0, this, [this, next, path] {
    const int index = next < FPlaylist.Count() && FPlaylist.Item(next).path == path ? next : FPlaylist.IndexOf(path);
    PlayIndex(index, +1);
  });
  return true;
}

void TPlaybackSession::OnFileOpened() {
  const QString path = FWindow.OpenedFileName();
  FWindow.setWindowTitle(QFileInfo(path).fileName() + " - " + QString::fromLatin1(TfrmPlayer::kTitle));
  // Opened some other way (the desktop's open request): it joins the list.
  if (!FOpening || FPlaylist.Current() < 0) {
    int index = FPlaylist.IndexOf(path);
    if (index < 0) index = FPlaylist.InsertAfterCurrent({path});
    FPlaylist.SetCurrent(index);
  }
  FPlaylist.SetDuration(FPlaylist.Current(), FWindow.FileDuration());
  emit ListChanged();

  FResumePending = false;
  if (!ResumeEnabled()) return;
  const std::optional<int64_t> at = FResume->Find(LocalBytes(path));
  if (!at) return;
  FResumePending = true;
  // After the open returns: the engine is still inside it.
  QTimer::singleShot(0, this, [this, path, at = *at] {
    if (!FResumePending || !FWindow.FileIsOpen() || FWindow.OpenedFileName() != path) return;
    FResumePending = false;
    FWindow.SeekTo(at);
    const QString clock = QString::fromStdString(TimeText(at, 0)).section(QLatin1Char('/'), 0, 0);
    Announce(tr("Resumed at %1 (Home: start over)").arg(clock));
  });
}

void TPlaybackSession::OnPlayState(int state) {
  if (state == zv::psStop) {
    FResumePending = false;
    FWindow.setWindowTitle(QString::fromLatin1(TfrmPlayer::kTitle));
  }
}

// ---------------------------------------------------------------------------
// Resume

void TPlaybackSession::SetResumeStore(std::unique_ptr<zv::TResumeStore> store) {
  FResume = std::move(store);
  if (FResume && !FResume->OnLog) FResume->OnLog = [](const std::string& line) { DebugOutput(line); };
  mnuResume->setEnabled(FResume != nullptr);
}

bool TPlaybackSession::ResumeEnabled() const { return FResume && mnuResume->isChecked(); }

void TPlaybackSession::SetResumeEnabled(bool on) { mnuResume->setChecked(on); }

void TPlaybackSession::LeavingFile() {
  // Left before the remembered place was even reached: the record stays.
  if (!ResumeEnabled() || !FWindow.FileIsOpen() || FResumePending) return;
  FResume->Leave(LocalBytes(FWindow.OpenedFileName()), FWindow.LastPosition(), FWindow.FileDuration());
}

void TPlaybackSession::StartOver() {
  FResumePending = false;
  if (FWindow.FileIsOpen()) FWindow.SeekTo(0);
}

void TPlaybackSession::Announce(const QString& text) {
  FLastAnnouncement = text;
  DebugOutput(text.toStdString());
  FWindow.ShowOsdMessage(text.toStdString());
}

void TPlaybackSession::Report(const QString& text) {
  DebugOutput(text.toStdString());
  if (FWindow.ShowNotice) FWindow.ShowNotice(text);
}

// ---------------------------------------------------------------------------
// Repeat and shuffle

void TPlaybackSession::SetRepeat(TRepeat r) {
  FPlaylist.SetRepeat(r);
  (r == TRepeat::One ? mnuRepeatOne : r == TRepeat::All ? mnuRepeatAll : mnuRepeatOff)->setChecked(true);
  emit ModeChanged();
}

void TPlaybackSession::SetShuffle(bool on) {
  if (on != FPlaylist.Shuffle()) FPlaylist.SetShuffle(on);
  mnuShuffle->setChecked(on);
  emit ModeChanged();
}

}  // namespace zvapp
