// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/NIBLO_Rep.h"

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
#include <QVBoxLayout>

namespace {

QPushButton* NewButton(const QString& caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

template <typename T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

TFormReplace::TFormReplace(QWidget* parent) : QDialog(parent, DialogFlags | Qt::WindowContextHelpButtonHint) {
    setObjectName(QStringLiteral("FormReplace"));
    setWindowTitle(tr("Replace"));
    setProperty("helpContext", HelpContext);
    BuildLayout();
    setFixedSize(minimumSizeHint().expandedTo(QSize(376, 318)));
    CenterOverActiveForm(this);
    RefitLabels(this);
    for (TJkHistory* history : {JkHistoryFindT, JkHistoryFindH, JkHistoryReplT, JkHistoryReplH})
        history->LoadHistory();
}

TFormReplace::~TFormReplace() {
    ReleaseFocus(this);
    for (TJkHistory* history : {JkHistoryFindT, JkHistoryFindH, JkHistoryReplT, JkHistoryReplH})
        history->SaveHistory();
}

void TFormReplace::BuildLayout() {
    const TTextHexSide find =
        NewTextHexSide(this, {tr("Find"), "GroupBox1", tr("&Text"), "JkRadioBtnFindT", "EditFindT",
                              "JkHistoryFindT", tr("Text -> Hex"), "BitBtnConvFind", tr("&Hex sequence"),
                              "JkRadioBtnFindH", "JkByteEditFindH", "JkHistoryFindH"});
    GroupBox1 = find.Group;
    JkRadioBtnFindT = find.TextButton;
    EditFindT = find.TextEdit;
    JkHistoryFindT = find.TextHistory;
    BitBtnConvFind = find.Convert;
    JkRadioBtnFindH = find.HexButton;
    JkByteEditFindH = find.HexEdit;
    JkHistoryFindH = find.HexHistory;

    const TTextHexSide replacement =
        NewTextHexSide(this, {tr("Replace with"), "GroupBox2", tr("T&ext"), "JkRadioBtnReplT", "EditReplT",
                              "JkHistoryReplT", tr("Text -> Hex"), "BitBtnConvertRepl", tr("He&x sequence"),
                              "JkRadioBtnReplH", "JkByteEditReplH", "JkHistoryReplH"});
    GroupBox2 = replacement.Group;
    JkRadioBtnReplT = replacement.TextButton;
    EditReplT = replacement.TextEdit;
    JkHistoryReplT = replacement.TextHistory;
    BitBtnConvertRepl = replacement.Convert;
    JkRadioBtnReplH = replacement.HexButton;
    JkByteEditReplH = replacement.HexEdit;
    JkHistoryReplH = replacement.HexHistory;

    GroupBox3 = Named(new QGroupBox(tr("Options"), this), "GroupBox3");
    CheckBoxCase = Named(new QCheckBox(tr("Case &sensitive"), GroupBox3), "CheckBoxCase");
    CheckBoxJoker = Named(new QCheckBox(tr("&Joker char hex:"), GroupBox3), "CheckBoxJoker");
    JkByteEditJoker = Named(new TJkByteEdit(GroupBox3), "JkByteEditJoker");
    LabelJoker = Named(new QLabel(GroupBox3), "LabelJoker");
    SetUpJoker(JkByteEditJoker, LabelJoker);
    auto* options = new QGridLayout(GroupBox3);
    options->addWidget(CheckBoxCase, 0, 0, 1, 3);
    options->addWidget(CheckBoxJoker, 1, 0);
    options->addWidget(JkByteEditJoker, 1, 1);
    options->addWidget(LabelJoker, 1, 2);
    options->setColumnStretch(2, 1);

    ButtonOK = NewButton(tr("OK"), "ButtonOK", this);
    ButtonOK->setDefault(true);
    MarkAsOkButton(ButtonOK);
    ButtonReplAll = NewButton(tr("Replace &all"), "ButtonReplAll", this);
    MarkAsOkButton(ButtonReplAll);
    ButtonCancel = NewButton(tr("Cancel"), "ButtonCancel", this);
    ButtonHelp = NewButton(tr("Help"), "ButtonHelp", this);

    auto* fields = new QVBoxLayout;
    fields->addWidget(GroupBox1);
    fields->addWidget(GroupBox2);
    fields->addWidget(GroupBox3);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {ButtonOK, ButtonReplAll, ButtonCancel, ButtonHelp})
        buttons->addWidget(button);
    buttons->addStretch(1);
    auto* form = new QHBoxLayout(this);
    form->addLayout(fields, 1);
    form->addLayout(buttons);

    connect(ButtonOK, &QPushButton::clicked, this, [this] { ButtonOKClick(ButtonOK); });
    connect(ButtonReplAll, &QPushButton::clicked, this, [this] { ButtonOKClick(ButtonReplAll); });
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButtonHelp, &QPushButton::clicked, this, [] { ShowHelpTopic(HelpContext); });
}

void TFormReplace::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    (JkRadioBtnFindT->isChecked() ? static_cast<QWidget*>(EditFindT) : JkByteEditFindH)->setFocus();
}

void TFormReplace::LoadRequest(const TSearchRequest& request) {
    CheckBoxCase->setChecked(request.CaseSensitive);
    CheckBoxJoker->setChecked(request.JokerEnabled);
    JkByteEditJoker->SetASCII(QByteArray(1, static_cast<char>(request.JokerChar)));
    ShowJoker(JkByteEditJoker, LabelJoker);
    (request.PatternAsText ? JkRadioBtnFindT : JkRadioBtnFindH)->setChecked(true);
    (request.ReplacementAsText ? JkRadioBtnReplT : JkRadioBtnReplH)->setChecked(true);
}

void TFormReplace::StoreRequest(TSearchRequest& request) const {
    request.CaseSensitive = CheckBoxCase->isChecked();
    request.JokerEnabled = CheckBoxJoker->isChecked();
    if (const QByteArray joker = JkByteEditJoker->ASCII(); !joker.isEmpty())
        request.JokerChar = static_cast<uint8_t>(joker.at(0));
    request.PatternAsText = JkRadioBtnFindT->isChecked();
    request.ReplacementAsText = JkRadioBtnReplT->isChecked();
    request.Pattern = ToByteVector(Pattern);
    request.Replacement = ToByteVector(Replacement);
}

bool TFormReplace::TakePattern() {
    if (!JkByteEditJoker->IsValid()) {
        RefuseInput(Texts::EnterJokerChar, JkByteEditJoker);
        return false;
    }
    if (JkRadioBtnFindT->isChecked()) {
        if (EditFindT->text().isEmpty()) {
            RefuseInput(Texts::CantFindEmptyString, EditFindT);
            return false;
        }
        Pattern = EditFindT->Bytes();
    } else if (JkByteEditFindH->IsValid()) {
        Pattern = JkByteEditFindH->ASCII();
    } else {
        RefuseInput(Texts::HexSequenceInvalid, JkByteEditFindH);
        return false;
    }
    return true;
}

bool TFormReplace::TakeReplacement() {
    // An empty replacement deletes each hit.
    if (JkRadioBtnReplT->isChecked()) {
        Replacement = EditReplT->Bytes();
    } else if (JkByteEditReplH->text().isEmpty()) {
        Replacement.clear();
    } else if (JkByteEditReplH->IsValid()) {
        Replacement = JkByteEditReplH->ASCII();
    } else {
        RefuseInput(Texts::HexSequenceInvalid, JkByteEditReplH);
        return false;
    }
    return true;
}

void TFormReplace::ButtonOKClick(QPushButton* sender) {
    // Leaving the fields hands their texts to the histories.
    sender->setFocus(Qt::OtherFocusReason);
    // Both sides are checked, so that one visit reports every fault.
    const bool patternOk = TakePattern();
    const bool replacementOk = TakeReplacement();
    if (!patternOk || !replacementOk) return;
    ReplaceAllPressed = sender == ButtonReplAll;
    accept();
}
