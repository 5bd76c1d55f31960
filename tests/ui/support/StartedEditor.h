// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/ModalAnswer.h"
#include "ui/NIBLO_Main.h"

#include <QAction>
#include <QApplication>
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <cstdint>
#include <functional>

// Bytes that differ from their neighbours, so that a misplaced byte shows.
QByteArray SampleBytes(int size);
// The file as the editor holds it.
QByteArray FileBytes();

// A started main window with a 16 x 10 page, holding the given bytes from a file in a temporary folder
// (or a new empty file when bytes is null).
class TStartedEditor {
  public:
    explicit TStartedEditor(const QByteArray& bytes);

    void Run(TCommand command) { Form.Action(command)->trigger(); }
    void GoTo(int32_t address);
    // Runs the command; action gets its dialog and closes it. boxText (if given) receives the text of
    // the box that comes up after the dialog closed.
    template <typename TDialog>
    void RunDialog(TCommand command, std::function<void(TDialog&)> action, QString* boxText = nullptr) {
        bool seen = false;
        WithNextModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<TDialog*>(modal);
            if (!dialog) {
                modal->close();
                return;
            }
            seen = true;
            QApplication::setActiveWindow(dialog);
            if (boxText) AnswerNextModal(QStringLiteral("OK"), boxText);
            action(*dialog);
            if (dialog->isVisible()) dialog->reject(); // a failed check must not leave it open
        });
        Run(command);
        QVERIFY(seen);
    }
    // Runs a command that answers with a message box; returns its text.
    QString RunAnswered(TCommand command) {
        QString text;
        AnswerNextModal(QStringLiteral("OK"), &text);
        Run(command);
        return text;
    }
    bool Enabled(TCommand command) const { return Form.Action(command)->isEnabled(); }

    QTemporaryDir Dir;
    QString Path;
    TFormMain Form;
};
