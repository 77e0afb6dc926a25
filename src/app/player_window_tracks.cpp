// The open file's sound and subtitle tracks in the picture's menu: one item
// each, the one playing checked; choosing one switches at the position playing.
#include <QActionGroup>
#include <QMenu>

#include "app/player_window.h"

namespace zvapp {

namespace {

// A menu of checkable items, one checked at most.
QAction* AddChoice(QMenu* menu, QActionGroup* group, const QString& text, bool checked, const QString& name) {
  QAction* a = menu->addAction(text);
  a->setObjectName(name);
  a->setCheckable(true);
  a->setChecked(checked);
  group->addAction(a);
  return a;
}

}  // namespace

void TfrmPlayer::CreateTrackMenus() {
  mnuAudioTracks = PopPlayer->addMenu(tr("Audio Track"));
  mnuAudioTracks->setObjectName("mnuAudioTracks");
  mnuAudioTracks->menuAction()->setObjectName("mnuAudioTracksItem");
  mnuAudioTracks->setEnabled(false);
  mnuSubtitleTracks = PopPlayer->addMenu(tr("Subtitle Track"));
  mnuSubtitleTracks->setObjectName("mnuSubtitleTracks");
  mnuSubtitleTracks->menuAction()->setObjectName("mnuSubtitleTracksItem");
  mnuSubtitleTracks->setEnabled(false);
  // Subtitle files load while the file plays, and keys switch tracks: the
  // lists are read again whenever the menu opens.
  connect(PopPlayer, &QMenu::aboutToShow, this, [this] { LoadTrackMenus(); });
}

void TfrmPlayer::LoadTrackMenus() {
  const std::vector<zv::TTrack> audio = FFileOpen ? FFPlayer.AudioTracks() : std::vector<zv::TTrack>{};
  const std::vector<zv::TTrack> subtitles = FFileOpen ? FFPlayer.SubtitleTracks() : std::vector<zv::TTrack>{};

  // The groups go with the items they held.
  for (QMenu* m : {mnuAudioTracks, mnuSubtitleTracks}) {
    qDeleteAll(m->findChildren<QActionGroup*>(Qt::FindDirectChildrenOnly));
    m->clear();
  }
  auto* audioGroup = new QActionGroup(mnuAudioTracks);
  for (size_t i = 0; i < audio.size(); ++i) {
    const int number = int(i) + 1;
    QAction* a = AddChoice(mnuAudioTracks, audioGroup, QString::fromStdString(audio[i].Name), audio[i].Current,
                           QStringLiteral("mnuAudioTrack%1").arg(number));
    connect(a, &QAction::triggered, this, [this, number] { FFPlayer.SelectAudioTrack(number); });
  }
  // One track is no choice.
  mnuAudioTracks->setEnabled(audio.size() > 1);

  auto* subtitleGroup = new QActionGroup(mnuSubtitleTracks);
  bool any = false;
  for (size_t i = 0; i < subtitles.size(); ++i) {
    const int number = int(i) + 1;
    QAction* a = AddChoice(mnuSubtitleTracks, subtitleGroup, QString::fromStdString(subtitles[i].Name),
                           subtitles[i].Current, QStringLiteral("mnuSubtitleTrack%1").arg(number));
    connect(a, &QAction::triggered, this, [this, number] { FFPlayer.SelectSubtitleTrack(number); });
    any = any || subtitles[i].Current;
  }
  if (!subtitles.empty()) {
    QAction* off = AddChoice(mnuSubtitleTracks, subtitleGroup, tr("Off"), !any, "mnuSubtitleTrackOff");
    connect(off, &QAction::triggered, this, [this] { FFPlayer.SelectSubtitleTrack(0); });
  }
  mnuSubtitleTracks->setEnabled(!subtitles.empty());
}

}  // namespace zvapp
