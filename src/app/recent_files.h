#pragma once
// The files opened lately: "Open Recent" in the menu (the last ten, newest
// first) and the desktop's shared recently-used list that file managers and
// file dialogs read.
#include <QAction>
#include <QMenu>
#include <QObject>
#include <QStringList>

namespace zvapp {

class TfrmPlayer;

// Adds the file to a recently-used bookmark file (freedesktop format) with
// this program as the application that opened it. A list that exists but
// cannot be read is left alone. False with the reason on failure.
bool AddToRecentlyUsed(const QString& listFile, const QString& path, QString* error = nullptr);
// "$XDG_DATA_HOME/recently-used.xbel" (default ~/.local/share).
QString DefaultRecentlyUsedFile();

class TRecentFiles : public QObject {
  Q_OBJECT
public:
  static constexpr int kMax = 10;

  TRecentFiles(TfrmPlayer& window, QMenu* menu);

  QStringList Files() const { return FFiles; }
  void SetFiles(const QStringList& files);
  void Add(const QString& path);
  // Where opened files are also told to the desktop; empty: nowhere.
  void SetDesktopList(const QString& file) { FDesktopList = file; }

  QMenu* mnuOpenRecent;

private:
  void Rebuild();

  TfrmPlayer& FWindow;
  QStringList FFiles;
  QString FDesktopList;
  bool FComplained = false;
};

}  // namespace zvapp
