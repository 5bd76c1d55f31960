#pragma once

#include <QString>

#include <string>

// Where the program keeps its settings: the file named after the executable beside it when that folder
// can take files (portable use); otherwise "niblo.ini" in configFolder (created when missing), because
// an installed program's folder (/usr/bin) cannot be written and every setting would be lost.
std::string SettingsLocation(const std::string& executablePath, const QString& configFolder);
// The same for this program, with the user's configuration folder.
std::string SettingsLocation();

// The program's settings file as the file system's bytes: the one named with SetSettingsFile (the
// program body, tests), otherwise SettingsLocation(), remembered from then on. The one place that
// decides where settings live.
const std::string& ProgramSettingsFile();
