#pragma once
// The list beside the picture: each item's name and duration once known, the
// current one marked, failed ones greyed. Double-click plays, Delete removes,
// dragging reorders. Hidden by default and in full screen.
#include <QAction>
#include <QListWidget>

namespace zvapp {

class TfrmPlayer;
class TPlaybackSession;

class TPlaylistPanel : public QListWidget {
  Q_OBJECT
public:
  static constexpr int kWidth = 240;

  TPlaylistPanel(TfrmPlayer& window, TPlaybackSession& session);

  // Shown by the user (Ctrl+L, the menu); full screen hides it for a while.
  bool Wanted() const { return mnuPlaylist->isChecked(); }
  void SetWanted(bool on);
  void Rebuild();

  QAction* mnuPlaylist;

protected:
  void keyPressEvent(QKeyEvent* e) override;
  void dropEvent(QDropEvent* e) override;

private:
  void Place();

  TfrmPlayer& FWindow;
  TPlaybackSession& FSession;
};

}  // namespace zvapp
