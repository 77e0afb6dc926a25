#include "app/file_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>

namespace zvapp {

QStringList DialogFilters(const QString& pipeList) {
  QStringList parts = pipeList.split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    const QString& name = parts[i];
    QStringList patterns;
    for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts)) patterns << p.trimmed();
    const QString list = patterns.join(' ');
    if (name.endsWith("(" + list + ")"))
      out << name;
    else
      out << name + " (" + list + ")";
  }
  return out;
}

namespace {
void Prepare(QFileDialog& dlg, const QString& pipeFilter) {
  // Qt's own dialog: its name filters ignore case, as the lists expect.
  dlg.setOption(QFileDialog::DontUseNativeDialog, true);
  dlg.setNameFilters(DialogFilters(pipeFilter));
  dlg.selectNameFilter(dlg.nameFilters().value(0));
}
}  // namespace

namespace {
QStringList RunOpen(QWidget* parent, const QString& pipeFilter, const QString& folder, QFileDialog::FileMode mode) {
  QFileDialog dlg(parent);
  Prepare(dlg, pipeFilter);
  if (!folder.isEmpty()) dlg.setDirectory(folder);
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  dlg.setFileMode(mode);
  dlg.setOption(QFileDialog::ReadOnly, false);
  if (dlg.exec() != QDialog::Accepted) return {};
  return dlg.selectedFiles();
}
}  // namespace

QString RunOpenFileDialog(QWidget* parent, const QString& pipeFilter, const QString& folder) {
  return RunOpen(parent, pipeFilter, folder, QFileDialog::ExistingFile).value(0);
}

QStringList RunOpenFilesDialog(QWidget* parent, const QString& pipeFilter, const QString& folder) {
  return RunOpen(parent, pipeFilter, folder, QFileDialog::ExistingFiles);
}

QString FilterSuffix(const QString& nameFilter) {
  const int at = nameFilter.indexOf(QLatin1String("(*."));
  if (at < 0) return {};
  const QString rest = nameFilter.mid(at + 3);
  int end = 0;
  while (end < rest.size() && rest[end].isLetterOrNumber()) ++end;
  return rest.left(end).toLower();
}

QString RunSaveFileDialog(QWidget* parent, const QString& pipeFilter, const QString& suggestedPath) {
  QFileDialog dlg(parent);
  Prepare(dlg, pipeFilter);
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setFileMode(QFileDialog::AnyFile);
  const QString suffix = QFileInfo(suggestedPath).suffix().toLower();
  for (const QString& f : dlg.nameFilters())
    if (FilterSuffix(f) == suffix || f.contains(QLatin1String("*.") + suffix + QLatin1Char(' ')) ||
        f.contains(QLatin1String("*.") + suffix + QLatin1Char(')')))
      dlg.selectNameFilter(f);
  dlg.setDefaultSuffix(FilterSuffix(dlg.selectedNameFilter()));
  QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg,
                   [&dlg](const QString& f) { dlg.setDefaultSuffix(FilterSuffix(f)); });
  if (!suggestedPath.isEmpty()) {
    dlg.setDirectory(QFileInfo(suggestedPath).absolutePath());
    dlg.selectFile(QFileInfo(suggestedPath).fileName());
  }
  dlg.setOption(QFileDialog::DontConfirmOverwrite, false);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  return dlg.selectedFiles().first();
}

}  // namespace zvapp
