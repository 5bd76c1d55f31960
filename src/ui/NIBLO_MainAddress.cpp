// SPDX-License-Identifier: GPL-3.0-or-later
// The Address menu, Block <n>, the integer tools and the checksums: each dialog takes the number, the engine
// does the work.
#include "ui/NIBLO_Main.h"

#include "dialogs/NIBLO_Bln.h"
#include "dialogs/NIBLO_Dec.h"
#include "dialogs/NIBLO_Enc.h"
#include "dialogs/NIBLO_Goto.h"
#include "dialogs/NIBLO_Jmp.h"
#include "dialogs/NIBLO_Sum.h"
#include "engine/editing/Integers.h"
#include "engine/document/Navigation.h"

#include <QAction>
#include <QToolButton>

#include <optional>

void TFormMain::Blocknchars1Click() {
    TCount n = 0;
    {
        TFormBlockN dialog(this);
        if (dialog.exec() != QDialog::Accepted) return;
        n = dialog.Number;
    }
    Engine::MarkBlockOfSize(Doc(), n);
}

void TFormMain::Goto1Click() {
    TAddress target = 0;
    {
        TFormGoto dialog(this);
        dialog.SetGoMode(static_cast<Engine::TGoMode>(GotoMode));
        // A go mode chosen in a cancelled dialog is not kept.
        if (dialog.exec() != QDialog::Accepted) return;
        GotoMode = static_cast<int>(dialog.GoMode());
        target = dialog.Number;
    }
    Engine::GoToAddress(Doc(), target);
}

void TFormMain::Jumpwidth1Click() {
    std::optional<TCount> width;
    {
        TFormJump dialog(this);
        if (dialog.exec() == QDialog::Accepted) width = dialog.Number;
    }
    Engine::JumpWidthDone(Doc(), width);
}

void TFormMain::Decode1Click() {
    const auto order = static_cast<Engine::TByteOrder>(ByteOrder);
    const std::vector<std::string> lines = Engine::DecodeLines(Doc(), order);
    if (lines.empty()) return; // an empty file
    TFormDecode dialog(this, order, lines);
    dialog.exec();
}

void TFormMain::Encode1Click() {
    std::vector<uint8_t> bytes;
    bool overwrite = false;
    {
        TFormEncode dialog(this, static_cast<Engine::TByteOrder>(ByteOrder));
        if (dialog.exec() != QDialog::Accepted) return;
        bytes = dialog.EncodedBytes;
        overwrite = dialog.OverwriteOutput;
    }
    Engine::WriteEncoded(Doc(), bytes, overwrite);
}

void TFormMain::Checksums1Click() {
    // While the pass reads the bytes, every command that could change them is off; afterwards each is as
    // it was, since nothing else could run meanwhile.
    std::vector<TCommand> switchedOff;
    TFormChecksums dialog(this);
    dialog.OnRunning = [this, &switchedOff](bool running) {
        if (running) {
            for (const TCommandInfo& info : CommandTable) {
                // A menu command has its action, a toolbar command its button.
                const QAction* action = Action(info.Command);
                const QToolButton* button = Button(info.Command);
                if ((info.Groups & GroupChanges) && (action ? action->isEnabled() : button->isEnabled())) {
                    switchedOff.push_back(info.Command);
                    SetCommandEnabled(info.Command, false);
                }
            }
        } else {
            for (TCommand command : switchedOff)
                SetCommandEnabled(command, true);
            switchedOff.clear();
        }
    };
    dialog.exec();
}
