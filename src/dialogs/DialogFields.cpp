#include "dialogs/DialogFields.h"

#include "controls/JkByteEdit.h"
#include "controls/JkHist.h"
#include "controls/JkRadioBtn.h"
#include "controls/JkTextEdit.h"
#include "ui/Jkdialog.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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
    joker->setText(QStringLiteral("2E"));
    // Two digits and the frame; the designed 25 pixels hold them only in the original's small font.
    joker->setFixedWidth(qMax(25, joker->fontMetrics().horizontalAdvance(QStringLiteral("WW")) + 12));
    ShowJoker(joker, label);
    new TExitWatcher(joker, [joker, label] { ShowJoker(joker, label); });
}

void ShowJoker(const TJkByteEdit* joker, QLabel* label) {
    label->setText(Cp1252ToText(joker->ASCII()));
}

void RefuseInput(const char* message, QWidget* field) {
    ShowError(QString::fromUtf8(message));
    if (field) field->setFocus(Qt::OtherFocusReason);
}

void ReleaseFocus(QWidget* dialog) {
    if (QWidget* focused = dialog->focusWidget()) focused->clearFocus();
}

void MarkAsOkButton(QPushButton* button) {
    button->setProperty("ModalResult", 1);
}

void ShowHelpTopic(int helpContext) {
    if (MessageHelpHook) MessageHelpHook(helpContext);
}

std::vector<uint8_t> ToByteVector(const QByteArray& bytes) {
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

QByteArray ToByteArray(const std::vector<uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}
