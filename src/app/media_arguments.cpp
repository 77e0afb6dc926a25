#include "app/media_arguments.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QUrl>

#include "app/natural_order.h"

namespace zvapp {

namespace {
// The extensions of the open dialog's media filter.
const QSet<QString>& MediaExtensions() {
  static const QSet<QString> kExt = {
      "3gp", "asf", "avi", "avm", "avs",  "dat", "flv", "mkv", "mov", "mp4", "mpeg", "mpg", "nsv", "ogm",
      "rm",  "rmvb", "tp", "ts",  "vob",  "wmv", "aac", "ac3", "ape", "dts", "flac", "m4a", "mka", "mp2",
      "mp3", "mpa", "mpc", "ofr", "ogg",  "ra",  "tta", "wav", "wma"};
  return kExt;
}
}  // namespace

bool IsMediaFileName(const QString& name) {
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return dot >= 0 && MediaExtensions().contains(name.mid(dot + 1).toLower());
}

QString ArgumentToPath(const QString& argument, const QString& cwd) {
  if (argument.isEmpty()) return {};
  if (argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
    const QUrl url(argument, QUrl::StrictMode);
    if (!url.isValid() || !url.isLocalFile()) return {};
    const QString host = url.host();
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0) return {};
    // Not toLocalFile(): it keeps a "localhost" host as a network share.
    return QDir::cleanPath(url.path(QUrl::FullyDecoded));
  }
  return QDir::cleanPath(QDir(cwd).absoluteFilePath(argument));
}

bool HasFolder(const QStringList& paths) {
  for (const QString& p : paths)
    if (QFileInfo(p).isDir()) return true;
  return false;
}

QStringList ExpandMediaPaths(const QStringList& arguments, const QString& cwd) {
  QStringList out;
  for (const QString& argument : arguments) {
    const QString path = ArgumentToPath(argument, cwd);
    if (path.isEmpty()) continue;
    const QFileInfo info(path);
    if (!info.isDir()) {
      out << path;
      continue;
    }
    QStringList names;
    const QDir dir(path);
    for (const QString& name : dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted))
      if (IsMediaFileName(name)) names << name;
    NaturalSort(names);
    for (const QString& name : names) out << dir.filePath(name);
  }
  return out;
}

}  // namespace zvapp
