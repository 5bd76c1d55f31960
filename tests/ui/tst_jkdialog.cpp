// SPDX-License-Identifier: GPL-3.0-or-later
// Status bar, message boxes, progress box and dialog placement.
#include "kit/Jkdialog.h"

#include "engine/document/EngineHost.h"
#include "engine/text/StringTable.h"
#include "kit/Help.h"
#include "support/UiTestMain.h"
#include "support/ModalAnswer.h"
#include "kit/JkStatusBar.h"
#include "kit/ProgressBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>

namespace {

// What a test saw in a message box before answering it.
struct TBoxView {
    QString Title;
    QString Message;
    bool HasIcon = false;
    QStringList ButtonNames;    // left to right
    QStringList ButtonCaptions; // left to right
    QString DefaultButton;
    QString FocusButton;
    QRect MessageRect;
    QList<QRect> ButtonRects;
    QSize ClientSize;
};

TBoxView ViewOf(QWidget* box) {
    TBoxView view;
    view.Title = box->windowTitle();
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("Message"))) {
        view.Message = label->text();
        view.MessageRect = label->geometry();
    }
    if (auto* image = box->findChild<QLabel*>(QStringLiteral("Image_Jk1")))
        view.HasIcon = !image->pixmap().isNull() && image->size() == QSize(32, 32);
    auto buttons = box->findChildren<QPushButton*>();
    std::sort(buttons.begin(), buttons.end(),
              [](QPushButton* a, QPushButton* b) { return a->geometry().x() < b->geometry().x(); });
    for (QPushButton* button : buttons) {
        view.ButtonNames << button->objectName();
        view.ButtonCaptions << button->text();
        view.ButtonRects << button->geometry();
        if (button->isDefault()) view.DefaultButton = button->objectName();
    }
    if (auto* focus = qobject_cast<QPushButton*>(box->focusWidget())) view.FocusButton = focus->objectName();
    view.ClientSize = box->size();
    return view;
}

// Looks at the next message box, then answers it with the named button.
void InspectAndAnswer(TBoxView& view, const QString& button) {
    WithNextModal([&view, button](QWidget* box) {
        view = ViewOf(box);
        if (auto* control = box->findChild<QPushButton*>(button)) control->click();
    });
}

// Counts whether queued work ran, i.e. whether pending events were processed.
struct TEventProbe {
    int Runs = 0;
    QObject Context;
    void Post() {
        QMetaObject::invokeMethod(
            &Context, [this] { ++Runs; }, Qt::QueuedConnection);
    }
};

} // namespace

class TestJkDialog : public QObject {
    Q_OBJECT

  private slots:
    void cleanup();

    // Status bar
    void statusBarStartsWithTheMainWindowPanels();
    void statusBarHeightFitsItsFont();
    void statusBarPaintsTextsInPanels();
    void panelAtAddsUpWidths();
    void remainingPanelWidthSubtractsPanelsAndFourPixelsEach();
    void panelsAdjustFitsTextsInTheBarsFont();
    void panelsAdjustRefusesANonIntegerIndex();
    void fitTextKeepsTextThatFits();
    void fitTextShortensWithDots();
    void fitTextStopsAtTwoCharacters();

    // Message boxes
    void captionsAndIconsByKind_data();
    void captionsAndIconsByKind();
    void customBoxHasTheApplicationsTitleAndNoIcon();
    void buttonsComeInTableOrderWithNamesAndCaptions();
    void everyButtonEndsWithItsResult_data();
    void everyButtonEndsWithItsResult();
    void helpButtonCallsTheHookAndStaysOpen();
    void askYesNoDefaultsToNo();
    void askYesNoAnsweredWithEscapeOrEnter_data();
    void askYesNoAnsweredWithEscapeOrEnter();
    void plainLettersChooseTheirButtons_data();
    void plainLettersChooseTheirButtons();
    void boxesShowTheirWholeCaption();
    void questionDuringProgressComesAboveTheBox();
    void askYesNoCancelEscapeCancels();
    void askYesNoCancelEnterCancels();
    void showInfoAndShowErrorHaveOneOkButton();
    void messageIsWordWrappedWithinHalfTheScreen();
    void messageLayoutInDialogUnits();
    void carriageReturnLineFeedBreaksTheLine();

    // Progress box
    void progressBoxLayout();
    void progressBoxWithoutGaugeHasAPlainBar();
    void progressStepsOnlyAtMultiplesOfStep();
    void progressTotalZeroIsFull();
    void progressRoundsHalvesToEven();
    void progressWithoutGaugeIsIgnored();
    void cancelClickSetsCancelled();
    void escapeActsAsCancelAndKeepsTheBoxOpen();
    void closeRequestIsRefused();
    void ownerIsDisabledWhileTheBoxLives();
    void ownerCannotBeClosedWhileTheBoxLives();
    void alreadyDisabledOwnerStaysDisabled();
    void ownerGetsItsFocusBackAfterTheBox();
    void progressTextEveryNthCall();
    void progressTextCounterWraps();
    void enableCancelSwitchesTheButton();

    // Placement and labels
    void centerOnScreen();
    void centerOverActiveForm();
    void centerOverActiveFormFallsBackToTheScreen();
    void refitLabelsResizesAutoSizedLabelsOnly();
    void dialogUnitsAndMulDiv();
};

void TestJkDialog::cleanup() {
    QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
}

// --- Status bar --------------------------------------------------------------------------------------

void TestJkDialog::statusBarStartsWithTheMainWindowPanels() {
    TJkStatusBar bar;
    QCOMPARE(bar.PanelCount(), 4);
    QCOMPARE(bar.PanelWidth(0), 115);
    QCOMPARE(bar.PanelWidth(1), 78);
    QCOMPARE(bar.PanelWidth(2), 55);
    QCOMPARE(bar.PanelWidth(3), 500);
    bar.SetPanelText(2, QStringLiteral("Insert"));
    bar.SetPanelWidths({10, 20});
    QCOMPARE(bar.PanelCount(), 2);
    QCOMPARE(bar.PanelWidth(1), 20);
    QCOMPARE(bar.PanelText(2), QString()); // gone with its panel
    bar.SetPanelText(5, QStringLiteral("ignored"));
    QCOMPARE(bar.PanelWidth(5), 0);
}

void TestJkDialog::statusBarHeightFitsItsFont() {
    TJkStatusBar bar;
    QVERIFY(bar.sizeHint().height() >= 19);
    QVERIFY(bar.sizeHint().height() >= bar.fontMetrics().height() + 4);
    QFont big = bar.font();
    big.setPointSize(big.pointSize() * 3);
    bar.setFont(big);
    QVERIFY(bar.sizeHint().height() >= QFontMetrics(big).height() + 4);
}

void TestJkDialog::statusBarPaintsTextsInPanels() {
    TJkStatusBar bar;
    bar.resize(900, bar.sizeHint().height());
    const QImage empty = bar.grab().toImage();
    bar.SetPanelText(1, QStringLiteral("Char dec: 255"));
    const QImage withText = bar.grab().toImage();
    // The text changes pixels inside panel 1 (x 115..192) and nowhere else.
    bool insideChanged = false, outsideChanged = false;
    for (int y = 0; y < empty.height(); ++y)
        for (int x = 0; x < empty.width(); ++x)
            if (empty.pixel(x, y) != withText.pixel(x, y))
                (x >= 115 && x < 193 ? insideChanged : outsideChanged) = true;
    QVERIFY(insideChanged);
    QVERIFY(!outsideChanged);
}

void TestJkDialog::panelAtAddsUpWidths() {
    TJkStatusBar bar; // 115, 78, 55, 500
    QCOMPARE(PanelAt(&bar, 0), 0);
    QCOMPARE(PanelAt(&bar, 114), 0);
    QCOMPARE(PanelAt(&bar, 115), 1);
    QCOMPARE(PanelAt(&bar, 192), 1);
    QCOMPARE(PanelAt(&bar, 193), 2);
    QCOMPARE(PanelAt(&bar, 247), 2);
    QCOMPARE(PanelAt(&bar, 248), 3);
    QCOMPARE(PanelAt(&bar, 747), 3);
    QCOMPARE(PanelAt(&bar, 748), 4);
    QCOMPARE(PanelAt(&bar, 5000), 4);
}

void TestJkDialog::remainingPanelWidthSubtractsPanelsAndFourPixelsEach() {
    TJkStatusBar bar;
    bar.resize(1000, 19);
    QCOMPARE(RemainingPanelWidth(&bar, 0), 1000);
    QCOMPARE(RemainingPanelWidth(&bar, 1), 1000 - 115 - 4);
    QCOMPARE(RemainingPanelWidth(&bar, 3), 1000 - 115 - 78 - 55 - 12);
}

void TestJkDialog::panelsAdjustFitsTextsInTheBarsFont() {
    TJkStatusBar bar;
    QFont font = bar.font();
    font.setPointSize(font.pointSize() + 5);
    bar.setFont(font);
    const QFontMetrics metrics(font);
    bar.SetPanelText(2, QStringLiteral("Insert"));
    PanelsAdjust(&bar, {0, QStringLiteral("Adr. dec: 999,999,999"), 1, QChar(u'W'), 2, QString(), 3,
                        QVariant::fromValue('M')});
    QCOMPARE(bar.PanelWidth(0), metrics.horizontalAdvance(QStringLiteral("Adr. dec: 999,999,999")) + 10);
    QCOMPARE(bar.PanelWidth(1), metrics.horizontalAdvance(QStringLiteral("W")) + 10);
    // An empty text measures the panel's current text.
    QCOMPARE(bar.PanelWidth(2), metrics.horizontalAdvance(QStringLiteral("Insert")) + 10);
    QCOMPARE(bar.PanelWidth(3), metrics.horizontalAdvance(QStringLiteral("M")) + 10);
}

void TestJkDialog::panelsAdjustRefusesANonIntegerIndex() {
    TJkStatusBar bar;
    const auto fails = [&bar](const QVariantList& list) {
        try {
            PanelsAdjust(&bar, list);
        } catch (const std::invalid_argument& error) {
            return QString::fromUtf8(error.what()) == QStringLiteral("Error: PanelsAdjust");
        }
        return false;
    };
    QVERIFY(fails({QStringLiteral("0"), QStringLiteral("text")}));
    QVERIFY(fails({1.0, QStringLiteral("text")}));
    QVERIFY(fails({QStringLiteral("Overwrite"), 2}));
    QVERIFY(
        fails({0, QStringLiteral("ok"), QStringLiteral("text where an index belongs"), QStringLiteral("x")}));
    QCOMPARE(bar.PanelWidth(0),
             bar.fontMetrics().horizontalAdvance(QStringLiteral("ok")) + 10); // pairs before it
}

void TestJkDialog::fitTextKeepsTextThatFits() {
    const QFontMetrics metrics(QApplication::font());
    const QString text = QStringLiteral("Searching...");
    QCOMPARE(FitText(text, metrics, metrics.horizontalAdvance(text)), text);
    QCOMPARE(FitText(QString(), metrics, 0), QString());
}

void TestJkDialog::fitTextShortensWithDots() {
    const QFontMetrics metrics(QApplication::font());
    const QString text = QStringLiteral("Open a file and press F3 to find the next occurrence of the text");
    const int limit = metrics.horizontalAdvance(text) / 2;
    const QString fitted = FitText(text, metrics, limit);
    QVERIFY(fitted.endsWith(QStringLiteral("...")));
    QVERIFY(metrics.horizontalAdvance(fitted) <= limit);
    const QString kept = fitted.chopped(3);
    QVERIFY(text.startsWith(kept));
    // The longest such text: one more character would not fit.
    QVERIFY(metrics.horizontalAdvance(text.left(kept.size() + 1) + QStringLiteral("...")) > limit);
}

void TestJkDialog::fitTextStopsAtTwoCharacters() {
    const QFontMetrics metrics(QApplication::font());
    QCOMPARE(FitText(QStringLiteral("Scrolling..."), metrics, 0), QStringLiteral("Sc..."));
    QCOMPARE(FitText(QStringLiteral("Scrolling..."), metrics, -10), QStringLiteral("Sc..."));
    QCOMPARE(FitText(QStringLiteral("Abc"), metrics, 1), QStringLiteral("Ab..."));
}

// --- Message boxes ------------------------------------------------------------------------------------

void TestJkDialog::captionsAndIconsByKind_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("caption");
    QTest::newRow("warning") << int(TMsgDlgType::Warning) << QStringLiteral("Warning");
    QTest::newRow("error") << int(TMsgDlgType::Error) << QStringLiteral("Error");
    QTest::newRow("information") << int(TMsgDlgType::Information) << QStringLiteral("Information");
    QTest::newRow("confirmation") << int(TMsgDlgType::Confirmation) << QStringLiteral("Confirmation");
}

void TestJkDialog::captionsAndIconsByKind() {
    QFETCH(int, kind);
    QFETCH(QString, caption);
    TBoxView view;
    InspectAndAnswer(view, QStringLiteral("OK"));
    QCOMPARE(MessageDialog(QStringLiteral("Text"), TMsgDlgType(kind), mbOK, mbOK), int(mrOk));
    QCOMPARE(view.Title, caption);
    QVERIFY(view.HasIcon);
    QCOMPARE(view.Message, QStringLiteral("Text"));
}

void TestJkDialog::customBoxHasTheApplicationsTitleAndNoIcon() {
    QApplication::setApplicationDisplayName(QStringLiteral("NIBLO"));
    TBoxView view;
    bool imageExists = true;
    WithNextModal([&](QWidget* box) {
        view = ViewOf(box);
        imageExists = box->findChild<QLabel*>(QStringLiteral("Image_Jk1")) != nullptr;
        box->findChild<QPushButton*>(QStringLiteral("OK"))->click();
    });
    MessageDialog(QStringLiteral("Text"), TMsgDlgType::Custom, mbOK, mbOK);
    QCOMPARE(view.Title, QStringLiteral("NIBLO"));
    QVERIFY(!imageExists);
    // Without an icon the text starts at the left margin, right of nothing.
    QVERIFY(view.MessageRect.left() < 32);
}

void TestJkDialog::buttonsComeInTableOrderWithNamesAndCaptions() {
    TBoxView view;
    InspectAndAnswer(view, QStringLiteral("Ignore"));
    const unsigned all = mbHelp | mbAll | mbIgnore | mbRetry | mbAbort | mbCancel | mbOK | mbNo | mbYes;
    QCOMPARE(MessageDialog(QStringLiteral("All buttons"), TMsgDlgType::Warning, all, mbRetry), int(mrIgnore));
    QCOMPARE(view.ButtonNames,
             (QStringList{"Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore", "All", "Help"}));
    QCOMPARE(view.ButtonCaptions,
             (QStringList{"&Yes", "&No", "&OK", "&Cancel", "&Abort", "&Retry", "&Ignore", "All", "Help"}));
    QCOMPARE(view.DefaultButton, QStringLiteral("Retry"));
    QCOMPARE(view.FocusButton, QStringLiteral("Retry"));
    // One row, evenly spaced, centred in the box.
    for (const QRect& rect : view.ButtonRects)
        QCOMPARE(rect.top(), view.ButtonRects.first().top());
    const int left = view.ButtonRects.first().left(), right = view.ButtonRects.last().right() + 1;
    QVERIFY(qAbs(left - (view.ClientSize.width() - right)) <= 1);

    // Only the buttons asked for, still in table order.
    InspectAndAnswer(view, QStringLiteral("Retry"));
    QCOMPARE(MessageDialog(QStringLiteral("Some"), TMsgDlgType::Error, mbRetry | mbAbort | mbIgnore, mbAbort),
             int(mrRetry));
    QCOMPARE(view.ButtonNames, (QStringList{"Abort", "Retry", "Ignore"}));
}

void TestJkDialog::everyButtonEndsWithItsResult_data() {
    QTest::addColumn<unsigned>("button");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("result");
    QTest::newRow("Yes") << unsigned(mbYes) << QStringLiteral("Yes") << 6;
    QTest::newRow("No") << unsigned(mbNo) << QStringLiteral("No") << 7;
    QTest::newRow("OK") << unsigned(mbOK) << QStringLiteral("OK") << 1;
    QTest::newRow("Cancel") << unsigned(mbCancel) << QStringLiteral("Cancel") << 2;
    QTest::newRow("Abort") << unsigned(mbAbort) << QStringLiteral("Abort") << 3;
    QTest::newRow("Retry") << unsigned(mbRetry) << QStringLiteral("Retry") << 4;
    QTest::newRow("Ignore") << unsigned(mbIgnore) << QStringLiteral("Ignore") << 5;
    QTest::newRow("All") << unsigned(mbAll) << QStringLiteral("All") << 8;
}

void TestJkDialog::everyButtonEndsWithItsResult() {
    QFETCH(unsigned, button);
    QFETCH(QString, name);
    QFETCH(int, result);
    const unsigned all = mbAll | mbIgnore | mbRetry | mbAbort | mbCancel | mbOK | mbNo | mbYes;
    AnswerNextModal(name);
    QCOMPARE(MessageDialog(QStringLiteral("Which?"), TMsgDlgType::Confirmation, all, TMsgDlgBtn(button)),
             result);
    // The same answer when the button is not the default.
    AnswerNextModal(name);
    QCOMPARE(MessageDialog(QStringLiteral("Which?"), TMsgDlgType::Confirmation, all | mbHelp, mbHelp),
             result);
}

void TestJkDialog::helpButtonCallsTheHookAndStaysOpen() {
    QList<int> topics;
    const QMetaObject::Connection shown = QObject::connect(&THelpEvents::Instance(), &THelpEvents::TopicShown,
                                                           [&topics](int topic, bool popup) {
                                                               if (!popup) topics << topic;
                                                           });
    bool stillOpen = false;
    WithNextModal([&stillOpen](QWidget* box) {
        box->findChild<QPushButton*>(QStringLiteral("Help"))->click();
        stillOpen = box->isVisible() && QApplication::activeModalWidget() == box;
        box->findChild<QPushButton*>(QStringLiteral("OK"))->click();
    });
    QCOMPARE(MessageDialog(QStringLiteral("Help?"), TMsgDlgType::Information, mbOK | mbHelp, mbOK, 42),
             int(mrOk));
    QObject::disconnect(shown);
    QVERIFY(stillOpen);
    // The box's topic in the help window.
    QCOMPARE(topics, QList<int>{42});
}

void TestJkDialog::askYesNoDefaultsToNo() {
    TBoxView view;
    InspectAndAnswer(view, QStringLiteral("Yes"));
    QCOMPARE(YesNoBox(QStringLiteral("File\nx.bin\nalready exists. Overwrite?")), int(mrYes));
    QCOMPARE(view.Title, QStringLiteral("Confirmation"));
    QVERIFY(view.HasIcon);
    QCOMPARE(view.ButtonNames, (QStringList{"Yes", "No"}));
    QCOMPARE(view.DefaultButton, QStringLiteral("No"));
    QCOMPARE(view.FocusButton, QStringLiteral("No"));
    QCOMPARE(view.Message, QStringLiteral("File\nx.bin\nalready exists. Overwrite?"));
}

void TestJkDialog::askYesNoAnsweredWithEscapeOrEnter_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Escape") << int(Qt::Key_Escape);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
    QTest::newRow("Return") << int(Qt::Key_Return);
}

void TestJkDialog::askYesNoAnsweredWithEscapeOrEnter() {
    QFETCH(int, key);
    AnswerNextModalWithKey(key);
    QCOMPARE(YesNoBox(QStringLiteral("Question")), int(mrNo));
}

void TestJkDialog::plainLettersChooseTheirButtons_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");
    QTest::newRow("Y") << int(Qt::Key_Y) << int(mrYes);
    QTest::newRow("N") << int(Qt::Key_N) << int(mrNo);
    QTest::newRow("C") << int(Qt::Key_C) << int(mrCancel);
}

void TestJkDialog::plainLettersChooseTheirButtons() {
    QFETCH(int, key);
    QFETCH(int, result);
    AnswerNextModalWithKey(key);
    QCOMPARE(YesNoCancelBox(QStringLiteral("Question")), result);
}

void TestJkDialog::boxesShowTheirWholeCaption() {
    // Window managers draw captions bold, often larger than the window font, beside three or more buttons.
    QFont title = QApplication::font("QMdiSubWindowTitleBar");
    title.setPointSizeF(std::max(title.pointSizeF(), QApplication::font().pointSizeF()));
    title.setBold(true);
    const QFontMetrics metrics(title);
    const struct {
        std::function<int()> Show;
        const char* Caption;
    } boxes[] = {{[] { return InfoBox(QStringLiteral("x")); }, Texts::CaptionInformation},
                 {[] { return ErrorBox(QStringLiteral("x")); }, Texts::CaptionError},
                 {[] { return YesNoBox(QString()); }, Texts::CaptionConfirmation}};
    for (const auto& box : boxes) {
        int width = 0;
        Qt::WindowFlags flags;
        WithNextModal([&](QWidget* modal) {
            width = modal->width();
            flags = modal->windowFlags();
            modal->close();
        });
        box.Show();
        const QString caption = QString::fromUtf8(box.Caption);
        QVERIFY2(width >= metrics.horizontalAdvance(caption) + 3 * (metrics.height() + 8),
                 qPrintable(caption));
        // A close button only: without CustomizeWindowHint the window manager adds minimise and maximise.
        QVERIFY(flags.testFlags(Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint));
        QVERIFY(!(flags & Qt::WindowMinMaxButtonsHint));
    }
}

void TestJkDialog::questionDuringProgressComesAboveTheBox() {
    QWidget owner;
    owner.show();
    auto* box =
        new TProgressBox(&owner, true, true, QStringLiteral("Replacing"), QStringLiteral("Replacing..."));
    QWidget* parent = nullptr;
    WithNextModal([&parent](QWidget* modal) {
        parent = modal->parentWidget();
        modal->close();
    });
    YesNoBox(QStringLiteral("Replace them?"));
    QCOMPARE(parent, box);
    delete box;
    QCOMPARE(TProgressBox::Live(), nullptr);
}

void TestJkDialog::askYesNoCancelEscapeCancels() {
    TBoxView view;
    WithNextModal([&view](QWidget* box) {
        view = ViewOf(box);
        QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_Escape);
    });
    QCOMPARE(YesNoCancelBox(QStringLiteral("x.bin modified. Save now?")), int(mrCancel));
    QCOMPARE(view.ButtonNames, (QStringList{"Yes", "No", "Cancel"}));
    QCOMPARE(view.DefaultButton, QStringLiteral("Cancel"));
    QCOMPARE(view.FocusButton, QStringLiteral("Cancel"));
}

void TestJkDialog::askYesNoCancelEnterCancels() {
    AnswerNextModalWithKey(Qt::Key_Return);
    QCOMPARE(YesNoCancelBox(QStringLiteral("Question")), int(mrCancel));
    AnswerNextModal(QStringLiteral("No"));
    QCOMPARE(YesNoCancelBox(QStringLiteral("Question")), int(mrNo));
}

void TestJkDialog::showInfoAndShowErrorHaveOneOkButton() {
    TBoxView info, error;
    InspectAndAnswer(info, QStringLiteral("OK"));
    QCOMPARE(InfoBox(QStringLiteral("String not found")), int(mrOk));
    InspectAndAnswer(error, QStringLiteral("OK"));
    QCOMPARE(ErrorBox(QStringLiteral("Value out of range")), int(mrOk));
    QCOMPARE(info.Title, QStringLiteral("Information"));
    QCOMPARE(error.Title, QStringLiteral("Error"));
    QCOMPARE(info.ButtonNames, QStringList{"OK"});
    QCOMPARE(error.ButtonNames, QStringList{"OK"});
    QCOMPARE(error.DefaultButton, QStringLiteral("OK"));
    QVERIFY(info.HasIcon && error.HasIcon);
    // Escape and the close box both give the default button's result.
    AnswerNextModalWithKey(Qt::Key_Escape);
    QCOMPARE(InfoBox(QStringLiteral("x")), int(mrOk));
    WithNextModal([](QWidget* box) { box->close(); });
    QCOMPARE(YesNoBox(QStringLiteral("x")), int(mrNo));
}

void TestJkDialog::messageIsWordWrappedWithinHalfTheScreen() {
    const QString text = QStringLiteral("word ").repeated(400).trimmed();
    TBoxView view;
    bool wraps = false;
    WithNextModal([&](QWidget* box) {
        view = ViewOf(box);
        wraps = box->findChild<QLabel*>(QStringLiteral("Message"))->wordWrap();
        box->findChild<QPushButton*>(QStringLiteral("OK"))->click();
    });
    InfoBox(text);
    QVERIFY(wraps);
    const int halfScreen = QGuiApplication::primaryScreen()->geometry().width() / 2;
    QVERIFY(view.MessageRect.width() <= halfScreen + 1);
    QVERIFY(view.MessageRect.height() > 3 * QFontMetrics(QApplication::font()).height());
    QCOMPARE(view.Message, text);
}

void TestJkDialog::messageLayoutInDialogUnits() {
    const QSize unit = AverageCharSize(QApplication::font());
    const int horzMargin = MulDivRound(8, unit.width(), 4), vertMargin = MulDivRound(8, unit.height(), 8);
    const int gap = MulDivRound(10, unit.width(), 4), textToButtons = MulDivRound(10, unit.height(), 8);
    TBoxView view;
    QRect imageRect;
    WithNextModal([&](QWidget* box) {
        view = ViewOf(box);
        imageRect = box->findChild<QLabel*>(QStringLiteral("Image_Jk1"))->geometry();
        box->findChild<QPushButton*>(QStringLiteral("No"))->click();
    });
    YesNoBox(QStringLiteral("Short"));
    QCOMPARE(imageRect, QRect(horzMargin, vertMargin, 32, 32));
    QCOMPARE(view.MessageRect.left(), horzMargin + 32 + gap);
    QCOMPARE(view.MessageRect.top(), vertMargin);
    // The icon makes the text area at least 32 pixels high; the buttons follow after the gap.
    QCOMPARE(view.ButtonRects.first().top(),
             vertMargin + std::max(32, view.MessageRect.height()) + textToButtons);
    QCOMPARE(view.ButtonRects.first().height(), MulDivRound(14, unit.height(), 8));
    QVERIFY(view.ButtonRects.first().width() >= MulDivRound(50, unit.width(), 4));
    QCOMPARE(view.ClientSize.height(), view.ButtonRects.first().bottom() + 1 + vertMargin);
}

void TestJkDialog::carriageReturnLineFeedBreaksTheLine() {
    QString message;
    AnswerNextModal(QStringLiteral("OK"), &message);
    ErrorBox(QStringLiteral("Error reading\nx.bin\r\nError 5: Access denied"));
    QCOMPARE(message, QStringLiteral("Error reading\nx.bin\nError 5: Access denied"));
}

// --- Progress box -------------------------------------------------------------------------------------

void TestJkDialog::progressBoxLayout() {
    QWidget owner;
    owner.show();
    TProgressBox box(&owner, true, true, QStringLiteral("Current file position"),
                     QStringLiteral("Searching..."));
    QVERIFY(box.isVisible());
    QVERIFY(!box.isModal());
    QCOMPARE(box.windowTitle(), QStringLiteral("Searching..."));
    QVERIFY(box.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!(box.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!(box.windowFlags() & Qt::WindowSystemMenuHint));

    const QSize unit = AverageCharSize(box.font());
    const qreal scale = box.screen()->logicalDotsPerInch() / 96.0;
    const auto horz = [&](int n) {
        return MulDivRound(MulDivRound(n, unit.width(), 4), qRound(scale * 96), 96);
    };
    const auto vert = [&](int n) {
        return MulDivRound(MulDivRound(n, unit.height(), 8), qRound(scale * 96), 96);
    };
    QCOMPARE(box.width(), horz(160));
    QProgressBar* gauge = box.Gauge();
    QVERIFY(gauge);
    QCOMPARE(gauge->size(), QSize(horz(130), vert(12)));
    QCOMPARE(gauge->x(), (box.width() - gauge->width()) / 2);
    QCOMPARE(gauge->minimum(), 0);
    QCOMPARE(gauge->maximum(), 100);
    QCOMPARE(gauge->value(), 0);
    QVERIFY(gauge->isTextVisible());
    QCOMPARE(gauge->text(), QStringLiteral("0%"));
    QVERIFY(box.Label());
    QCOMPARE(box.Label()->text(), QStringLiteral("Current file position"));
    QCOMPARE(box.Label()->x(), gauge->x());
    QCOMPARE(box.Label()->y(), vert(7));
    QCOMPARE(gauge->y(), vert(7) + box.Label()->height() + vert(7));
    QPushButton* cancel = box.CancelButton();
    QVERIFY(cancel);
    QCOMPARE(cancel->objectName(), QStringLiteral("Cancel"));
    QCOMPARE(cancel->text(), QStringLiteral("&Cancel"));
    QVERIFY(cancel->isDefault());
    QCOMPARE(cancel->size(), QSize(horz(50), vert(15)));
    QCOMPARE(cancel->y(), gauge->geometry().bottom() + 1 + vert(7));
    QCOMPARE(box.height(), cancel->geometry().bottom() + 1 + vert(7));
    QVERIFY(!box.Cancelled);
}

void TestJkDialog::progressBoxWithoutGaugeHasAPlainBar() {
    TProgressBox box(nullptr, false, false, QString(), QStringLiteral("Working"));
    QVERIFY(!box.Gauge());
    QVERIFY(!box.CancelButton());
    QVERIFY(!box.Label());
    auto bars = box.findChildren<QProgressBar*>();
    QCOMPARE(bars.size(), 1);
    QVERIFY(!bars.first()->isTextVisible());
}

void TestJkDialog::progressStepsOnlyAtMultiplesOfStep() {
    QWidget owner;
    owner.show();
    TProgressBox box(&owner, true, true, QStringLiteral("Reading file"), QStringLiteral("x.bin"));
    TEventProbe probe;
    QCoreApplication::processEvents();

    probe.Post();
    QVERIFY(!AdvanceGauge(&box, 37, 100, 5));
    QCOMPARE(box.Gauge()->value(), 0);
    QCOMPARE(probe.Runs, 0); // no events processed

    QVERIFY(AdvanceGauge(&box, 40, 100, 5));
    QCOMPARE(box.Gauge()->value(), 40);
    QCOMPARE(box.Gauge()->text(), QStringLiteral("40%"));
    QCOMPARE(probe.Runs, 1); // events processed

    QVERIFY(!AdvanceGauge(&box, 41, 100, 5));
    QCOMPARE(box.Gauge()->value(), 40);
    QVERIFY(AdvanceGauge(&box, 2, 3, 1)); // 66.7 rounds to 67
    QCOMPARE(box.Gauge()->value(), 67);
}

void TestJkDialog::progressTotalZeroIsFull() {
    TProgressBox box(nullptr, true, true, QStringLiteral("Reading file"), QStringLiteral("empty.bin"));
    QVERIFY(AdvanceGauge(&box, 0, 0, 5));
    QCOMPARE(box.Gauge()->value(), 100);
}

void TestJkDialog::progressRoundsHalvesToEven() {
    TProgressBox box(nullptr, true, true, QString(), QStringLiteral("x"));
    QVERIFY(AdvanceGauge(&box, 1, 8, 4)); // 12.5 -> 12 (13 would not be a step)
    QCOMPARE(box.Gauge()->value(), 12);
    QVERIFY(AdvanceGauge(&box, 5, 8, 2)); // 62.5 -> 62
    QCOMPARE(box.Gauge()->value(), 62);
    QVERIFY(AdvanceGauge(&box, 3, 8, 1)); // 37.5 -> 38
    QCOMPARE(box.Gauge()->value(), 38);
}

void TestJkDialog::progressWithoutGaugeIsIgnored() {
    TProgressBox box(nullptr, true, false, QString(), QStringLiteral("x"));
    QVERIFY(!AdvanceGauge(&box, 50, 100, 5));
    QVERIFY(!AdvanceGauge(nullptr, 50, 100, 5));
}

void TestJkDialog::cancelClickSetsCancelled() {
    QWidget owner;
    owner.show();
    TProgressBox box(&owner, true, true, QStringLiteral("Searching..."), QStringLiteral("Replacing..."));
    QVERIFY(!box.Cancelled);
    QTest::mouseClick(box.CancelButton(), Qt::LeftButton);
    QVERIFY(box.Cancelled);
    QVERIFY(box.isVisible()); // the operation closes it, not the button
}

void TestJkDialog::escapeActsAsCancelAndKeepsTheBoxOpen() {
    TProgressBox box(nullptr, true, true, QString(), QStringLiteral("x"));
    QTest::keyClick(&box, Qt::Key_Escape);
    QVERIFY(box.isVisible());
    QVERIFY(box.Cancelled);

    TProgressBox disabled(nullptr, true, true, QString(), QStringLiteral("y"));
    EnableCancelButton(&disabled, false);
    QTest::keyClick(&disabled, Qt::Key_Escape);
    QVERIFY(disabled.isVisible());
    QVERIFY(!disabled.Cancelled);
}

void TestJkDialog::closeRequestIsRefused() {
    TProgressBox box(nullptr, true, true, QString(), QStringLiteral("x"));
    QCloseEvent request;
    QApplication::sendEvent(&box, &request);
    QVERIFY(!request.isAccepted());
    QVERIFY(!box.close());
    QVERIFY(box.isVisible());
    box.reject();
    QVERIFY(box.isVisible());
    QVERIFY(!box.Cancelled);
}

void TestJkDialog::ownerIsDisabledWhileTheBoxLives() {
    QWidget owner;
    auto* child = new QPushButton(QStringLiteral("child"), &owner);
    owner.show();
    auto box = std::make_unique<TProgressBox>(child, true, true, QString(), QStringLiteral("x"));
    QVERIFY(!owner.isEnabled()); // the owner's window, even when a control inside it is given
    QVERIFY(box->isEnabled());
    QVERIFY(box->CancelButton()->isEnabled());
    box.reset();
    QVERIFY(owner.isEnabled());
}

void TestJkDialog::ownerCannotBeClosedWhileTheBoxLives() {
    QWidget owner;
    owner.show();
    {
        TProgressBox box(&owner, true, true, QString(), QStringLiteral("x"));
        QVERIFY(!owner.close());
        QVERIFY(owner.isVisible());
    }
    QVERIFY(owner.close());
}

void TestJkDialog::alreadyDisabledOwnerStaysDisabled() {
    QWidget owner;
    owner.setEnabled(false);
    owner.show();
    { TProgressBox box(&owner, true, true, QString(), QStringLiteral("x")); }
    QVERIFY(!owner.isEnabled());
}

void TestJkDialog::ownerGetsItsFocusBackAfterTheBox() {
    QWidget owner;
    auto* first = new QPushButton(QStringLiteral("first"), &owner);
    auto* pane = new QPushButton(QStringLiteral("pane"), &owner);
    pane->move(0, 40);
    owner.show();
    owner.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&owner));
    pane->setFocus();
    QCOMPARE(QApplication::focusWidget(), pane);
    {
        TProgressBox box(&owner, true, true, QString(), QStringLiteral("x"));
        QTRY_COMPARE(QApplication::activeWindow(), &box);
        QCOMPARE(QApplication::focusWidget(), box.CancelButton());
    }
    QTRY_COMPARE(QApplication::activeWindow(), &owner);
    QCOMPARE(QApplication::focusWidget(), pane);
    Q_UNUSED(first);
}

void TestJkDialog::progressTextEveryNthCall() {
    TProgressBox box(nullptr, true, true, QStringLiteral("Searching..."), QStringLiteral("x"));
    TEventProbe probe;
    QCoreApplication::processEvents();
    probe.Post();
    ShowProgressText(&box, QStringLiteral("1 replaced"), 3);
    ShowProgressText(&box, QStringLiteral("2 replaced"), 3);
    QCOMPARE(box.TextCounter, 2);
    QCOMPARE(box.Label()->text(), QStringLiteral("Searching..."));
    QCOMPARE(probe.Runs, 0);
    ShowProgressText(&box, QStringLiteral("Occurrences replaced: 1,000"), 3);
    QCOMPARE(box.Label()->text(), QStringLiteral("Occurrences replaced: 1,000"));
    QCOMPARE(box.Label()->size(), box.Label()->sizeHint()); // auto-sized to the new text
    QCOMPARE(probe.Runs, 1);

    // Without a label nothing is counted.
    TProgressBox bare(nullptr, true, true, QString(), QStringLiteral("y"));
    ShowProgressText(&bare, QStringLiteral("t"), 1);
    QCOMPARE(bare.TextCounter, 0);
}

void TestJkDialog::progressTextCounterWraps() {
    TProgressBox box(nullptr, true, true, QStringLiteral("a"), QStringLiteral("x"));
    box.TextCounter = 2147483645;
    ShowProgressText(&box, QStringLiteral("b"), 1);
    QCOMPARE(box.TextCounter, 2147483646);
    ShowProgressText(&box, QStringLiteral("c"), 7);
    QCOMPARE(box.TextCounter, 0);
    QCOMPARE(box.Label()->text(), QStringLiteral("c")); // 0 is a multiple of every
}

void TestJkDialog::enableCancelSwitchesTheButton() {
    TProgressBox box(nullptr, true, true, QString(), QStringLiteral("x"));
    EnableCancelButton(&box, false);
    QVERIFY(!box.CancelButton()->isEnabled());
    QTest::mouseClick(box.CancelButton(), Qt::LeftButton);
    QVERIFY(!box.Cancelled);
    EnableCancelButton(&box, true);
    QVERIFY(box.CancelButton()->isEnabled());
    TProgressBox none(nullptr, false, true, QString(), QStringLiteral("y"));
    EnableCancelButton(&none, true); // no button: nothing happens
}

// --- Placement and labels -----------------------------------------------------------------------------

void TestJkDialog::centerOnScreen() {
    QWidget form;
    form.resize(201, 101);
    CenterOnScreen(&form);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(form.pos(),
             QPoint(screen.x() + (screen.width() - 201) / 2, screen.y() + (screen.height() - 101) / 2));
}

void TestJkDialog::centerOverActiveForm() {
    QWidget main;
    main.setGeometry(100, 80, 400, 300);
    main.show();
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    const QRect frame = main.frameGeometry();
    QDialog dialog;
    dialog.resize(200, 100);
    CenterOverActiveForm(&dialog);
    QCOMPARE(dialog.pos(),
             QPoint(frame.left() + frame.width() / 2 - 100, frame.top() + frame.height() / 2 - 50));

    // A dialog wider than the active form, which sits near the left edge: a negative left becomes the
    // form's own left.
    main.setGeometry(10, 80, 100, 300);
    QDialog wide;
    wide.resize(300, 100);
    CenterOverActiveForm(&wide);
    QCOMPARE(wide.pos().x(), main.frameGeometry().left());
}

void TestJkDialog::centerOverActiveFormFallsBackToTheScreen() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QWidget main;
    main.setGeometry(screen.right() - 150, 80, 140, 100);
    main.show();
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QDialog dialog;
    dialog.resize(400, 100); // would stick out on the right
    CenterOverActiveForm(&dialog);
    QCOMPARE(dialog.pos().x(), screen.x() + (screen.width() - 400) / 2);
    main.close();

    // No active form at all: centred on the screen.
    QTRY_VERIFY(QApplication::activeWindow() == nullptr);
    QDialog lone;
    lone.resize(300, 200);
    CenterOverActiveForm(&lone);
    QCOMPARE(lone.pos(),
             QPoint(screen.x() + (screen.width() - 300) / 2, screen.y() + (screen.height() - 200) / 2));
}

void TestJkDialog::refitLabelsResizesAutoSizedLabelsOnly() {
    QWidget form;
    auto* autoSized = new QLabel(&form);
    autoSized->setText(QStringLiteral("A rather long label text"));
    autoSized->resize(5, 5);
    auto* fixed = new QLabel(QStringLiteral("Fixed label text"), &form);
    fixed->setFixedSize(20, 10);
    auto* wrapped = new QLabel(QStringLiteral("Wrapped label text"), &form);
    wrapped->setWordWrap(true);
    wrapped->resize(30, 40);
    RefitLabels(&form);
    QCOMPARE(autoSized->size(), autoSized->sizeHint());
    QCOMPARE(fixed->size(), QSize(20, 10));
    QCOMPARE(wrapped->size(), QSize(30, 40));
}

void TestJkDialog::dialogUnitsAndMulDiv() {
    QCOMPARE(MulDivRound(8, 7, 4), 14);
    QCOMPARE(MulDivRound(10, 13, 8), 16); // 16.25
    QCOMPARE(MulDivRound(5, 13, 10), 7);  // 6.5 rounds away from zero
    QCOMPARE(MulDivRound(-5, 13, 10), -7);
    QCOMPARE(MulDivRound(1, 2, 0), -1);
    const QFont font = QApplication::font();
    const QFontMetrics metrics(font);
    const QSize unit = AverageCharSize(font);
    QCOMPARE(unit.width(), metrics.horizontalAdvance(
                               QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                               52);
    QCOMPARE(unit.height(), metrics.height());
}

NIBLO_UI_TEST(TestJkDialog)
#include "tst_jkdialog.moc"
