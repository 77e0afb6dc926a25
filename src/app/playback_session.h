#pragma once
// What the window plays beyond one file: the playlist and the way through it
// (next at the end of an item, N / P, repeat, shuffle), resuming where a file
// was left, and the window title naming the open file.
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QObject>
#include <QStringList>

#include <memory>
#include <thread>

#include "app/playlist.h"
#include "runtime/resume_store.h"

namespace zvapp {

class TfrmPlayer;
class TRecentFiles;
class TPlaylistPanel;

class TPlaybackSession : public QObject {
  Q_OBJECT
public:
  enum class TAdd { Replace, AfterCurrent };

  explicit TPlaybackSession(TfrmPlayer& window);
  ~TPlaybackSession() override;

  TPlaylist& Playlist() { return FPlaylist; }
  const TPlaylist& Playlist() const { return FPlaylist; }

  // Files, folders or file:// URIs: the list is replaced, or the files go
  // after the current item; the first of them plays. Folders are listed off
  // the UI thread. False when nothing was there to play.
  bool OpenPaths(const QStringList& arguments, TAdd how);
  // Plays the item; one that fails is marked, reported once and skipped in
  // the direction of travel. False when nothing could be opened.
  bool PlayIndex(int index, int direction = +1);
  void Next();
  void Previous();
  bool CanGoNext() const;
  bool CanGoPrevious() const;
  // The window's file reached its end: true when the session plays something
  // next (the window then does not rewind).
  bool AtEndOfItem();

  // The file on screen is being left (stop, close, another file): its place
  // is remembered or forgotten by the resume rules.
  void LeavingFile();
  void StartOver();
  // Resuming works only with a store; off without one (tests of the window).
  void SetResumeStore(std::unique_ptr<zv::TResumeStore> store);
  zv::TResumeStore* ResumeStore() const { return FResume.get(); }
  bool ResumeEnabled() const;
  void SetResumeEnabled(bool on);

  void SetRepeat(TRepeat r);
  void SetShuffle(bool on);

  // The text for the on-screen message. Logged for now; the window's
  // on-screen message takes it once it has one.
  void Announce(const QString& text);
  QString LastAnnouncement() const { return FLastAnnouncement; }

  QAction* actNext;
  QAction* actPrevious;
  QAction* actStartOver;
  QAction* mnuResume;
  QMenu* mnuRepeat;
  QAction* mnuRepeatOff;
  QAction* mnuRepeatOne;
  QAction* mnuRepeatAll;
  QAction* mnuShuffle;
  TRecentFiles* Recent;
  TPlaylistPanel* Panel;

signals:
  // Items, the current one, repeat or shuffle changed.
  void ListChanged();
  void ModeChanged();

private:
  void OnFileOpened();
  void OnPlayState(int state);
  void PlayFirstOf(int index);
  void Report(const QString& text);

  TfrmPlayer& FWindow;
  TPlaylist FPlaylist;
  std::unique_ptr<zv::TResumeStore> FResume;
  QString FLastAnnouncement;
  std::thread FLister;      // lists folders; joined before the next one and at the end
  int FListRequest = 0;     // the newest listing wins
  bool FOpening = false;    // PlayIndex is opening: the window's FileOpened is ours
  bool FResumePending = false;  // the seek to the remembered place has not run yet
};

}  // namespace zvapp
