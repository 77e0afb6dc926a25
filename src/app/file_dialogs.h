#pragma once
// The open and save dialogs and their filter lists.
#include <QString>
#include <QStringList>
#include <QWidget>

namespace zvapp {

// "Name|*.A;*.B;|Name2|..." as Qt name filters "Name (*.A *.B)". A name that
// already ends with its own pattern list in parentheses is kept as it is.
QStringList DialogFilters(const QString& pipeList);

// Runs the open dialog (existing files only); empty when cancelled.
QString RunOpenFileDialog(QWidget* parent, const QString& pipeFilter);

// The open dialog taking several files at once; empty when cancelled.
QStringList RunOpenFilesDialog(QWidget* parent, const QString& pipeFilter);

// Runs the save dialog with the default suffix and an overwrite prompt; empty
// when cancelled.
QString RunSaveFileDialog(QWidget* parent, const QString& pipeFilter, const QString& defaultSuffix);

}  // namespace zvapp
