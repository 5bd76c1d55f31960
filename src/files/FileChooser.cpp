#include "files/FileChooser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

std::optional<QString> ChooseFile(QWidget* parent, TFileDialogMode mode, const QString& title,
                                  QString& directory, const QString& masks,
                                  const QString& favouritesSection) {
    // Favourite folders come with the program's own dialog; the stand-in has none.
    (void)favouritesSection;
    QStringList filters;
    for (const QString& mask : masks.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString pattern = mask.trimmed();
        // "*.*" means every file, also those without an extension.
        filters << QStringLiteral("%1 (%2)").arg(
            pattern, pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
    }

    QFileDialog dialog(parent, title, directory);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(filters);
    if (mode == TFileDialogMode::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString path = dialog.selectedFiles().constFirst();
    directory = QFileInfo(path).absolutePath();
    return path;
}
