#pragma once

#include <string>

// The program's settings file as the file system's bytes: the one named with SetSettingsFile (the
// program body, tests), otherwise the executable's name with ".ini" beside it, remembered from then on.
// The one place that decides where settings live.
const std::string& ProgramSettingsFile();
