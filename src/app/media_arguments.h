#pragma once
// What the command line, the launcher and drops hand over, made into a list of
// media files: file:// URIs decoded, relative names made absolute, folders
// replaced by the media files inside them (not recursive) in natural order.
#include <QString>
#include <QStringList>

namespace zvapp {

// True for a name with one of the open dialog's media extensions (any case).
bool IsMediaFileName(const QString& name);

// An argument as a local path: "file://" URIs decoded (percent escapes, host
// "localhost" or none), anything else taken as a path relative to cwd. Empty
// for URIs of other schemes or hosts.
QString ArgumentToPath(const QString& argument, const QString& cwd);

// True when some argument names a folder (listing it may take a while).
bool HasFolder(const QStringList& paths);

// The files to play, in order. Names that do not exist stay in the list (the
// playlist marks them when they fail); folders give their media files.
QStringList ExpandMediaPaths(const QStringList& arguments, const QString& cwd);

}  // namespace zvapp
