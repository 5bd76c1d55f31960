// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/StartedForm.h"

#include <QFile>
#include <QWindow>

std::unique_ptr<TFormMain> StartForm(const QString& argument) {
    auto form = std::make_unique<TFormMain>(argument.toStdString());
    form->show();
    form->FormActivate();
    return form;
}

QString ShownCaption(const QWidget& window) {
    return window.windowHandle() ? window.windowHandle()->title() : QString();
}

void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
}
