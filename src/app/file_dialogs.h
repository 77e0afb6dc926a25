#pragma once
// The open and save dialogs and their filter lists.
#include <QString>
#include <QStringList>
#include <QWidget>

namespace zvapp {

// "Name|*.A;*.B;|Name2|..." as Qt name filters "Name (*.A *.B)". A name that
// already ends with its own pattern list in parentheses is kept as it is.
QStringList DialogFilters(const QString& pipeList);

// Runs the open dialog (existing files only) in folder (empty: where Qt
// chooses); empty when cancelled.
QString RunOpenFileDialog(QWidget* parent, const QString& pipeFilter, const QString& folder = {});

// Runs the save dialog with an overwrite prompt, starting at suggestedPath
// with the choice that matches its extension; a name typed without an
// extension gets the chosen choice's. Empty when cancelled.
QString RunSaveFileDialog(QWidget* parent, const QString& pipeFilter, const QString& suggestedPath);

// The first extension of a dialog choice "Name (*.a *.b)": "a".
QString FilterSuffix(const QString& nameFilter);

// The open dialog taking several files at once, in folder (empty: where Qt
// chooses); empty when cancelled.
QStringList RunOpenFilesDialog(QWidget* parent, const QString& pipeFilter, const QString& folder = {});

}  // namespace zvapp
