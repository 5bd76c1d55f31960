// SPDX-License-Identifier: GPL-3.0-or-later
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
// The folder for what must survive the program (recovery journals, the copy of a file overwritten in
// place): beside the settings file in portable use, else "recovery" in the user's state folder.
std::string RecoveryFolderLocation();
