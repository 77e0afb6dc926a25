#include "app/open_error_text.h"

#include <QFileInfo>

namespace zvapp {

TOpenErrorText DescribeOpenError(const QString& fileName, const QString& engineMessage, bool exists) {
  TOpenErrorText e;
  QString reason = engineMessage.trimmed();
  // The engine names the file first; the box names it already.
  const QString prefix = fileName + QStringLiteral(": ");
  if (reason.startsWith(prefix)) reason = reason.mid(prefix.size());
  e.details = reason;
  if (!exists)
    e.sentence = QStringLiteral("The file does not exist.");
  else if (reason.contains(QLatin1String("no stream to play")))
    e.sentence = QStringLiteral("No sound or picture stream could be opened.");
  else if (reason.startsWith(QLatin1String("File name too long")))
    e.sentence = QStringLiteral("The file's name is too long.");
  else
    e.sentence = QStringLiteral("The file could not be played: its data is damaged or it is not a media file.");
  return e;
}

QString OpenErrorBoxText(const QString& fileName, const TOpenErrorText& e) {
  QString text = QFileInfo(fileName).fileName() + QStringLiteral("\n\n") + e.sentence;
  if (!e.details.isEmpty()) text += QStringLiteral("\n\nDetails: ") + e.details;
  return text;
}

}  // namespace zvapp
