// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <Qt>

// The frame of every dialog: a caption and a close button. Without CustomizeWindowHint window managers
// add minimise and maximise buttons, which a dialog has no use for.
inline constexpr Qt::WindowFlags DialogFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                               Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;

// The narrowest window whose title bar shows caption whole: the caption in the window manager's title
// font (often bold and larger than the window font) beside room for the title bar's buttons.
int CaptionFitWidth(const QString& caption);
