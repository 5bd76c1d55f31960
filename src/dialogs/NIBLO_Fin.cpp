// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/NIBLO_Fin.h"

#include "kit/DialogFrame.h"
#include "controls/JkByteEdit.h"
#include "controls/JkHist.h"
#include "controls/JkRadioBtn.h"
#include "controls/JkTextEdit.h"
#include "dialogs/DialogFields.h"
#include "engine/search/BytesPattern.h"
#include "engine/search/SearchRequest.h"
#include "engine/text/StringTable.h"
#include "kit/Jkdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>

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

    BuildKindGroup();

    const TDialogButtons dialogButtons = NewDialogButtons(this, true);
    ButtonOK = dialogButtons.Ok;
    ButtonCancel = dialogButtons.Cancel;
    ButtonHelp = dialogButtons.Help;

    auto* middle = new QHBoxLayout;
    middle->addWidget(GroupBox2, 1);
    middle->addWidget(GroupBox3);
    auto* buttons = new QHBoxLayout;
    ButtonFindAll = new QPushButton(tr("Find &all"), this);
    ButtonFindAll->setObjectName(QStringLiteral("ButtonFindAll"));
    buttons->addWidget(ButtonFindAll);
    buttons->addStretch(1);
    buttons->addWidget(ButtonOK);
    buttons->addWidget(ButtonCancel);
    buttons->addWidget(ButtonHelp);
    auto* form = new QVBoxLayout(this);
    form->addWidget(GroupBox1);
    form->addLayout(middle);
    form->addWidget(GroupBox4);
    form->addStretch(1);
    form->addLayout(buttons);

    connect(ButtonOK, &QPushButton::clicked, this, &TFormFind::ButtonOKClick);
    connect(ButtonFindAll, &QPushButton::clicked, this, &TFormFind::ButtonFindAllClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButtonHelp, &QPushButton::clicked, this, [this] { ShowHelpTopic(HelpContext); });
}

void TFormFind::BuildKindGroup() {
    GroupBox4 = new QGroupBox(tr("Find all"), this);
    GroupBox4->setObjectName(QStringLiteral("GroupBox4"));
    const auto combo = [this](const char* name, const QStringList& items) {
        auto* box = new QComboBox(GroupBox4);
        box->setObjectName(QString::fromLatin1(name));
        box->addItems(items);
        return box;
    };
    ComboBoxKind = combo("ComboBoxKind", {tr("Text or hex sequence above"), tr("Number"), tr("Unicode text"),
                                          tr("Regular expression")});
    auto* kindLabel = new QLabel(tr("Fi&nd:"), GroupBox4);
    kindLabel->setBuddy(ComboBoxKind);
    EditValue = new QLineEdit(GroupBox4);
    EditValue->setObjectName(QStringLiteral("EditValue"));
    ComboBoxNumber = combo("ComboBoxNumber", {tr("Signed"), tr("Unsigned"), tr("Float")});
    ComboBoxWidth = combo("ComboBoxWidth", {tr("1 byte"), tr("2 bytes"), tr("4 bytes"), tr("8 bytes"),
                                            tr("Any width")});
    ComboBoxOrder = combo("ComboBoxOrder", {tr("Little endian"), tr("Big endian"), tr("Any order")});
    EditTolerance = new QLineEdit(GroupBox4);
    EditTolerance->setObjectName(QStringLiteral("EditTolerance"));
    EditTolerance->setPlaceholderText(tr("Tolerance"));
    SpinAlignment = new QSpinBox(GroupBox4);
    SpinAlignment->setObjectName(QStringLiteral("SpinAlignment"));
    SpinAlignment->setRange(1, 4096);
    SpinAlignment->setPrefix(tr("Align "));
    ComboBoxEncoding = combo("ComboBoxEncoding", {tr("UTF-8"), tr("UTF-16LE"), tr("UTF-16BE")});
    auto* grid = new QGridLayout(GroupBox4);
    grid->addWidget(kindLabel, 0, 0);
    grid->addWidget(ComboBoxKind, 0, 1, 1, 2);
    grid->addWidget(EditValue, 0, 3, 1, 3);
    grid->addWidget(ComboBoxNumber, 1, 0, 1, 2);
    grid->addWidget(ComboBoxWidth, 1, 2);
    grid->addWidget(ComboBoxOrder, 1, 3);
    grid->addWidget(SpinAlignment, 1, 4, 1, 2);
    grid->addWidget(ComboBoxEncoding, 2, 0, 1, 2);
    grid->addWidget(EditTolerance, 2, 2, 1, 2);
    connect(ComboBoxKind, &QComboBox::currentIndexChanged, this, &TFormFind::KindChanged);
    connect(ComboBoxNumber, &QComboBox::currentIndexChanged, this, &TFormFind::KindChanged);
    KindChanged();
}

void TFormFind::KindChanged() {
    using TKind = TSearchRequest::TKind;
    const auto kind = TKind(ComboBoxKind->currentIndex());
    const bool number = kind == TKind::Number;
    EditValue->setEnabled(kind != TKind::Bytes);
    for (QWidget* field : {static_cast<QWidget*>(ComboBoxNumber), static_cast<QWidget*>(ComboBoxWidth),
                           static_cast<QWidget*>(ComboBoxOrder), static_cast<QWidget*>(SpinAlignment)})
        field->setEnabled(number);
    EditTolerance->setEnabled(number && ComboBoxNumber->currentIndex() == 2);
    ComboBoxEncoding->setEnabled(kind == TKind::Unicode);
    // Find and Count look for the bytes only.
    if (ButtonOK) ButtonOK->setEnabled(kind == TKind::Bytes || !FindAllOffered);
}

void TFormFind::OfferFindAll(bool on) {
    FindAllOffered = on;
    ButtonFindAll->setVisible(on);
    GroupBox4->setVisible(on);
    KindChanged();
    setFixedSize(minimumSizeHint().expandedTo(QSize(374, 232)));
}

void TFormFind::LoadRequest(const TSearchRequest& request) {
    CheckBoxCase->setChecked(request.CaseSensitive);
    CheckBoxJoker->setChecked(request.JokerEnabled);
    JkByteEditJoker->SetASCII(QByteArray(1, static_cast<char>(request.JokerChar)));
    ShowJoker(JkByteEditJoker, LabelJoker);
    (request.PatternAsText ? JkRadioBtnText : JkRadioBtnHex)->setChecked(true);
    (request.SearchDown ? RadioButtonDown : RadioButtonUp)->setChecked(true);
    ComboBoxKind->setCurrentIndex(int(request.Kind));
    EditValue->setText(QString::fromStdString(request.Value));
    ComboBoxNumber->setCurrentIndex(request.NumberKind);
    const int width = request.NumberWidth;
    ComboBoxWidth->setCurrentIndex(width == 1 ? 0 : width == 2 ? 1 : width == 8 ? 3 : width == 0 ? 4 : 2);
    ComboBoxOrder->setCurrentIndex(request.NumberOrder);
    EditTolerance->setText(QString::fromStdString(request.Tolerance));
    SpinAlignment->setValue(request.Alignment);
    ComboBoxEncoding->setCurrentIndex(request.Encoding);
    KindChanged();
}

void TFormFind::StoreRequest(TSearchRequest& request) const {
    request.CaseSensitive = CheckBoxCase->isChecked();
    request.JokerEnabled = CheckBoxJoker->isChecked();
    if (const QByteArray joker = JkByteEditJoker->ASCII(); !joker.isEmpty())
        request.JokerChar = static_cast<uint8_t>(joker.at(0));
    request.PatternAsText = JkRadioBtnText->isChecked();
    request.SearchDown = RadioButtonDown->isChecked();
    // Find all of a number, text or expression leaves the bytes of Find again as they were.
    if (!Pattern.isEmpty()) request.Pattern = ToByteVector(Pattern);
    request.Kind = TSearchRequest::TKind(ComboBoxKind->currentIndex());
    request.Value = EditValue->text().toStdString();
    request.NumberKind = uint8_t(ComboBoxNumber->currentIndex());
    request.NumberWidth = std::array{1, 2, 4, 8, 0}[size_t(ComboBoxWidth->currentIndex())];
    request.NumberOrder = uint8_t(ComboBoxOrder->currentIndex());
    request.Tolerance = EditTolerance->text().toStdString();
    request.Alignment = SpinAlignment->value();
    request.Encoding = uint8_t(ComboBoxEncoding->currentIndex());
}

void TFormFind::ButtonOKClick() {
    // Leaving the fields hands their texts to the histories.
    ButtonOK->setFocus(Qt::OtherFocusReason);
    // The joker byte must be sound even while the joker is off: it is stored with the options.
    if (TakeBytes()) accept();
}

bool TFormFind::TakeBytes() {
    if (!JkByteEditJoker->IsValid()) return RefuseInput(Texts::EnterJokerChar, JkByteEditJoker), false;
    if (JkRadioBtnText->isChecked()) {
        if (EditFindT->text().isEmpty()) return RefuseInput(Texts::CantFindEmptyString, EditFindT), false;
        Pattern = EditFindT->Bytes();
    } else if (JkByteEditFindH->IsValid()) {
        Pattern = JkByteEditFindH->ASCII();
    } else {
        return RefuseInput(Texts::HexSequenceInvalid, JkByteEditFindH), false;
    }
    return true;
}

void TFormFind::ButtonFindAllClick() {
    ButtonFindAll->setFocus(Qt::OtherFocusReason);
    const bool bytes = ComboBoxKind->currentIndex() == int(TSearchRequest::TKind::Bytes);
    if (bytes && !TakeBytes()) return;
    // The engine judges the request as it will search it; what it refuses never runs.
    TSearchRequest request;
    StoreRequest(request);
    std::string error;
    if (!Engine::MakeFindPattern(request, error)) return RefuseInput(error.c_str(), bytes ? nullptr : EditValue);
    FindAllPressed = true;
    accept();
}
