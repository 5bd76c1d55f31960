// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/DialogFields.h"

#include "controls/JkByteEdit.h"
#include "controls/JkHist.h"
#include "controls/JkNumEdit.h"
#include "controls/JkRadioBtn.h"
#include "controls/JkTextEdit.h"
#include "engine/text/HexText.h"
#include "engine/search/SearchRequest.h"
#include "kit/Help.h"
#include "kit/Jkdialog.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

// Runs an action whenever the watched widget loses the focus.
class TExitWatcher : public QObject {
  public:
    TExitWatcher(QObject* watched, std::function<void()> action)
        : QObject(watched), Action(std::move(action)) {
        watched->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusOut) Action();
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> Action;
};

} // namespace

TJkHistory* NewHistory(QWidget* parent, QLineEdit* edit, const QString& section, bool caseSensitive) {
    auto* history = new TJkHistory(parent);
    history->setObjectName(section);
    history->SetLinkedEdit(edit);
    history->SetIniSection(section);
    history->SetCaseSensitive(caseSensitive);
    history->SetHistoryCount(8);
    history->SetDropDownCount(8);
    return history;
}

void ConvertTextToHex(const TJkTextEdit* text, TJkByteEdit* hex, TJkRadioBtn* hexButton) {
    hex->SetASCII(text->Bytes());
    hexButton->setChecked(true);
    hex->setFocus(Qt::OtherFocusReason);
}

void SetUpJoker(TJkByteEdit* joker, QLabel* label) {
    joker->SetMaxBytes(1);
    joker->setText(QString::fromStdString(
        BytesToHex(std::string_view(reinterpret_cast<const char*>(&DefaultJoker), 1), false)));
    // Two digits and the frame; the designed 25 pixels hold them only in the original's small font.
    joker->setFixedWidth(qMax(25, joker->fontMetrics().horizontalAdvance(QStringLiteral("WW")) + 12));
    ShowJoker(joker, label);
    new TExitWatcher(joker, [joker, label] { ShowJoker(joker, label); });
}

void ShowJoker(const TJkByteEdit* joker, QLabel* label) {
    label->setText(BytesToText(joker->ASCII()));
}

void RefuseInput(const char* message, QWidget* field) {
    ErrorBox(QString::fromUtf8(message));
    if (field) field->setFocus(Qt::OtherFocusReason);
}

void ReleaseFocus(QWidget* dialog) {
    if (QWidget* focused = dialog->focusWidget()) focused->clearFocus();
}

void MarkAsOkButton(QPushButton* button) {
    button->setProperty("ModalResult", 1);
}

void ShowHelpTopic(int helpContext) {
    HelpCommand(THelpCommand::Context, helpContext);
}

std::vector<uint8_t> ToByteVector(const QByteArray& bytes) {
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

TTextHexSide NewTextHexSide(QWidget* dialog, const TTextHexNames& names) {
    auto name = [](QWidget* widget, const char* objectName) {
        widget->setObjectName(QString::fromLatin1(objectName));
    };
    TTextHexSide side;
    side.Group = new QGroupBox(names.Title, dialog);
    name(side.Group, names.Group);
    side.TextButton = new TJkRadioBtn(names.TextCaption, side.Group);
    name(side.TextButton, names.TextButton);
    side.TextEdit = new TJkTextEdit;
    name(side.TextEdit, names.TextEdit);
    side.TextEdit->setMinimumWidth(310);
    side.TextHistory = NewHistory(side.Group, side.TextEdit, QString::fromLatin1(names.TextHistory), true);
    side.Convert = new QPushButton(names.ConvertCaption, side.Group);
    name(side.Convert, names.Convert);
    side.HexButton = new TJkRadioBtn(names.HexCaption, side.Group);
    name(side.HexButton, names.HexButton);
    side.HexEdit = new TJkByteEdit;
    name(side.HexEdit, names.HexEdit);
    side.HexHistory = NewHistory(side.Group, side.HexEdit, QString::fromLatin1(names.HexHistory), false);
    side.TextButton->setChecked(true);
    side.TextButton->SetControl(side.TextEdit);
    side.HexButton->SetControl(side.HexEdit);

    auto* grid = new QGridLayout(side.Group);
    grid->addWidget(side.TextButton, 0, 0);
    grid->addWidget(side.Convert, 0, 1, Qt::AlignRight);
    grid->addWidget(side.TextHistory, 1, 0, 1, 2);
    grid->addWidget(side.HexButton, 2, 0);
    grid->addWidget(side.HexHistory, 3, 0, 1, 2);
    QObject::connect(side.Convert, &QPushButton::clicked, side.Group,
                     [side] { ConvertTextToHex(side.TextEdit, side.HexEdit, side.HexButton); });
    return side;
}

TDialogButtons NewDialogButtons(QWidget* dialog, bool help) {
    TDialogButtons buttons;
    buttons.Ok = new QPushButton(QStringLiteral("OK"), dialog);
    buttons.Ok->setObjectName(QStringLiteral("ButtonOK"));
    buttons.Ok->setDefault(true);
    MarkAsOkButton(buttons.Ok);
    buttons.Cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    buttons.Cancel->setObjectName(QStringLiteral("ButtonCancel"));
    if (help) {
        buttons.Help = new QPushButton(QStringLiteral("Help"), dialog);
        buttons.Help->setObjectName(QStringLiteral("ButtonHelp"));
    }
    return buttons;
}

TCountField NewCountField(QGroupBox* group, const char* decName, const char* hexName,
                          const QString& historySection, int start) {
    TCountField field;
    field.Dec = new QRadioButton(QStringLiteral("&decimal"), group);
    field.Dec->setObjectName(QString::fromLatin1(decName));
    field.Hex = new QRadioButton(QStringLiteral("&hexadecimal"), group);
    field.Hex->setObjectName(QString::fromLatin1(hexName));
    field.Dec->setChecked(true);
    field.Edit = new TJkNumEdit;
    field.Edit->setObjectName(QStringLiteral("JkNumEdit1"));
    field.Edit->SetMin(0);
    field.Edit->SetMax(99999999.9L);
    field.Edit->SetDigitsInt(8);
    field.Edit->SetValue(start);
    field.Edit->setText(QString::number(start));
    field.History = NewHistory(group, field.Edit, historySection, false);
    QObject::connect(field.Hex, &QRadioButton::toggled, field.Edit, &TJkNumEdit::SetHex);
    QObject::connect(field.Edit, &TJkNumEdit::HexChanged, group,
                     [dec = field.Dec, hex = field.Hex](bool on) { (on ? hex : dec)->setChecked(true); });
    QObject::connect(field.History, &TJkHistory::OnChange, group,
                     [edit = field.Edit, hex = field.Hex] { SelectHexWhenDollar(edit, hex); });
    return field;
}

void SelectHexWhenDollar(const TJkNumEdit* edit, QRadioButton* hex) {
    if (edit->text().contains(QLatin1Char('$'))) hex->setChecked(true);
}
