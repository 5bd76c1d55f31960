// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TempSettings.h"

#include "engine/settings/IniFile.h"

#include <QFile>

void TTempSettings::Fresh() {
    const QString path = Dir.filePath(QStringLiteral("NIBLO.ini"));
    QFile::remove(path);
    SetSettingsFile(QFile::encodeName(path).toStdString());
}

void TTempSettings::Release() {
    SetSettingsFile(std::string());
}
