// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/NIBLO_Dec.h"

#include "kit/DialogFrame.h"
#include "kit/Jkdialog.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFormDecode::TFormDecode(QWidget* parent, Engine::TByteOrder order, const std::vector<std::string>& lines)
    : QDialog(parent, DialogFlags) {
    setObjectName(QStringLiteral("FormDecode"));
    setWindowTitle(tr("Decode number"));
    LabelDec = new QLabel(tr("Decoded from cursor position"), this);
    LabelDec->setObjectName(QStringLiteral("LabelDec"));
    LabelByteOrder = new QLabel(QString::fromUtf8(Engine::ByteOrderText(order)), this);
    LabelByteOrder->setObjectName(QStringLiteral("LabelByteOrder"));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    // The line texts line up their colons and numbers only in a fixed-pitch font.
    Memo1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->clear();
    for (const std::string& line : lines)
        Memo1->appendPlainText(QString::fromUtf8(line));
    const QFontMetrics metrics(Memo1->font());
    Memo1->setMinimumSize(QSize(266, 80).expandedTo(
        QSize(metrics.horizontalAdvance(QString(34, QLatin1Char('0'))), metrics.lineSpacing() * 5)));
    ButtonOK = new QPushButton(tr("OK"), this);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonOK->setDefault(true);
    connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonOK);
    buttons->addStretch(1);
    auto* form = new QVBoxLayout(this);
    form->addWidget(LabelDec);
    form->addWidget(LabelByteOrder);
    form->addWidget(Memo1);
    form->addLayout(buttons);
    setFixedSize(minimumSizeHint().expandedTo(QSize(288, 175)));
    ButtonOK->setFocus();
    CenterOverActiveForm(this);
    RefitLabels(this);
}
