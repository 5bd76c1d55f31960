#include "ui/SettingsLocation.h"

#include "engine/IniFile.h"

#include <QCoreApplication>
#include <QFile>

const std::string& ProgramSettingsFile() {
    if (SettingsFile().empty())
        SetSettingsFile(
            SettingsFileName(QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString()));
    return SettingsFile();
}
