// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/NIBLO_ListBox.h"

#include "kit/DialogFrame.h"
#include "engine/text/StringTable.h"
#include "kit/Jkdialog.h"

#include <QFile>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

TFormListBox::TFormListBox(QWidget* parent, const QString& caption, std::vector<std::string>& entries)
    : QDialog(parent, DialogFlags), Entries(entries) {
    setObjectName(QStringLiteral("FormListBox"));
    setWindowTitle(caption);

    // Sizes in dialog units of this dialog's font.
    const QSize average = AverageCharSize(font());
    auto x = [&](int units) { return MulDivRound(units, average.width(), 4); };
    auto y = [&](int units) { return MulDivRound(units, average.height(), 8); };
    setFixedSize(x(250), y(88));

    ListBox = new QListWidget(this);
    ListBox->setObjectName(QStringLiteral("ListBox"));
    ListBox->setGeometry(x(10), y(8), x(230), y(53));
    ListBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    for (const std::string& entry : Entries)
        ListBox->addItem(QFile::decodeName(QByteArray::fromStdString(entry)));
    // The first entry is chosen unless the user picks another, so that OK always has one to take.
    if (ListBox->count() > 0) ListBox->setCurrentRow(0);

    auto button = [&](const char* text, const char* name, int left) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(x(left), y(68), x(50), y(14));
        return b;
    };
    ButtonOK = button(Texts::BtnOk, "ButtonOK", 10);
    ButtonOK->setDefault(true);
    ButtonDelete = button(Texts::BtnDelete, "ButtonDelete", 70);
    ButtonCancel = button(Texts::BtnCancel, "ButtonCancel", 130);
    connect(ButtonOK, &QPushButton::clicked, this, &TFormListBox::ButtonOKClick);
    connect(ButtonDelete, &QPushButton::clicked, this, &TFormListBox::ButtonDeleteClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ListBox, &QListWidget::itemDoubleClicked, this, &TFormListBox::ButtonOKClick);
    CenterOverActiveForm(this);
}

int TFormListBox::SelectedIndex() const {
    const QListWidgetItem* item = ListBox->currentItem();
    return item && item->isSelected() ? ListBox->row(item) : -1;
}

void TFormListBox::ButtonOKClick() {
    if (SelectedIndex() < 0) return;
    accept();
}

void TFormListBox::ButtonDeleteClick() {
    const int index = SelectedIndex();
    if (index < 0) return;
    Entries.erase(Entries.begin() + index);
    delete ListBox->takeItem(index);
    if (ListBox->count() > 0) ListBox->setCurrentRow(std::min(index, ListBox->count() - 1));
}
