// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/NIBLO_Ins.h"

#include "kit/UiApplication.h"

#include "kit/DialogFrame.h"
#include "controls/JkByteEdit.h"
#include "controls/JkHist.h"
#include "controls/JkNumEdit.h"
#include "controls/JkRadioBtn.h"
#include "controls/JkTextEdit.h"
#include "dialogs/DialogFields.h"
#include "engine/editing/Editing.h"
#include "engine/text/StringTable.h"
#include "kit/Jkdialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cstdint>

TFormIns::TFormIns(QWidget* parent) : QDialog(parent, DialogFlags | Qt::WindowContextHelpButtonHint) {
    setObjectName(QStringLiteral("FormIns"));
    setWindowTitle(tr("Insert"));
    setProperty("helpContext", HelpContext);
    BuildLayout();
    // Typing starts in the field of the selected kind (the hex one takes over when it is chosen).
    EditInsT->setFocus();
    setFixedSize(minimumSizeHint().expandedTo(QSize(374, 237)));
    CenterOverActiveForm(this);
    RefitLabels(this);
    for (TJkHistory* history : {JkHistoryInsT, JkHistoryInsH, JkHistoryInsN})
        history->LoadHistory();
    SelectHexWhenDollar(JkNumEdit1, RadioButtonHexN);
}

TFormIns::~TFormIns() {
    ReleaseFocus(this);
    for (TJkHistory* history : {JkHistoryInsT, JkHistoryInsH, JkHistoryInsN})
        history->SaveHistory();
}

void TFormIns::BuildLayout() {
    const TTextHexSide insert =
        NewTextHexSide(this, {tr("Insert"), "GroupBox1", tr("&Text"), "JkRadioBtnText", "EditInsT",
                              "JkHistoryInsT", tr("Te&xt -> Hex"), "BitBtnConvert", tr("&Hex sequence"),
                              "JkRadioBtnHex", "JkByteEditInsH", "JkHistoryInsH"});
    GroupBox1 = insert.Group;
    JkRadioBtnText = insert.TextButton;
    EditInsT = insert.TextEdit;
    JkHistoryInsT = insert.TextHistory;
    BitBtnConvert = insert.Convert;
    JkRadioBtnHex = insert.HexButton;
    JkByteEditInsH = insert.HexEdit;
    JkHistoryInsH = insert.HexHistory;

    GroupBox2 = new QGroupBox(tr("Insert <n> times"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    const TCountField count =
        NewCountField(GroupBox2, "RadioButtonDecN", "RadioButtonHexN", QStringLiteral("JkHistoryInsN"), 1);
    RadioButtonDecN = count.Dec;
    RadioButtonHexN = count.Hex;
    JkNumEdit1 = count.Edit;
    JkHistoryInsN = count.History;
    auto* countRow = new QHBoxLayout(GroupBox2);
    countRow->addWidget(RadioButtonDecN);
    countRow->addWidget(RadioButtonHexN);
    countRow->addWidget(JkHistoryInsN, 1);

    const TDialogButtons dialogButtons = NewDialogButtons(this, true);
    ButtonOK = dialogButtons.Ok;
    ButtonCancel = dialogButtons.Cancel;
    ButtonHelp = dialogButtons.Help;
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonOK);
    buttons->addWidget(ButtonCancel);
    buttons->addWidget(ButtonHelp);
    auto* form = new QVBoxLayout(this);
    form->addWidget(GroupBox1);
    form->addWidget(GroupBox2);
    form->addStretch(1);
    form->addLayout(buttons);

    connect(ButtonOK, &QPushButton::clicked, this, &TFormIns::ButtonOKClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButtonHelp, &QPushButton::clicked, this, [] { ShowHelpTopic(HelpContext); });
}

bool TFormIns::TakeBytes() {
    if (JkRadioBtnText->isChecked()) {
        InsertBytes = EditInsT->Bytes();
        if (InsertBytes.isEmpty()) {
            RefuseInput(Texts::CantInsertEmptyString, EditInsT);
            return false;
        }
    } else if (JkByteEditInsH->IsValid()) {
        InsertBytes = JkByteEditInsH->ASCII();
    } else {
        RefuseInput(Texts::HexSequenceInvalid, JkByteEditInsH);
        return false;
    }
    return true;
}

bool TFormIns::TakeCount() {
    qint64 count = 0;
    // Below 1 would open a gap of negative size (a pasted "-5", a stored entry); room is checked next.
    if (!JkNumEdit1->IntegerValue(count, true) || count < 1) {
        RefuseInput(Texts::CantInsertEmptyString, JkNumEdit1);
        return false;
    }
    InsertCount = count;
    return true;
}

void TFormIns::ButtonOKClick() {
    // Leaving the fields hands their texts to the histories and normalizes the count.
    ButtonOK->setFocus(Qt::OtherFocusReason);
    const bool bytesOk = TakeBytes();
    const bool countOk = TakeCount();
    if (!bytesOk || !countOk) return;
    // The insertion must fit into the buffer as it is; the product is formed in 64 bits.
    if (!Engine::InsertionFits(UiDocument(), static_cast<size_t>(InsertBytes.size()), InsertCount)) {
        ErrorBox(QString::fromUtf8(Texts::CantAllocate));
        return;
    }
    accept();
}
