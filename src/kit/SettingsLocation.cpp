// SPDX-License-Identifier: GPL-3.0-or-later
#include "kit/SettingsLocation.h"

#include "engine/settings/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

// The settings file is rewritten through a new file in its folder, so the folder must take a new file;
// trying it is the only test that holds for every user, file system and access list.
static bool FolderTakesFiles(const QString& folder) {
    QTemporaryFile probe(folder + QStringLiteral("/.niblo-XXXXXX"));
    return probe.open();
}

std::string SettingsLocation(const std::string& executablePath, const QString& configFolder) {
    const std::string beside = SettingsFileName(executablePath);
    const QString folder =
        QFileInfo(QFile::decodeName(QByteArray::fromStdString(executablePath))).absolutePath();
    if (FolderTakesFiles(folder)) return beside;
    QDir().mkpath(configFolder);
    return QFile::encodeName(QDir(configFolder).filePath(QStringLiteral("niblo.ini"))).toStdString();
}

std::string SettingsLocation() {
    return SettingsLocation(QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString(),
                            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

const std::string& ProgramSettingsFile() {
    if (SettingsFile().empty()) SetSettingsFile(SettingsLocation());
    return SettingsFile();
}

std::string RecoveryFolderLocation() {
    const QString settings =
        QFileInfo(QFile::decodeName(QByteArray::fromStdString(ProgramSettingsFile()))).absolutePath();
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).absolutePath();
    const QString folder = settings == program
                               ? settings
                               : QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return QFile::encodeName(QDir(folder).filePath(QStringLiteral("recovery"))).toStdString();
}
