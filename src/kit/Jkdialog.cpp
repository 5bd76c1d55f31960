// SPDX-License-Identifier: GPL-3.0-or-later
#include "kit/Jkdialog.h"

#include "kit/DialogFrame.h"
#include "engine/document/EngineHost.h"
#include "engine/text/StringTable.h"
#include "kit/Help.h"
#include "kit/ProgressBox.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <cstdint>

QSize AverageCharSize(const QFont& font) {
    static const QString Letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetrics metrics(font);
    return QSize(metrics.horizontalAdvance(Letters) / 52, metrics.height());
}

int MulDivRound(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    const int64_t product = int64_t(number) * numerator;
    const bool negative = (product < 0) != (denominator < 0);
    const int64_t p = product < 0 ? -product : product;
    const int64_t d = denominator < 0 ? -int64_t(denominator) : int64_t(denominator);
    const int64_t q = (2 * p + d) / (2 * d);
    return int(negative ? -q : q);
}

namespace {

// The screen a form is placed on: the one under the active window, else the primary screen.
QRect ScreenRect(const QWidget* reference) {
    QScreen* screen = reference ? reference->screen() : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 640, 480);
}

struct TButtonInfo {
    TMsgDlgBtn Button;
    const char* Caption;
    const char* Name;
    int Result;
};

// Table order is the order in which the buttons appear, left to right.
const TButtonInfo ButtonTable[] = {
    {mbYes, Texts::BtnYes, "Yes", mrYes},
    {mbNo, Texts::BtnNo, "No", mrNo},
    {mbOK, Texts::BtnOk, "OK", mrOk},
    {mbCancel, Texts::BtnCancel, "Cancel", mrCancel},
    {mbAbort, Texts::BtnAbort, "Abort", mrAbort},
    {mbRetry, Texts::BtnRetry, "Retry", mrRetry},
    {mbIgnore, Texts::BtnIgnore, "Ignore", mrIgnore},
    {mbAll, Texts::BtnAll, "All", mrAll},
    {mbHelp, Texts::BtnHelp, "Help", mrNone},
};

// The message box form. Escape and the window's close box give the default button's result.
class TMessageForm : public QDialog {
  public:
    using QDialog::QDialog;
    int EscapeResult = mrCancel;

    void reject() override { done(EscapeResult); }

  protected:
    // A button's underlined letter chooses it without Alt, as in every desktop message box.
    void keyPressEvent(QKeyEvent* event) override {
        const Qt::KeyboardModifiers held = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
        if (held == Qt::NoModifier && !event->text().isEmpty()) {
            const QChar typed = event->text().at(0).toLower();
            for (QPushButton* button : findChildren<QPushButton*>()) {
                const QString caption = button->text();
                const qsizetype amp = caption.indexOf(QLatin1Char('&'));
                if (amp >= 0 && amp + 1 < caption.size() && caption.at(amp + 1).toLower() == typed) {
                    button->click();
                    return;
                }
            }
        }
        QDialog::keyPressEvent(event);
    }
};

QString CaptionOf(TMsgDlgType kind) {
    switch (kind) {
    case TMsgDlgType::Warning:
        return QString::fromUtf8(Texts::CaptionWarning);
    case TMsgDlgType::Error:
        return QString::fromUtf8(Texts::CaptionError);
    case TMsgDlgType::Information:
        return QString::fromUtf8(Texts::CaptionInformation);
    case TMsgDlgType::Confirmation:
        return QString::fromUtf8(Texts::CaptionConfirmation);
    case TMsgDlgType::Custom:
        break;
    }
    return QGuiApplication::applicationDisplayName();
}

bool IconOf(TMsgDlgType kind, QStyle::StandardPixmap& icon) {
    switch (kind) {
    case TMsgDlgType::Warning:
        icon = QStyle::SP_MessageBoxWarning;
        return true;
    case TMsgDlgType::Error:
        icon = QStyle::SP_MessageBoxCritical;
        return true;
    case TMsgDlgType::Information:
        icon = QStyle::SP_MessageBoxInformation;
        return true;
    case TMsgDlgType::Confirmation:
        icon = QStyle::SP_MessageBoxQuestion;
        return true;
    case TMsgDlgType::Custom:
        break;
    }
    return false;
}

// Line breaks of the string table (LF) and of the error texts (CR LF) both break the line.
QString NormalizeLineBreaks(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

int MessageDialog(const QString& text, TMsgDlgType kind, unsigned buttons, TMsgDlgBtn defaultButton,
                  int helpContext) {
    const unsigned allButtons =
        mbYes | mbNo | mbOK | mbCancel | mbAbort | mbRetry | mbIgnore | mbAll | mbHelp;
    buttons &= allButtons;
    if (buttons == 0) buttons = mbOK;
    if ((buttons & defaultButton) == 0) {
        // The default must be one of the buttons shown: take the first one in table order.
        for (const TButtonInfo& info : ButtonTable)
            if (buttons & info.Button) {
                defaultButton = info.Button;
                break;
            }
    }

    QWidget* activeForm = QApplication::activeWindow();
    // A live progress box stays on top of everything; a question during it must come above it.
    TProgressBox* progress = TProgressBox::Live();
    TMessageForm form(progress, DialogFlags);
    form.setObjectName(QStringLiteral("MessageDialog"));
    form.setAttribute(Qt::WA_DeleteOnClose, false);

    // Dialog units of the form's font.
    const QSize charSize = AverageCharSize(form.font());
    const int cx = charSize.width(), cy = charSize.height();
    const int horzMargin = MulDivRound(8, cx, 4);
    const int vertMargin = MulDivRound(8, cy, 8);
    const int horzSpacing = MulDivRound(10, cx, 4);
    const int vertSpacing = MulDivRound(10, cy, 8);
    const int buttonSpacing = MulDivRound(4, cx, 4);
    const int buttonHeight = MulDivRound(14, cy, 8);
    int buttonWidth = MulDivRound(50, cx, 4);
    const QFontMetrics metrics(form.font());
    for (const TButtonInfo& info : ButtonTable)
        if (buttons & info.Button) {
            const QString caption = QString::fromUtf8(info.Caption).remove(QLatin1Char('&'));
            buttonWidth = std::max(buttonWidth, metrics.horizontalAdvance(caption) + 2 * cx);
        }

    // The text, word-wrapped in a rectangle half the screen wide.
    const QString message = NormalizeLineBreaks(text);
    const int wrapWidth = std::max(1, ScreenRect(activeForm).width() / 2);
    const QRect textRect = metrics.boundingRect(
        QRect(0, 0, wrapWidth, 0), Qt::AlignLeft | Qt::TextWordWrap | Qt::TextExpandTabs, message);
    int textWidth = std::max(0, textRect.width());
    int textHeight = std::max(0, textRect.height());
    // One pixel of slack keeps QLabel from wrapping a line that measured exactly to the width.
    if (!message.isEmpty()) textWidth += 1;

    int iconTextWidth = textWidth, iconTextHeight = textHeight;
    QStyle::StandardPixmap iconKind{};
    const bool hasIcon = IconOf(kind, iconKind);
    if (hasIcon) {
        iconTextWidth += 32 + horzSpacing;
        iconTextHeight = std::max(iconTextHeight, 32);
    }

    int buttonCount = 0;
    for (const TButtonInfo& info : ButtonTable)
        if (buttons & info.Button) ++buttonCount;
    const int buttonGroupWidth = buttonCount * buttonWidth + (buttonCount - 1) * buttonSpacing;

    const QString caption = CaptionOf(kind);
    const int clientWidth =
        std::max(std::max(iconTextWidth, buttonGroupWidth) + 2 * horzMargin, CaptionFitWidth(caption));
    const int clientHeight = iconTextHeight + vertSpacing + buttonHeight + 2 * vertMargin;
    form.setFixedSize(clientWidth, clientHeight);
    form.setWindowTitle(caption);

    if (hasIcon) {
        auto* image = new QLabel(&form);
        image->setObjectName(QStringLiteral("Image_Jk1"));
        image->setPixmap(form.style()->standardIcon(iconKind, nullptr, &form).pixmap(32, 32));
        image->setGeometry(horzMargin, vertMargin, 32, 32);
        image->setFixedSize(32, 32);
    }

    auto* label = new QLabel(&form);
    label->setObjectName(QStringLiteral("Message"));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setText(message);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setGeometry(horzMargin + (hasIcon ? 32 + horzSpacing : 0), vertMargin, textWidth, textHeight);

    int x = (clientWidth - buttonGroupWidth) / 2;
    const int y = iconTextHeight + vertMargin + vertSpacing;
    QPushButton* defaultControl = nullptr;
    for (const TButtonInfo& info : ButtonTable) {
        if (!(buttons & info.Button)) continue;
        auto* button = new QPushButton(QString::fromUtf8(info.Caption), &form);
        button->setObjectName(QString::fromLatin1(info.Name));
        button->setAutoDefault(true);
        button->setGeometry(x, y, buttonWidth, buttonHeight);
        x += buttonWidth + buttonSpacing;
        const int result = info.Result;
        if (info.Button == mbHelp) {
            QObject::connect(button, &QPushButton::clicked, &form,
                             [helpContext] { HelpCommand(THelpCommand::Context, helpContext); });
        } else {
            QObject::connect(button, &QPushButton::clicked, &form, [&form, result] { form.done(result); });
        }
        if (info.Button == defaultButton) {
            defaultControl = button;
            form.EscapeResult = result != mrNone ? result : int(mrCancel);
        }
    }
    if (defaultControl) {
        defaultControl->setDefault(true);
        defaultControl->setFocus(Qt::OtherFocusReason);
    }

    CenterOverActiveForm(&form);
    return form.exec();
}

int InfoBox(const QString& text) {
    return MessageDialog(text, TMsgDlgType::Information, mbOK, mbOK);
}

int ErrorBox(const QString& text) {
    return MessageDialog(text, TMsgDlgType::Error, mbOK, mbOK);
}

int YesNoBox(const QString& text) {
    return MessageDialog(text, TMsgDlgType::Confirmation, mbYes | mbNo, mbNo);
}

int YesNoCancelBox(const QString& text) {
    return MessageDialog(text, TMsgDlgType::Confirmation, mbYes | mbNo | mbCancel, mbCancel);
}

void CenterOnScreen(QWidget* form) {
    if (!form) return;
    const QRect screen = ScreenRect(QApplication::activeWindow());
    form->move(screen.x() + (screen.width() - form->width()) / 2,
               screen.y() + (screen.height() - form->height()) / 2);
}

void CenterOverActiveForm(QWidget* form) {
    if (!form) return;
    QWidget* active = QApplication::activeWindow();
    if (!active || active == form->window()) {
        CenterOnScreen(form);
        return;
    }
    const QRect activeRect = active->frameGeometry();
    int left = activeRect.left() + activeRect.width() / 2 - form->width() / 2;
    int top = activeRect.top() + activeRect.height() / 2 - form->height() / 2;
    if (left < 0) left = activeRect.left();
    if (top < 0) top = activeRect.top();
    const QRect screen = ScreenRect(active);
    if (left + form->width() <= screen.x() + screen.width() &&
        top + form->height() <= screen.y() + screen.height())
        form->move(left, top);
    else
        CenterOnScreen(form);
}

void RefitLabels(QWidget* form) {
    if (!form) return;
    const auto labels = form->findChildren<QLabel*>();
    for (QLabel* label : labels) {
        if (label->wordWrap()) continue;
        if (label->minimumSize() == label->maximumSize()) continue; // fixed size: not auto-sized
        label->adjustSize();
    }
}
