// SPDX-License-Identifier: GPL-3.0-or-later
// Files dropped on the main window.
#include "ui/NIBLO_Main.h"

#include "engine/files/FileCommands.h"
#include "engine/text/StringTable.h"
#include "files/FileDrop.h"
#include "kit/Jkdialog.h"

void TFormMain::CreateFileDrop() {
    FileDrop = new TFileDrop(this);
    FileDrop->OnDrop = [this](QObject* sender) { FilesDropped(sender); };
}

void TFormMain::FilesDropped(QObject*) {
    // While a progress box runs the operation owns the buffer.
    if (Progress) return;
    const std::vector<std::string>& names = FileDrop->DroppedFiles;
    if (!OneFileAtATime) {
        // Each dropped file gets a tab of its own.
        for (const std::string& name : names)
            OpenInTab(name, false);
        return;
    }
    if (names.size() >= 2) {
        ErrorBox(QString::fromLatin1(Texts::DropOnlyOneFile));
        return;
    }
    if (names.size() == 1) OpenInTab(names.front(), false);
}
