#pragma once

#include "engine/EngineHost.h"

#include <QString>

#include <optional>

class QWidget;

// The program's file dialog. masks: comma-separated patterns such as "*.*,*.exe" ("*.*" is every file);
// directory is the start folder and receives the folder of the chosen file; favouritesSection names the
// settings section of the favourite folders. Returns the chosen path, or nothing when cancelled.
std::optional<QString> ChooseFile(QWidget* parent, TFileDialogMode mode, const QString& title,
                                  QString& directory, const QString& masks, const QString& favouritesSection);
