#include "app/file_dialogs.h"

#include <QFileDialog>

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

QString RunOpenFileDialog(QWidget* parent, const QString& pipeFilter) {
  QFileDialog dlg(parent);
  Prepare(dlg, pipeFilter);
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  dlg.setFileMode(QFileDialog::ExistingFile);
  dlg.setOption(QFileDialog::ReadOnly, false);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  return dlg.selectedFiles().first();
}

QStringList RunOpenFilesDialog(QWidget* parent, const QString& pipeFilter) {
  QFileDialog dlg(parent);
  Prepare(dlg, pipeFilter);
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  dlg.setFileMode(QFileDialog::ExistingFiles);
  dlg.setOption(QFileDialog::ReadOnly, false);
  if (dlg.exec() != QDialog::Accepted) return {};
  return dlg.selectedFiles();
}

QString RunSaveFileDialog(QWidget* parent, const QString& pipeFilter, const QString& defaultSuffix) {
  QFileDialog dlg(parent);
  Prepare(dlg, pipeFilter);
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setFileMode(QFileDialog::AnyFile);
  dlg.setDefaultSuffix(defaultSuffix);
  dlg.setOption(QFileDialog::DontConfirmOverwrite, false);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  return dlg.selectedFiles().first();
}

}  // namespace zvapp
