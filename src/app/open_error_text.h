#pragma once
// What a failed open tells the user: the file's name, a sentence a user
// understands, and the library's own reason as a details line.
#include <QString>

namespace zvapp {

struct TOpenErrorText {
  QString sentence;
  QString details;
};

// fileName: the file asked for; engineMessage: the engine's last error text
// ("NAME: reason"); exists: whether the file is there.
TOpenErrorText DescribeOpenError(const QString& fileName, const QString& engineMessage, bool exists);

// The whole text of the warning box.
QString OpenErrorBoxText(const QString& fileName, const TOpenErrorText& e);

}  // namespace zvapp
