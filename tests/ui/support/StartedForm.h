// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/NIBLO_Main.h"

#include <QByteArray>
#include <QString>

#include <memory>

// The window as the program starts it: shown, then its first activation with the given argument.
std::unique_ptr<TFormMain> StartForm(const QString& argument = {});
// The caption as the window system shows it, the modified mark put in.
QString ShownCaption(const QWidget& window);
// Writes a file of the tests' own; a failure ends the test run.
void WriteText(const QString& path, const QByteArray& text);
