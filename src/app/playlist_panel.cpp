#include "app/playlist_panel.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>

#include "app/playback_session.h"
#include "app/player_window.h"

namespace zvapp {

namespace {
QString DurationText(int64_t us) {
  if (us <= 0) return {};
  const int64_t s = (us + 500000) / 1000000;
  return s >= 3600 ? QString::asprintf("%lld:%02lld:%02lld", (long long)(s / 3600), (long long)(s / 60 % 60),
                                       (long long)(s % 60))
                   : QString::asprintf("%lld:%02lld", (long long)(s / 60), (long long)(s % 60));
}
}  // namespace

TPlaylistPanel::TPlaylistPanel(TfrmPlayer& window, TPlaybackSession& session)
    : QListWidget(&window), FWindow(window), FSession(session) {
  setObjectName("lstPlaylist");
  setFocusPolicy(Qt::ClickFocus);
  setDragDropMode(QAbstractItemView::InternalMove);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  hide();

  mnuPlaylist = new QAction(tr("Playlist"), &FWindow);
  mnuPlaylist->setObjectName("mnuPlaylist");
  mnuPlaylist->setCheckable(true);
  mnuPlaylist->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  mnuPlaylist->setShortcutContext(Qt::WindowShortcut);
  mnuPlaylist->setShortcutVisibleInContextMenu(true);
  FWindow.addAction(mnuPlaylist);
  FWindow.PopPlayer->addAction(mnuPlaylist);
  connect(mnuPlaylist, &QAction::triggered, this, [this](bool on) { SetWanted(on); });

  connect(this, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { FSession.PlayIndex(row(item)); });
  connect(&FSession, &TPlaybackSession::ListChanged, this, [this] { Rebuild(); });
  connect(&FWindow, &TfrmPlayer::FullScreenChanged, this, [this](bool entered) {
    setVisible(!entered && Wanted());
    FWindow.SetSideWidth(isVisible() ? kWidth : 0);
  });
  FWindow.OnLayout = [this] { Place(); };
}

void TPlaylistPanel::SetWanted(bool on) {
  mnuPlaylist->setChecked(on);
  const bool show = on && !FWindow.PanelFillsClient();
  setVisible(show);
  FWindow.SetSideWidth(show ? kWidth : 0);
  if (show) Rebuild();
}

void TPlaylistPanel::Place() { setGeometry(FWindow.width() - kWidth, 0, kWidth, FWindow.height()); }

void TPlaylistPanel::Rebuild() {
  // Hidden, it waits until it is shown (a list of thousands costs a moment).
  if (isHidden()) return;
  const TPlaylist& list = FSession.Playlist();
  setUpdatesEnabled(false);
  clear();
  const int current = list.Current();
  for (int i = 0; i < list.Count(); ++i) {
    const TPlaylistItem& it = list.Item(i);
    QString text = (i == current ? QStringLiteral("\u25B6 ") : QStringLiteral("   ")) + QFileInfo(it.path).fileName();
    const QString d = DurationText(it.durationUs);
    if (!d.isEmpty()) text += "  (" + d + ")";
    auto* item = new QListWidgetItem(text, this);
    item->setToolTip(it.path);
    if (it.failed) {
      item->setForeground(Qt::gray);
      item->setToolTip(it.path + "\n" + tr("cannot be opened"));
    }
    if (i == current) {
      QFont f = item->font();
      f.setBold(true);
      item->setFont(f);
    }
  }
  if (current >= 0) scrollToItem(item(current));
  setUpdatesEnabled(true);
}

void TPlaylistPanel::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Delete && currentRow() >= 0) {
    FSession.Playlist().Remove(currentRow());
    emit FSession.ListChanged();
    return;
  }
  QListWidget::keyPressEvent(e);
}

void TPlaylistPanel::dropEvent(QDropEvent* e) {
  const int from = currentRow();
  QListWidget::dropEvent(e);
  const int to = currentRow();
  if (from >= 0 && to >= 0 && from != to) FSession.Playlist().Move(from, to);
  Rebuild();
}

}  // namespace zvapp
