// SPDX-License-Identifier: GPL-3.0-or-later
// The byte-sequence, number and radio-button controls, driven by real key events.
#include "controls/JkTextEdit.h"
#include "controls/Jkkompo.h"
#include "support/UiTestMain.h"

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

namespace {

// Types a script into the focused widget: hex digits and other characters as they stand, and
// '<' Left, '>' Right, '^' Home, '_' End, '#' Backspace, '~' Delete.
void Type(QWidget* widget, const QString& script) {
    for (QChar c : script) {
        switch (c.unicode()) {
        case '<':
            QTest::keyClick(widget, Qt::Key_Left);
            break;
        case '>':
            QTest::keyClick(widget, Qt::Key_Right);
            break;
        case '^':
            QTest::keyClick(widget, Qt::Key_Home);
            break;
        case '_':
            QTest::keyClick(widget, Qt::Key_End);
            break;
        case '#':
            QTest::keyClick(widget, Qt::Key_Backspace);
            break;
        case '~':
            QTest::keyClick(widget, Qt::Key_Delete);
            break;
        default:
            QTest::keyClicks(widget, QString(c));
            break;
        }
    }
}

// A shown, active window holding the control under test, a plain edit and the two dialog buttons.
struct TForm {
    QWidget Window;
    QLineEdit* Other = new QLineEdit(&Window);
    QPushButton* Ok = new QPushButton(QStringLiteral("OK"), &Window);
    QPushButton* Cancel = new QPushButton(QStringLiteral("Cancel"), &Window);

    explicit TForm(QWidget* control) {
        auto* layout = new QVBoxLayout(&Window);
        control->setParent(&Window);
        for (QWidget* w : {control, static_cast<QWidget*>(Other), static_cast<QWidget*>(Ok),
                           static_cast<QWidget*>(Cancel)})
            layout->addWidget(w);
        Ok->setObjectName(QStringLiteral("ButtonOK"));
        Cancel->setObjectName(QStringLiteral("ButtonCancel"));
        Window.show();
        QApplication::setActiveWindow(&Window);
        QVERIFY(QTest::qWaitForWindowActive(&Window));
    }
};

} // namespace

class TestControls : public QObject {
    Q_OBJECT
  private slots:
    void byteEditTyping_data();
    void byteEditTyping();
    void editShortcutsWorkAsInATextField();
    void byteEditMaxBytes();
    void byteEditIsValidAndAscii();

    void numEditDefaultsRefuse();
    void numEditSignedTenDigits();
    void numEditFractions();
    void numEditHexTypingAndSwitching();
    void numEditHexWithoutPrefixIsHexEverywhere();
    void numEditDollarInDecimalSwitchesToHex();
    void numEditLeavingWithBadTextRestoresTheEntryValue();
    void numEditEmptyTextStaysEmpty();
    void numEditValueAndBounds();
    void numEditIntegerValue();

    void radioButtonSwitchesItsControl();
    void textEditTakesOnlyWindows1252();
};

void TestControls::byteEditTyping_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::newRow("first digit") << "4"
                                 << "4" << 1;
    QTest::newRow("third digit opens a group") << "414"
                                               << "41 4" << 4;
    QTest::newRow("two pairs") << "4142"
                               << "41 42" << 5;
    QTest::newRow("lower case") << "abcdef"
                                << "AB CD EF" << 8;
    QTest::newRow("others refused") << "4 g-x1"
                                    << "41" << 2;
    QTest::newRow("digit inside a pair") << "4142<<<<3"
                                         << "4 31 42" << 1;
    QTest::newRow("pair completed") << "4142<<<<35"
                                    << "45 31 42" << 3;
    QTest::newRow("digit behind a pair") << "4142<<<5"
                                         << "41 5 42" << 4;
    QTest::newRow("new pair completed") << "4142<<<56"
                                        << "41 56 42" << 6;
    QTest::newRow("backspace at end") << "4142#"
                                      << "41 4" << 4;
    QTest::newRow("backspace to one digit") << "4142###"
                                            << "4" << 1;
    QTest::newRow("backspace before last") << "414243<#"
                                           << "41 42 3" << 6;
    QTest::newRow("backspace in the middle refused") << "414243^>>#"
                                                     << "41 42 43" << 2;
    QTest::newRow("backspace at start refused") << "41^#"
                                                << "41" << 0;
    QTest::newRow("delete not filtered") << "414243^~"
                                         << "1 42 43" << 0;
    QTest::newRow("delete mid pair") << "414243^>~"
                                     << "4 42 43" << 1;
}

void TestControls::byteEditTyping() {
    QFETCH(QString, script);
    auto* edit = new TJkByteEdit;
    TForm form(edit);
    edit->setFocus();
    Type(edit, script);
    QFETCH(QString, text);
    QFETCH(int, caret);
    QCOMPARE(edit->text(), text);
    QCOMPARE(edit->cursorPosition(), caret);
}

void TestControls::editShortcutsWorkAsInATextField() {
    // Each edit: its text, what typing "1A" over the whole text gives, a clipboard text and how a paste
    // over the whole text shows it.
    struct TCase {
        QLineEdit* Edit;
        QString Start, Typed, Clip, Pasted;
    };
    auto* numEdit = new TJkNumEdit;
    numEdit->SetHex(true);
    const QList<TCase> cases = {{new TJkByteEdit, "41 42", "1A", "4142 43", "41 42 43"},
                                {numEdit, "$1234", "1A", "7F", "7F"}};
    for (const TCase& c : cases) {
        TForm form(c.Edit);
        c.Edit->setFocus();
        c.Edit->setText(c.Start);
        QTest::keyClick(c.Edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(c.Edit, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), c.Start);
        Type(c.Edit, QStringLiteral("1a"));
        QCOMPARE(c.Edit->text(), c.Typed);
        QTest::keyClick(c.Edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(c.Edit, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(c.Edit->text(), QString());
        QCOMPARE(QApplication::clipboard()->text(), c.Typed);
        QTest::keyClick(c.Edit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(c.Edit->text(), c.Typed);
        QApplication::clipboard()->setText(c.Clip);
        QTest::keyClick(c.Edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(c.Edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(c.Edit->text(), c.Pasted);
        // A control key without a shortcut inserts nothing.
        QTest::keyClick(c.Edit, Qt::Key_Q, Qt::ControlModifier);
        QTest::keyClick(c.Edit, Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(c.Edit->text(), c.Pasted);
    }
}

void TestControls::byteEditMaxBytes() {
    auto* edit = new TJkByteEdit;
    TForm form(edit);
    edit->SetMaxBytes(1);
    QCOMPARE(edit->maxLength(), 2);
    edit->setFocus();
    Type(edit, QStringLiteral("414"));
    QCOMPARE(edit->text(), QStringLiteral("41"));
    edit->SetMaxBytes(2);
    Type(edit, QStringLiteral("_4243"));
    QCOMPARE(edit->text(), QStringLiteral("41 42"));
    edit->SetMaxBytes(0);
    QVERIFY(edit->maxLength() > 1000000);
}

void TestControls::byteEditIsValidAndAscii() {
    TJkByteEdit edit; // never shown: texts are taken as they stand
    const QList<QPair<QString, bool>> cases = {{"", false},    {"2E", true},     {"2e", true},
                                               {"2E ", false}, {" 2E", false},   {"2E  41", false},
                                               {"2E4", false}, {"12A34", false}, {"00 FF 7F", true},
                                               {"4G", false},  {"0D0A", false},  {"\u00C4\u00C4", false}};
    for (const auto& [text, valid] : cases) {
        edit.setText(text);
        QVERIFY2(edit.IsValid() == valid, qPrintable(text));
        QCOMPARE(edit.ASCII().isEmpty(), !valid);
    }
    edit.setText(QStringLiteral("41 42"));
    QCOMPARE(edit.ASCII(), QByteArray("AB"));
    edit.setText(QStringLiteral("00 ff"));
    QCOMPARE(edit.ASCII(), QByteArray("\x00\xFF", 2));
    edit.SetASCII("AB");
    QCOMPARE(edit.text(), QStringLiteral("41 42"));
    edit.SetASCII(QByteArray());
    QCOMPARE(edit.text(), QString());
}

void TestControls::numEditDefaultsRefuse() {
    auto* edit = new TJkNumEdit;
    TForm form(edit);
    edit->setFocus();
    Type(edit, QStringLiteral("123456789"));
    QCOMPARE(edit->text(), QStringLiteral("12345678"));
    edit->clear();
    Type(edit, QStringLiteral("-1.5 ,a$"));
    QCOMPARE(edit->text(), QStringLiteral("15"));
    // A selection is replaced, so a full field still takes a digit over it.
    edit->setText(QStringLiteral("12345678"));
    edit->setSelection(0, 2);
    Type(edit, QStringLiteral("9"));
    QCOMPARE(edit->text(), QStringLiteral("9345678"));
}

void TestControls::numEditSignedTenDigits() {
    auto* edit = new TJkNumEdit;
    edit->SetMin(-2147483647);
    edit->SetDigitsInt(10);
    TForm form(edit);
    edit->setFocus();
    Type(edit, QStringLiteral("-12345678901"));
    QCOMPARE(edit->text(), QStringLiteral("-1234567890"));
    Type(edit, QStringLiteral("^-")); // a second minus
    QCOMPARE(edit->text(), QStringLiteral("-1234567890"));
    edit->setText(QStringLiteral("5"));
    Type(edit, QStringLiteral("_-")); // a minus behind a digit
    QCOMPARE(edit->text(), QStringLiteral("5"));
    Type(edit, QStringLiteral("^-"));
    QCOMPARE(edit->text(), QStringLiteral("-5"));
}

void TestControls::numEditFractions() {
    auto* edit = new TJkNumEdit;
    edit->SetDigitsFrac(2);
    edit->SetDigitsInt(3);
    TForm form(edit);
    edit->setFocus();
    Type(edit, QStringLiteral("1234.567."));
    QCOMPARE(edit->text(), QStringLiteral("123.56"));
    edit->setText(QStringLiteral("5"));
    form.Other->setFocus();
    QCOMPARE(edit->text(), QStringLiteral("5.00"));
    QCOMPARE(double(edit->Value()), 5.0);
    edit->SetDigitsFrac(1);
    QCOMPARE(edit->text(), QStringLiteral("5.0"));
}

void TestControls::numEditHexTypingAndSwitching() {
    auto* edit = new TJkNumEdit;
    TForm form(edit);
    edit->SetHex(true);
    edit->setFocus();
    Type(edit, QStringLiteral("g1a-."));
    QCOMPARE(edit->text(), QStringLiteral("1A"));
    form.Other->setFocus();
    QCOMPARE(edit->text(), QStringLiteral("$1A"));
    QCOMPARE(double(edit->Value()), 26.0);
    edit->SetHex(false);
    QCOMPARE(edit->text(), QStringLiteral("26"));
    edit->SetHex(true);
    QCOMPARE(edit->text(), QStringLiteral("$1A"));
    // The "$" counts among the eight characters.
    edit->setFocus();
    Type(edit, QStringLiteral("_123456789"));
    QCOMPARE(edit->text(), QStringLiteral("$1A12345"));
    // Hex forbids fractions.
    edit->SetHex(false);
    edit->SetDigitsFrac(2);
    edit->SetHex(true);
    QCOMPARE(edit->DigitsFrac(), 0);
}

void TestControls::numEditHexWithoutPrefixIsHexEverywhere() {
    auto* edit = new TJkNumEdit;
    TForm form(edit);
    edit->SetHex(true);
    edit->setFocus();
    Type(edit, QStringLiteral("10"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(edit->text(), QStringLiteral("$10"));
    QCOMPARE(double(edit->Value()), 16.0);

    edit->clear();
    Type(edit, QStringLiteral("10"));
    QTest::keyClick(&form.Window, Qt::Key_Tab);
    QCOMPARE(edit->text(), QStringLiteral("$10"));

    edit->setText(QStringLiteral("ff"));
    QVERIFY(edit->Validate());
    QCOMPARE(edit->text(), QStringLiteral("$FF"));
    edit->setText(QStringLiteral("7"));
    qint64 n = 0;
    QVERIFY(edit->IntegerValue(n));
    QCOMPARE(n, 7);
    edit->setText(QStringLiteral("10"));
    QVERIFY(edit->IntegerValue(n));
    QCOMPARE(n, 16);
    // Too wide for 32 bits, and the lone prefix, do not parse.
    edit->setText(QStringLiteral("$100000000"));
    QVERIFY(!edit->Validate());
    edit->setText(QStringLiteral("$"));
    QVERIFY(!edit->Validate());
}

void TestControls::numEditDollarInDecimalSwitchesToHex() {
    auto* edit = new TJkNumEdit;
    TForm form(edit);
    QSignalSpy hexChanges(edit, &TJkNumEdit::HexChanged);
    edit->setFocus();
    edit->setText(QStringLiteral("$1f"));
    form.Other->setFocus();
    QVERIFY(edit->Hex());
    QCOMPARE(hexChanges.count(), 1);
    QCOMPARE(edit->text(), QStringLiteral("$1F"));
    // In decimal mode Normalize converts a "$" text to its decimal form.
    edit->SetHex(false);
    edit->setText(QStringLiteral("$20"));
    edit->Normalize();
    QCOMPARE(edit->text(), QStringLiteral("32"));
}

void TestControls::numEditLeavingWithBadTextRestoresTheEntryValue() {
    auto* edit = new TJkNumEdit;
    TForm form(edit);
    edit->setText(QStringLiteral("42"));
    edit->setFocus();
    QCOMPARE(double(edit->EntryValue()), 42.0);
    edit->clear();
    Type(edit, QStringLiteral("-")); // refused with Min 0; the text can still hold it when pasted
    QCOMPARE(edit->text(), QString());
    edit->setText(QStringLiteral("-"));

    QTest::mouseClick(form.Ok, Qt::LeftButton); // OK: the field keeps the focus
    QCOMPARE(edit->text(), QStringLiteral("42"));
    QVERIFY(edit->hasFocus());
    QCOMPARE(edit->selectedText(), QStringLiteral("42"));

    edit->setText(QStringLiteral("-"));
    form.Other->setFocus(Qt::TabFocusReason); // another field: the same
    QVERIFY(edit->hasFocus());
    QCOMPARE(edit->text(), QStringLiteral("42"));

    edit->setText(QStringLiteral("-"));
    QTest::mouseClick(form.Cancel, Qt::LeftButton); // Cancel: the focus goes
    QVERIFY(form.Cancel->hasFocus());
    QCOMPARE(edit->text(), QStringLiteral("42"));

    // A button that says it closes with OK counts as OK whatever its name.
    auto* go = new QPushButton(QStringLiteral("Go"), &form.Window);
    go->setProperty("ModalResult", 1);
    go->show();
    edit->setFocus();
    edit->setText(QStringLiteral("-"));
    go->setFocus(Qt::MouseFocusReason);
    QVERIFY(edit->hasFocus());
}

void TestControls::numEditEmptyTextStaysEmpty() {
    auto* edit = new TJkNumEdit;
    TForm form(edit);
    edit->setText(QStringLiteral("9"));
    edit->setFocus();
    edit->clear();
    QTest::mouseClick(form.Cancel, Qt::LeftButton);
    QCOMPARE(edit->text(), QString());
    QCOMPARE(double(edit->Value()), 9.0);
}

void TestControls::numEditValueAndBounds() {
    TJkNumEdit edit;
    edit.SetMax(100);
    edit.SetValue(500); // empty text: only the number is stored
    QCOMPARE(double(edit.Value()), 100.0);
    QCOMPARE(edit.text(), QString());
    edit.setText(QStringLiteral("x"));
    edit.SetValue(-3); // a text that does not parse shows the assigned number
    QCOMPARE(edit.text(), QStringLiteral("0"));
    edit.setText(QStringLiteral("70"));
    edit.SetValue(5); // a text that parses wins
    QCOMPARE(double(edit.Value()), 70.0);
    edit.SetMin(200); // above Max: ignored
    QCOMPARE(double(edit.Min()), 0.0);
    edit.SetMax(-1); // below Min: ignored
    QCOMPARE(double(edit.Max()), 100.0);
    QCOMPARE(TJkNumEdit::FormatNumber(-0.001L, false, 8, 2), QStringLiteral("0.00"));
    QCOMPARE(TJkNumEdit::FormatNumber(-1, true, 8, 0), QStringLiteral("$FFFFFFFF"));
    QCOMPARE(TJkNumEdit::FormatNumber(0, true, 8, 0), QStringLiteral("$0"));
    // More integer digits than allowed: exponent form, which reads back.
    const QString wide = TJkNumEdit::FormatNumber(123456789012.0L, false, 8, 0);
    long double back = 0;
    QVERIFY2(TJkNumEdit::ParseNumber(wide, false, back), qPrintable(wide));
    QVERIFY(wide.contains(QLatin1Char('E')));
}

void TestControls::numEditIntegerValue() {
    TJkNumEdit edit;
    qint64 n = 0;
    const QList<QPair<QString, qint64>> good = {
        {"12", 12}, {"-7", -7}, {"$1F", 31}, {"$FFFFFFFF", 4294967295}};
    for (const auto& [text, value] : good) {
        edit.setText(text);
        QVERIFY2(edit.IntegerValue(n), qPrintable(text));
        QCOMPARE(n, value);
    }
    for (const char* text : {"", "1.5", "1e3", "2147483648", "$", "$G", "12x", "$100000000"}) {
        edit.setText(QString::fromLatin1(text));
        QVERIFY2(!edit.IntegerValue(n), text);
    }
    // Wide, as addresses and sizes are read: 63 bits, nothing that wraps past them.
    const QList<QPair<QString, qint64>> wide = {
        {"2147483648", 2147483648},          {"$100000000", qint64{1} << 32},
        {"$7FFFFFFFFFFFFFFF", INT64_MAX},    {"9223372036854775807", INT64_MAX},
        {"-9223372036854775808", INT64_MIN}, {"$1F", 31}};
    for (const auto& [text, value] : wide) {
        edit.setText(text);
        QVERIFY2(edit.IntegerValue(n, true), qPrintable(text));
        QCOMPARE(n, value);
    }
    for (const char* text : {"$8000000000000000", "$FFFFFFFFFFFFFFFF", "$10000000000000000",
                             "9223372036854775808", "1.5", "$"}) {
        edit.setText(QString::fromLatin1(text));
        QVERIFY2(!edit.IntegerValue(n, true), text);
    }
}

void TestControls::radioButtonSwitchesItsControl() {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* text = new TJkRadioBtn(QStringLiteral("&Text"));
    auto* hex = new TJkRadioBtn(QStringLiteral("&Hex sequence"));
    auto* textEdit = new QLineEdit;
    auto* hexEdit = new TJkByteEdit;
    for (QWidget* w : {static_cast<QWidget*>(text), static_cast<QWidget*>(textEdit),
                       static_cast<QWidget*>(hex), static_cast<QWidget*>(hexEdit)})
        layout->addWidget(w);
    text->setChecked(true);
    text->SetControl(textEdit);
    hex->SetControl(hexEdit);
    QVERIFY(textEdit->isEnabled());
    QVERIFY(!hexEdit->isEnabled());
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));

    const QColor on = QApplication::palette().color(QPalette::Base);
    const QColor off = QApplication::palette().color(QPalette::Button);
    QTest::mouseClick(hex, Qt::LeftButton, {}, QPoint(5, hex->height() / 2));
    QVERIFY(hex->isChecked());
    QVERIFY(hexEdit->isEnabled());
    QVERIFY(!textEdit->isEnabled());
    QVERIFY(hexEdit->hasFocus());
    QCOMPARE(hexEdit->palette().color(QPalette::Base), on);
    QCOMPARE(textEdit->palette().color(QPalette::Base), off);

    hex->SetControl(text); // another radio button is no control
    QCOMPARE(hex->Control(), hexEdit);
    text->SetAutoColor(false);
    text->setChecked(true);
    QCOMPARE(textEdit->palette().color(QPalette::Base), off);
    delete hexEdit;
    QCOMPARE(hex->Control(), nullptr);
    hex->setChecked(true); // nothing to switch any more
}

void TestControls::textEditTakesOnlyWindows1252() {
    auto* edit = new TJkTextEdit;
    TForm form(edit);
    edit->setFocus();
    for (const QString& typed : {QStringLiteral("a"), QStringLiteral("\u20AC"), QStringLiteral("\u0101"),
                                 QStringLiteral("\U0001F600"), QStringLiteral("b")})
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, typed, Qt::NoModifier);
    QCOMPARE(edit->text(), QStringLiteral("a\u20ACb")); // no byte for the other two: not typed
    QCOMPARE(edit->Bytes(), QByteArray("a\x80"
                                       "b"));
    QApplication::clipboard()->setText(QStringLiteral("x\u0101y"));
    edit->paste();
    QCOMPARE(edit->text(), QStringLiteral("a\u20ACbx?y"));
    edit->SetBytes(QByteArray("\x9F\xE9\x81", 3));
    QCOMPARE(edit->Bytes(), QByteArray("\x9F\xE9\x81", 3));
}

NIBLO_UI_TEST(TestControls)
#include "tst_controls.moc"
