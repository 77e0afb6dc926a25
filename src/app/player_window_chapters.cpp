// The open file's chapters in the window: the picture menu's list, the keys
// that step through them and the marks on the position track.
#include <QMenu>

#include "app/player_window.h"

namespace zvapp {

namespace {
// "h:mm:ss" as the menu shows a chapter's start.
QString StartText(int64_t us) {
  const int64_t s = us / 1000000;
  return QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, QChar('0')).arg(s % 60, 2, 10, QChar('0'));
}
}  // namespace

void TfrmPlayer::CreateChapterMenu() {
  mnuChapters = PopPlayer->addMenu(tr("Chapters"));
  mnuChapters->setObjectName("mnuChapters");
  mnuChapters->menuAction()->setObjectName("mnuChaptersItem");
  mnuChapters->setEnabled(false);
}

void TfrmPlayer::LoadChapters(bool fileOpen) {
  FChapters = fileOpen ? FFPlayer.Chapters() : std::vector<zv::TChapter>{};
  mnuChapters->clear();
  std::vector<float> marks;
  for (size_t i = 0; i < FChapters.size(); ++i) {
    const zv::TChapter& c = FChapters[i];
    const QString title = c.Title.empty() ? tr("Chapter %1").arg(i + 1) : QString::fromStdString(c.Title);
    QAction* a = mnuChapters->addAction(
        QStringLiteral("%1: %2 (%3)").arg(i + 1).arg(title, StartText(c.Start)));
    a->setObjectName(QStringLiteral("mnuChapter%1").arg(i + 1));
    const int64_t start = c.Start;
    connect(a, &QAction::triggered, this, [this, start] { SeekTo(start); });
    // The first chapter starts where the track does: no mark for it.
    if (c.Start > 0) marks.push_back(float(c.Start));
  }
  mnuChapters->setEnabled(!FChapters.empty());
  TrackPlay->SetMarks(std::move(marks));
  ShowLoopMarks();  // a new file starts without a loop
}

void TfrmPlayer::ChapterStep(int direction) {
  if (!FFileOpen) return;
  const int64_t target = zv::ChapterTarget(FLastPosition, FChapters, direction);
  if (target >= 0) SeekTo(target);
}

}  // namespace zvapp
