#include "app/recent_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QUrl>

#include <glib.h>

#include "app/debug_output.h"
#include "app/playback_session.h"
#include "app/player_window.h"

namespace zvapp {

QString DefaultRecentlyUsedFile() {
  QString base = qEnvironmentVariable("XDG_DATA_HOME");
  if (!base.startsWith('/')) base = QDir::homePath() + "/.local/share";
  return base + "/recently-used.xbel";
}

bool AddToRecentlyUsed(const QString& listFile, const QString& path, QString* error) {
  auto fail = [error](const QString& why) {
    if (error) *error = why;
    return false;
  };
  const QByteArray list = QFile::encodeName(listFile);
  const QByteArray uri = QUrl::fromLocalFile(path).toEncoded();
  GBookmarkFile* bookmarks = g_bookmark_file_new();
  GError* err = nullptr;
  bool ok = true;
  if (QFileInfo::exists(listFile) && !g_bookmark_file_load_from_file(bookmarks, list.constData(), &err)) {
    // Written anew it would lose every other program's entries.
    ok = fail(QString::fromUtf8(err ? err->message : "unreadable"));
  }
  if (ok) {
    const QString mime = QMimeDatabase().mimeTypeForFile(path).name();
    g_bookmark_file_set_mime_type(bookmarks, uri.constData(), mime.toUtf8().constData());
    g_bookmark_file_set_title(bookmarks, uri.constData(), QFileInfo(path).fileName().toUtf8().constData());
    g_bookmark_file_add_application(bookmarks, uri.constData(), "ZELVO Player", "zelvo-player %u");
    QDir().mkpath(QFileInfo(listFile).absolutePath());
    // Written to a temporary file and renamed over the list.
    if (!g_bookmark_file_to_file(bookmarks, list.constData(), &err))
      ok = fail(QString::fromUtf8(err ? err->message : "cannot be written"));
  }
  if (err) g_error_free(err);
  g_bookmark_file_free(bookmarks);
  return ok;
}

TRecentFiles::TRecentFiles(TfrmPlayer& window, QMenu* menu) : QObject(&window), FWindow(window) {
  mnuOpenRecent = menu->addMenu(tr("Open Recent"));
  mnuOpenRecent->setObjectName("mnuOpenRecent");
  Rebuild();
  connect(&FWindow, &TfrmPlayer::FileOpened, this, [this] { Add(FWindow.OpenedFileName()); });
}

void TRecentFiles::SetFiles(const QStringList& files) {
  FFiles = files.mid(0, kMax);
  Rebuild();
}

void TRecentFiles::Add(const QString& path) {
  if (path.isEmpty()) return;
  FFiles.removeAll(path);
  FFiles.prepend(path);
  while (FFiles.size() > kMax) FFiles.removeLast();
  Rebuild();
  if (FDesktopList.isEmpty()) return;
  QString error;
  if (!AddToRecentlyUsed(FDesktopList, path, &error) && !FComplained) {
    FComplained = true;
    DebugOutput("recently-used list " + FDesktopList.toStdString() + " not updated: " + error.toStdString());
  }
}

void TRecentFiles::Rebuild() {
  mnuOpenRecent->clear();
  for (const QString& file : FFiles) {
    // Names are shown as they are ("&" would otherwise become a mnemonic).
    QString text = QFileInfo(file).fileName();
    text.replace('&', "&&");
    QAction* a = mnuOpenRecent->addAction(text);
    a->setToolTip(file);
    connect(a, &QAction::triggered, this, [this, file] {
      FWindow.Session->OpenPaths({file}, TPlaybackSession::TAdd::Replace);
    });
  }
  mnuOpenRecent->setEnabled(!FFiles.isEmpty());
}

}  // namespace zvapp
