// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/NumberDialog.h"

#include "kit/UiApplication.h"

#include "engine/document/EngineState.h"
#include "engine/document/Navigation.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "kit/DialogFrame.h"
#include "controls/JkHist.h"
#include "controls/JkNumEdit.h"
#include "dialogs/DialogFields.h"
#include "kit/Jkdialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <string>

TNumberDialog::TNumberDialog(QWidget* parent, const TLook& look) : QDialog(parent, DialogFlags), Look(look) {
    setWindowTitle(look.Caption);
    if (look.HelpContext != 0) setProperty("helpContext", look.HelpContext);

    GroupBox1 = new QGroupBox(look.GroupCaption, this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    const TCountField count = NewCountField(GroupBox1, "RadioButtonDec", "RadioButtonHex",
                                            QString::fromLatin1(look.HistorySection), 0);
    RadioButtonDec = count.Dec;
    RadioButtonHex = count.Hex;
    JkNumEdit1 = count.Edit;
    History = count.History;
    const Engine::TDocument* const shown = UiDocumentIfAny();
    const int64_t fileSize = shown ? shown->Store.FileSize() : 0;
    // The designed eight digits cannot reach every address of a larger file: then the field takes as many
    // as the file's size has, and one more for the "$" of hex.
    if (fileSize > 99999999) {
        JkNumEdit1->SetHexLimit(INT64_MAX);
        JkNumEdit1->SetMax(static_cast<long double>(fileSize));
        JkNumEdit1->SetDigitsInt(static_cast<int>(std::to_string(fileSize).size()) + 1);
    }
    auto* group = new QVBoxLayout(GroupBox1);
    group->addWidget(RadioButtonDec);
    group->addWidget(RadioButtonHex);
    group->addWidget(History);

    const TDialogButtons dialogButtons = NewDialogButtons(this, look.HelpContext != 0);
    ButtonOK = dialogButtons.Ok;
    ButtonCancel = dialogButtons.Cancel;
    ButtonHelp = dialogButtons.Help;
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonOK);
    buttons->addWidget(ButtonCancel);
    if (ButtonHelp) {
        buttons->addWidget(ButtonHelp);
        const int topic = look.HelpContext;
        connect(ButtonHelp, &QPushButton::clicked, this, [topic] { ShowHelpTopic(topic); });
    }
    Top = new QHBoxLayout;
    Top->addWidget(GroupBox1, 1);
    auto* form = new QVBoxLayout(this);
    form->addLayout(Top);
    form->addStretch(1);
    form->addLayout(buttons);

    connect(ButtonOK, &QPushButton::clicked, this, &TNumberDialog::ButtonOKClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    JkNumEdit1->setFocus();
}


TNumberDialog::~TNumberDialog() {
    ReleaseFocus(this);
    History->SaveHistory();
}

void TNumberDialog::Finish() {
    setFixedSize(minimumSizeHint().expandedTo(Look.ClientSize));
    CenterOverActiveForm(this);
    RefitLabels(this);
    History->LoadHistory();
    SelectHexWhenDollar(JkNumEdit1, RadioButtonHex);
}

std::optional<int64_t> TNumberDialog::ReadNumber() const {
    // Addresses and sizes take 63 bits; the dialog's rule decides what the file admits.
    return Engine::ReadAddressText(JkNumEdit1->text().toStdString(), JkNumEdit1->Hex());
}

void TNumberDialog::ButtonOKClick() {
    // Read before the field is left: leaving it replaces a text it cannot read with its entry value,
    // which must not be taken for what the user typed.
    const std::string text = JkNumEdit1->text().toStdString();
    const std::optional<int64_t> n = ReadNumber();
    // Typing refuses what is no digit, but a pasted text may hold it: the message names it.
    const std::string stray(Engine::StrayAddressChar(text, JkNumEdit1->Hex()));
    const bool hex = JkNumEdit1->Hex() || Engine::HexPrefixLength(text) > 0;
    // Leaving the field hands its text to the history and normalizes it.
    ButtonOK->setFocus(Qt::OtherFocusReason);
    const std::optional<int64_t> result = n ? Take(*n) : std::nullopt;
    if (!result) {
        if (stray.empty())
            RefuseInput(Look.InvalidText, nullptr);
        else
            RefuseInput(FormatText(Texts::NoDigitOf, {Look.InvalidText, stray,
                                                      hex ? Texts::BaseHexadecimal : Texts::BaseDecimal})
                            .c_str(),
                        nullptr);
        return;
    }
    Number = *result;
    accept();
}
