// SPDX-License-Identifier: GPL-3.0-or-later
// Cut, copy and paste through the system clipboard, and the offer to empty it at exit.
#include "ui/NIBLO_Main.h"

#include "engine/editing/Clipboard.h"
#include "kit/SystemClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

void TFormMain::CreateClipboard() {
    ClipboardPort = std::make_unique<TSystemClipboard>();
    // Paste follows the clipboard, so that its shortcut works as soon as something arrives there.
    connect(Action(TCommand::Clipboard1)->menu(), &QMenu::aboutToShow, this, &TFormMain::Clipboard1Click);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &TFormMain::Clipboard1Click);
}

void TFormMain::Clipboard1Click() {
    Engine::Clipboard1Click(Doc(), *ClipboardPort);
}

void TFormMain::Cut1Click() {
    Engine::Cut1Click(Doc(), *ClipboardPort, true);
}

void TFormMain::Copy1Click() {
    Engine::Cut1Click(Doc(), *ClipboardPort, false);
}

void TFormMain::Paste1Click() {
    Engine::Paste1Click(Doc(), *ClipboardPort);
}

void TFormMain::Pastehex1Click() {
    Engine::PasteHex1Click(Doc(), *ClipboardPort);
}

void TFormMain::OfferToEmptyClipboard() {
    Engine::OfferToEmptyClipboard(Doc(), *ClipboardPort);
}
