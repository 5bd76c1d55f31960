// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/NIBLO_Fin.h"

#include "kit/DialogFrame.h"
#include "controls/JkByteEdit.h"
#include "controls/JkHist.h"
#include "controls/JkRadioBtn.h"
#include "controls/JkTextEdit.h"
#include "dialogs/DialogFields.h"
#include "engine/search/SearchRequest.h"
#include "engine/text/StringTable.h"
#include "kit/Jkdialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TFormFind::TFormFind(QWidget* parent) : QDialog(parent, DialogFlags | Qt::WindowContextHelpButtonHint) {
    setObjectName(QStringLiteral("FormFind"));
    setWindowTitle(tr("Find/Count"));
    BuildLayout();
    // Typing starts in the field of the selected kind (the hex one takes over when it is chosen).
    EditFindT->setFocus();
    setFixedSize(minimumSizeHint().expandedTo(QSize(374, 232)));
    CenterOverActiveForm(this);
    RefitLabels(this);
    JkHistoryFindT->LoadHistory();
    JkHistoryFindH->LoadHistory();
}

TFormFind::~TFormFind() {
    ReleaseFocus(this);
    JkHistoryFindT->SaveHistory();
    JkHistoryFindH->SaveHistory();
}

void TFormFind::BuildLayout() {
    const TTextHexSide find =
        NewTextHexSide(this, {tr("Find"), "GroupBox1", tr("&Text"), "JkRadioBtnText", "EditFindT",
                              "JkHistoryFindT", tr("Text -> Hex"), "BitBtnConvert", tr("&Hex sequence"),
                              "JkRadioBtnHex", "JkByteEditFindH", "JkHistoryFindH"});
    GroupBox1 = find.Group;
    JkRadioBtnText = find.TextButton;
    EditFindT = find.TextEdit;
    JkHistoryFindT = find.TextHistory;
    BitBtnConvert = find.Convert;
    JkRadioBtnHex = find.HexButton;
    JkByteEditFindH = find.HexEdit;
    JkHistoryFindH = find.HexHistory;

    GroupBox2 = new QGroupBox(tr("Options"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    CheckBoxCase = new QCheckBox(tr("&Case sensitive"), GroupBox2);
    CheckBoxCase->setObjectName(QStringLiteral("CheckBoxCase"));
    CheckBoxJoker = new QCheckBox(tr("&Joker char hex:"), GroupBox2);
    CheckBoxJoker->setObjectName(QStringLiteral("CheckBoxJoker"));
    JkByteEditJoker = new TJkByteEdit(GroupBox2);
    JkByteEditJoker->setObjectName(QStringLiteral("JkByteEditJoker"));
    LabelJoker = new QLabel(GroupBox2);
    LabelJoker->setObjectName(QStringLiteral("LabelJoker"));
    SetUpJoker(JkByteEditJoker, LabelJoker);
    auto* options = new QGridLayout(GroupBox2);
    options->addWidget(CheckBoxCase, 0, 0, 1, 3);
    options->addWidget(CheckBoxJoker, 1, 0);
    options->addWidget(JkByteEditJoker, 1, 1);
    options->addWidget(LabelJoker, 1, 2);
    options->setColumnStretch(2, 1);

    GroupBox3 = new QGroupBox(tr("Direction"), this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    RadioButtonDown = new QRadioButton(tr("&Down"), GroupBox3);
    RadioButtonDown->setObjectName(QStringLiteral("RadioButtonDown"));
    RadioButtonUp = new QRadioButton(tr("&Up"), GroupBox3);
    RadioButtonUp->setObjectName(QStringLiteral("RadioButtonUp"));
    RadioButtonDown->setChecked(true);
    auto* direction = new QVBoxLayout(GroupBox3);
    direction->addWidget(RadioButtonDown);
    direction->addWidget(RadioButtonUp);

    const TDialogButtons dialogButtons = NewDialogButtons(this, true);
    ButtonOK = dialogButtons.Ok;
    ButtonCancel = dialogButtons.Cancel;
    ButtonHelp = dialogButtons.Help;

    auto* middle = new QHBoxLayout;
    middle->addWidget(GroupBox2, 1);
    middle->addWidget(GroupBox3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonOK);
    buttons->addWidget(ButtonCancel);
    buttons->addWidget(ButtonHelp);
    auto* form = new QVBoxLayout(this);
    form->addWidget(GroupBox1);
    form->addLayout(middle);
    form->addStretch(1);
    form->addLayout(buttons);

    connect(ButtonOK, &QPushButton::clicked, this, &TFormFind::ButtonOKClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButtonHelp, &QPushButton::clicked, this, [this] { ShowHelpTopic(HelpContext); });
}

void TFormFind::LoadRequest(const TSearchRequest& request) {
    CheckBoxCase->setChecked(request.CaseSensitive);
    CheckBoxJoker->setChecked(request.JokerEnabled);
    JkByteEditJoker->SetASCII(QByteArray(1, static_cast<char>(request.JokerChar)));
    ShowJoker(JkByteEditJoker, LabelJoker);
    (request.PatternAsText ? JkRadioBtnText : JkRadioBtnHex)->setChecked(true);
    (request.SearchDown ? RadioButtonDown : RadioButtonUp)->setChecked(true);
}

void TFormFind::StoreRequest(TSearchRequest& request) const {
    request.CaseSensitive = CheckBoxCase->isChecked();
    request.JokerEnabled = CheckBoxJoker->isChecked();
    if (const QByteArray joker = JkByteEditJoker->ASCII(); !joker.isEmpty())
        request.JokerChar = static_cast<uint8_t>(joker.at(0));
    request.PatternAsText = JkRadioBtnText->isChecked();
    request.SearchDown = RadioButtonDown->isChecked();
    request.Pattern = ToByteVector(Pattern);
}

void TFormFind::ButtonOKClick() {
    // Leaving the fields hands their texts to the histories.
    ButtonOK->setFocus(Qt::OtherFocusReason);
    // The joker byte must be sound even while the joker is off: it is stored with the options.
    if (!JkByteEditJoker->IsValid()) return RefuseInput(Texts::EnterJokerChar, JkByteEditJoker);
    if (JkRadioBtnText->isChecked()) {
        if (EditFindT->text().isEmpty()) return RefuseInput(Texts::CantFindEmptyString, EditFindT);
        Pattern = EditFindT->Bytes();
    } else if (JkByteEditFindH->IsValid()) {
        Pattern = JkByteEditFindH->ASCII();
    } else {
        return RefuseInput(Texts::HexSequenceInvalid, JkByteEditFindH);
    }
    accept();
}
