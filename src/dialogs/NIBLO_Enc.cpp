// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/NIBLO_Enc.h"

#include "kit/DialogFrame.h"
#include "controls/JkHist.h"
#include "controls/JkNumEdit.h"
#include "controls/JkRadioBtn.h"
#include "dialogs/DialogFields.h"
#include "engine/text/HexText.h"
#include "engine/text/StringTable.h"
#include "kit/Jkdialog.h"
#include "kit/RadioGroup.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

TFormEncode::TFormEncode(QWidget* parent, Engine::TByteOrder order)
    : QDialog(parent, DialogFlags), Order(order) {
    setObjectName(QStringLiteral("FormEncode"));
    setWindowTitle(tr("Encode integer"));
    setProperty("helpContext", HelpContext);
    BuildLayout();
    JkNumEdit1->setFocus();
    setFixedSize(minimumSizeHint().expandedTo(QSize(423, 221)));
    CenterOverActiveForm(this);
    RefitLabels(this);
    JkHistoryEnc->LoadHistory();
}

TFormEncode::~TFormEncode() {
    ReleaseFocus(this);
    JkHistoryEnc->SaveHistory();
}

void TFormEncode::BuildLayout() {
    GroupBox1 = new QGroupBox(tr("Encode"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Label1 = new QLabel(tr("&Number:"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    JkNumEdit1 = new TJkNumEdit;
    JkNumEdit1->setObjectName(QStringLiteral("JkNumEdit1"));
    JkNumEdit1->SetDigitsInt(10);
    JkNumEdit1->SetDigitsFrac(0);
    JkNumEdit1->SetMin(-2147483647.0L);
    JkNumEdit1->SetMax(2147483647.0L);
    JkNumEdit1->setText(QStringLiteral("0"));
    JkHistoryEnc = NewHistory(GroupBox1, JkNumEdit1, QStringLiteral("JkHistoryEnc"), false);
    Label1->setBuddy(JkNumEdit1);
    RadioGroupAs = new TRadioGroup(tr("as"),
                                   {tr("&shortint (1 byte)"), tr("&byte (1 byte)"), tr("&word (2 bytes)"),
                                    tr("&integer (2 bytes)"), tr("&longint (4 bytes)")},
                                   GroupBox1);
    RadioGroupAs->setObjectName(QStringLiteral("RadioGroupAs"));
    RadioGroupAs->SetItemIndex(0);
    auto* encode = new QGridLayout(GroupBox1);
    encode->addWidget(Label1, 0, 0);
    encode->addWidget(JkHistoryEnc, 1, 0);
    encode->setRowStretch(2, 1);
    encode->addWidget(RadioGroupAs, 0, 1, 3, 1);

    GroupBox2 = new QGroupBox(tr("Output"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    LabelByteOrder = new QLabel(QString::fromUtf8(Engine::ByteOrderText(Order)), GroupBox2);
    LabelByteOrder->setObjectName(QStringLiteral("LabelByteOrder"));
    JkRadioBtnInsert = new TJkRadioBtn(tr("Ins&ert before current adress"), GroupBox2);
    JkRadioBtnInsert->setObjectName(QStringLiteral("JkRadioBtnInsert"));
    JkRadioBtnOver = new TJkRadioBtn(tr("&Overwrite at current adress"), GroupBox2);
    JkRadioBtnOver->setObjectName(QStringLiteral("JkRadioBtnOver"));
    JkRadioBtnHere = new TJkRadioBtn(tr("&Here"), GroupBox2);
    JkRadioBtnHere->setObjectName(QStringLiteral("JkRadioBtnHere"));
    EditHere = new QLineEdit(GroupBox2);
    EditHere->setObjectName(QStringLiteral("EditHere"));
    EditHere->setReadOnly(true);
    JkRadioBtnInsert->setChecked(true);
    JkRadioBtnHere->SetControl(EditHere);
    auto* output = new QGridLayout(GroupBox2);
    output->addWidget(LabelByteOrder, 0, 0, 1, 2);
    output->addWidget(JkRadioBtnInsert, 1, 0, 1, 2);
    output->addWidget(JkRadioBtnOver, 2, 0, 1, 2);
    output->addWidget(JkRadioBtnHere, 3, 0);
    output->addWidget(EditHere, 3, 1);

    const TDialogButtons dialogButtons = NewDialogButtons(this, true);
    ButtonOK = dialogButtons.Ok;
    ButtonCancel = dialogButtons.Cancel;
    ButtonHelp = dialogButtons.Help;
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ButtonOK);
    buttons->addWidget(ButtonCancel);
    buttons->addWidget(ButtonHelp);
    buttons->addStretch(1);
    auto* groups = new QVBoxLayout;
    groups->addWidget(GroupBox1);
    groups->addWidget(GroupBox2);
    auto* form = new QHBoxLayout(this);
    form->addLayout(groups, 1);
    form->addLayout(buttons);

    connect(ButtonOK, &QPushButton::clicked, this, &TFormEncode::ButtonOKClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButtonHelp, &QPushButton::clicked, this, [] { ShowHelpTopic(HelpContext); });
}

void TFormEncode::ButtonOKClick() {
    // Read before the field is left: leaving it replaces a text it cannot read with its entry value.
    const QString text = JkNumEdit1->text();
    long double value = 0;
    const bool readable = !text.isEmpty() && !text.contains(QLatin1Char(' ')) &&
                          TJkNumEdit::ParseNumber(text, JkNumEdit1->Hex(), value);
    // Leaving the field hands its text to the history and normalizes it.
    ButtonOK->setFocus(Qt::OtherFocusReason);
    const auto type = static_cast<Engine::TIntType>(std::max(0, RadioGroupAs->ItemIndex()));
    // Whole numbers only; anything beyond 32 bits is out of every type's range.
    value = std::trunc(value);
    std::optional<std::vector<uint8_t>> bytes;
    if (readable && std::fabs(value) <= 4294967296.0L) {
        int64_t number = static_cast<int64_t>(value);
        // The field shows negative numbers in hexadecimal as their 32-bit pattern and reads them so.
        if (JkNumEdit1->Hex() || text.startsWith(QLatin1Char('$'))) number = Engine::FromHexPattern(number);
        bytes = Engine::EncodeInteger(number, type, Order);
    }
    if (!bytes) {
        RefuseInput(Texts::ValueOutOfRange, nullptr);
        return;
    }
    EncodedBytes = *bytes;
    OverwriteOutput = JkRadioBtnOver->isChecked();
    if (JkRadioBtnHere->isChecked()) {
        // Only shown: the user may change the number or the type and look again.
        const std::string raw(EncodedBytes.begin(), EncodedBytes.end());
        EditHere->setText(QString::fromLatin1(BytesToHex(raw, true)));
        return;
    }
    accept();
}
