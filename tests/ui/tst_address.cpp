// SPDX-License-Identifier: GPL-3.0-or-later
// The Address menu, Block <n> and the integer tools through the main window and their dialogs.
#include "common/TestDocument.h"
#include "common/EngineSetup.h"
#include "controls/JkHist.h"
#include "controls/JkNumEdit.h"
#include "controls/JkRadioBtn.h"
#include "dialogs/NIBLO_Bln.h"
#include "dialogs/NIBLO_Dec.h"
#include "dialogs/NIBLO_Enc.h"
#include "dialogs/NIBLO_Goto.h"
#include "dialogs/NIBLO_Jmp.h"
#include "engine/store/PieceStore.h"
#include "engine/document/EngineState.h"
#include "engine/document/View.h"
#include "support/UiTestMain.h"
#include "support/ModalAnswer.h"
#include "support/StartedEditor.h"
#include "support/EditorTestCase.h"
#include "kit/JkGrid.h"
#include "dialogs/NIBLO_Opt.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHash>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

namespace {

// The texts a dialog field is tried with; none of them is a number the dialogs can take.
const char* const Unreadable[] = {"", "$", "-", "123456789012", "12 34", "1A"};

void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus(Qt::TabFocusReason);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// Presses OK in a dialog that must refuse: returns the error box's text; the dialog stays open.
QString Refused(QPushButton* ok) {
    QString text;
    AnswerNextModal(QStringLiteral("OK"), &text);
    ok->click();
    if (!ok->window()->isVisible()) return QStringLiteral("<dialog closed>");
    QApplication::setActiveWindow(ok->window());
    return text;
}

// Presses OK in a dialog that may refuse: returns the text of the box that came up (closing it), or empty.
QString Pressed(QPushButton* ok) {
    QString text;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&text, ok] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box || box == ok->window()) return;
        if (auto* label = box->findChild<QLabel*>(QStringLiteral("Message"))) text = label->text();
        box->close();
    });
    closer.start(10);
    ok->click();
    return text;
}

using TEditor = TStartedEditor;

// One entry into an address field: typed key by key, or pasted whole.
struct TEntry {
    const char* Text;
    bool Pasted;
    bool Hex;
    // The number read, or -1 with the character the refusal names and the base it names.
    int64_t Number;
    const char* Named = "";
    const char* Base = "";
};

// Runs one dialog of the three for each entry: the number it takes (the target address for Go to), or
// the refusal's text.
template <typename TDialog>
void CheckEntries(TEditor& editor, TCommand command, const QString& invalid, int64_t offset,
                  const std::vector<TEntry>& entries) {
    for (const TEntry& entry : entries) {
        editor.GoTo(1);
        const QString label = QStringLiteral("%1 %2 %3 %4")
                                  .arg(invalid, QString::fromLatin1(entry.Text),
                                       QLatin1String(entry.Pasted ? "pasted" : "typed"),
                                       QLatin1String(entry.Hex ? "hex" : "dec"));
        editor.RunDialog<TDialog>(command, [&](TDialog& dialog) {
            (entry.Hex ? dialog.RadioButtonHex : dialog.RadioButtonDec)->click();
            if (entry.Pasted) {
                QApplication::clipboard()->setText(QString::fromLatin1(entry.Text));
                dialog.JkNumEdit1->setFocus(Qt::TabFocusReason);
                dialog.JkNumEdit1->selectAll();
                QTest::keyClick(dialog.JkNumEdit1, Qt::Key_V, Qt::ControlModifier);
            } else {
                Type(dialog.JkNumEdit1, QString::fromLatin1(entry.Text));
            }
            const QString box = Pressed(dialog.ButtonOK);
            if (entry.Number < 0) {
                QVERIFY2(dialog.isVisible(), qPrintable(label));
                QCOMPARE(box, QStringLiteral("%1:\n'%2' is no %3 digit")
                                  .arg(invalid, QString::fromLatin1(entry.Named),
                                       QString::fromLatin1(entry.Base)));
                dialog.ButtonCancel->click();
                return;
            }
            QVERIFY2(box.isEmpty(), qPrintable(label + QStringLiteral(": ") + box));
            QVERIFY2(!dialog.isVisible(), qPrintable(label));
            QVERIFY2(dialog.Number == entry.Number + offset,
                     qPrintable(label + QStringLiteral(": ") + QString::number(dialog.Number)));
        });
    }
}

} // namespace

class TestAddress : public TEditorTestCase {
    Q_OBJECT

  private slots:

    void gotoRefusesAndGoes();
    void gotoReachesEveryAddressOfAFileBeyondFourGib();
    void hexPrefixesInEveryAddressField();
    void jumpWidthAndJumps();
    void rememberAndDifference();
    void blockOfNThenDelete();
    void decodeShowsWhatFits();
    void encodeHereInsertOverwrite();
    void encodeIntoAnEmptyFile();
};

void TestAddress::gotoRefusesAndGoes() {
    TEditor editor(SampleBytes(300));
    TFormMain& form = editor.Form;
    TestApp().AddressBase = 0;
    editor.GoTo(50);
    editor.RunDialog<TFormGoto>(TCommand::Goto1, [](TFormGoto& dialog) {
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Go to address"));
        QCOMPARE(dialog.GoMode(), Engine::TGoMode::Absolute);
        QVERIFY(dialog.ButtonHelp);
        QStringList texts(std::begin(Unreadable), std::end(Unreadable));
        texts << QStringLiteral("300"); // one past the last byte
        // A character that is no digit of the mode is named after the message.
        const QHash<QString, QString> named{
            {QStringLiteral("-"), QStringLiteral(":\n'-' is no decimal digit")},
            {QStringLiteral("12 34"), QStringLiteral(":\n' ' is no decimal digit")},
            {QStringLiteral("1A"), QStringLiteral(":\n'A' is no decimal digit")}};
        for (const QString& text : texts) {
            dialog.RadioButtonDec->setChecked(true);
            dialog.JkNumEdit1->setText(text);
            QCOMPARE(Refused(dialog.ButtonOK), QStringLiteral("Adress invalid") + named.value(text));
        }
        dialog.RadioGroupGoMode->SetItemIndex(2);
        dialog.ButtonCancel->click();
    });
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 50);
    QCOMPARE(form.GotoMode, 0); // the mode of a cancelled dialog is dropped
    QVERIFY(!TestDoc().Modified);

    editor.RunDialog<TFormGoto>(TCommand::Goto1, [](TFormGoto& dialog) {
        dialog.RadioButtonHex->click();
        Type(dialog.JkNumEdit1, QStringLiteral("10"));
        dialog.ButtonOK->click();
    });
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 17);

    // The last entry comes back in hex; relative down is remembered for the next time.
    editor.RunDialog<TFormGoto>(TCommand::Goto1, [](TFormGoto& dialog) {
        QCOMPARE(dialog.JkNumEdit1->text(), QStringLiteral("$10"));
        QVERIFY(dialog.RadioButtonHex->isChecked());
        dialog.RadioGroupGoMode->SetItemIndex(1);
        dialog.ButtonOK->click();
    });
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 33);
    QCOMPARE(form.GotoMode, 1);

    TestApp().AddressBase = 1;
    editor.RunDialog<TFormGoto>(TCommand::Goto1, [](TFormGoto& dialog) {
        QCOMPARE(dialog.GoMode(), Engine::TGoMode::RelativeDown);
        dialog.RadioGroupGoMode->SetItemIndex(0);
        dialog.RadioButtonDec->click();
        Type(dialog.JkNumEdit1, QStringLiteral("0"));
        QCOMPARE(Refused(dialog.ButtonOK), QStringLiteral("Adress invalid"));
        Type(dialog.JkNumEdit1, QStringLiteral("300"));
        dialog.ButtonOK->click();
    });
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 300);
}

// Only the page shown is touched, so an untouched allocation stands in for the file.
void TestAddress::gotoReachesEveryAddressOfAFileBeyondFourGib() {
    TEditor editor(SampleBytes(300));
    const TCount size = TCount{5} << 30;
    EngineSetup::SetStoreSize(size);
    TestApp().AddressBase = 0;
    editor.RunDialog<TFormGoto>(TCommand::Goto1, [](TFormGoto& dialog) {
        dialog.RadioButtonHex->click();
        Type(dialog.JkNumEdit1, QStringLiteral("140000000")); // one past the last byte
        QCOMPARE(Refused(dialog.ButtonOK), QStringLiteral("Adress invalid"));
        Type(dialog.JkNumEdit1, QStringLiteral("13FFFFFFF"));
        dialog.ButtonOK->click();
    });
    QCOMPARE(Engine::CurrentAddress(TestDoc()), size);
    editor.RunDialog<TFormGoto>(TCommand::Goto1, [](TFormGoto& dialog) {
        QCOMPARE(dialog.JkNumEdit1->text(), QStringLiteral("$13FFFFFFF"));
        dialog.RadioButtonDec->click();
        Type(dialog.JkNumEdit1, QStringLiteral("4294967296"));
        dialog.ButtonOK->click();
    });
    QCOMPARE(Engine::CurrentAddress(TestDoc()), (TAddress{1} << 32) + 1);
    EngineSetup::SetStoreSize(300);
}

// "$" and "0x" read the rest as hex in either mode, typed or pasted; typing drops any other stray
// character, pasting has it named.
void TestAddress::hexPrefixesInEveryAddressField() {
    TEditor editor(SampleBytes(40000));
    TestApp().AddressBase = 0;
    std::vector<TEntry> entries;
    for (const bool hex : {false, true}) {
        for (const bool pasted : {false, true}) {
            entries.push_back({"0x7530", pasted, hex, 0x7530});
            entries.push_back({"$7530", pasted, hex, 0x7530});
            entries.push_back({"0X1f", pasted, hex, 0x1F});
            entries.push_back({"7530", pasted, hex, hex ? 0x7530 : 7530});
        }
        entries.push_back({"1A", false, hex, hex ? 0x1A : 1});
        entries.push_back({"12g4", false, hex, hex ? 0x124 : 124});
        entries.push_back({"$0x12", false, hex, 0x12});
        entries.push_back({"12g4", true, hex, -1, "g", hex ? "hexadecimal" : "decimal"});
        entries.push_back({"0x1G", true, hex, -1, "G", "hexadecimal"});
        entries.push_back({"-5", true, hex, -1, "-", hex ? "hexadecimal" : "decimal"});
    }
    entries.push_back({"1A", true, false, -1, "A", "decimal"});
    entries.push_back({"1A", true, true, 0x1A});
    CheckEntries<TFormGoto>(editor, TCommand::Goto1, QStringLiteral("Adress invalid"), 1, entries);
    CheckEntries<TFormJump>(editor, TCommand::Jumpwidth1, QStringLiteral("Jump width invalid"), 0, entries);
    CheckEntries<TFormBlockN>(editor, TCommand::Blocknchars1, QStringLiteral("Block size invalid"), 0,
                              entries);
}

void TestAddress::jumpWidthAndJumps() {
    TEditor editor(SampleBytes(300));
    QVERIFY(!editor.Enabled(TCommand::Jumpdown1) && !editor.Enabled(TCommand::Jumpup1));
    editor.GoTo(50);
    editor.RunDialog<TFormJump>(TCommand::Jumpwidth1, [](TFormJump& dialog) {
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Enter jump width"));
        QVERIFY(!dialog.ButtonHelp);
        // The field is read as in Go to; only the limits and the message are the dialog's own.
        const QStringList texts{QStringLiteral("$"), QStringLiteral("0"), QStringLiteral("300")};
        for (const QString& text : texts) {
            dialog.RadioButtonDec->setChecked(true);
            dialog.JkNumEdit1->setText(text);
            QCOMPARE(Refused(dialog.ButtonOK), QStringLiteral("Jump width invalid"));
        }
        Type(dialog.JkNumEdit1, QStringLiteral("100"));
        dialog.ButtonOK->click();
    });
    QVERIFY(editor.Enabled(TCommand::Jumpdown1) && editor.Enabled(TCommand::Jumpup1));
    editor.Run(TCommand::Jumpdown1);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 150);
    QApplication::setActiveWindow(&editor.Form);
    QTest::keyClick(editor.Form.ActivePane(), Qt::Key_F5);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 250);
    QCOMPARE(editor.RunAnswered(TCommand::Jumpdown1), QStringLiteral("Adress invalid"));
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 250);
    QApplication::setActiveWindow(&editor.Form);
    QTest::keyClick(editor.Form.ActivePane(), Qt::Key_F5, Qt::ShiftModifier);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 150);

    editor.RunDialog<TFormJump>(TCommand::Jumpwidth1,
                                [](TFormJump& dialog) { dialog.ButtonCancel->click(); });
    QVERIFY(!editor.Enabled(TCommand::Jumpdown1) && !editor.Enabled(TCommand::Jumpup1));
    QCOMPARE(TestDoc().Search.JumpWidth, 100);
}

void TestAddress::rememberAndDifference() {
    TEditor editor(SampleBytes(300));
    QVERIFY(!editor.Enabled(TCommand::Gotoremembered1) && !editor.Enabled(TCommand::Displaydifference1));
    TestApp().AddressBase = 0;
    editor.GoTo(100);
    editor.Run(TCommand::Rememberadress1);
    QVERIFY(editor.Enabled(TCommand::Gotoremembered1) && editor.Enabled(TCommand::Displaydifference1));
    editor.GoTo(40);
    QCOMPARE(editor.RunAnswered(TCommand::Displaydifference1),
             QStringLiteral("Remembered adress dec: 99\nDifference dec: -60\n"
                            "Remembered adress hex: 63\nDifference hex: FFFFFFC4"));
    editor.Run(TCommand::Gotoremembered1);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 100);

    editor.Run(TCommand::Close1);
    QVERIFY(!editor.Enabled(TCommand::Gotoremembered1) && !editor.Enabled(TCommand::Displaydifference1));
}

void TestAddress::blockOfNThenDelete() {
    QByteArray bytes = SampleBytes(300);
    TEditor editor(bytes);
    editor.GoTo(10);
    editor.RunDialog<TFormBlockN>(TCommand::Blocknchars1, [](TFormBlockN& dialog) {
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Block with <n> chars"));
        // 10 + 292 - 1 lies past the end.
        const QStringList texts{QStringLiteral("12 34"), QStringLiteral("0"), QStringLiteral("292")};
        for (const QString& text : texts) {
            dialog.RadioButtonDec->setChecked(true);
            dialog.JkNumEdit1->setText(text);
            QVERIFY(Refused(dialog.ButtonOK).startsWith(QStringLiteral("Block size invalid")));
        }
        QCOMPARE(TestDoc().Block.BlockBegin, 0);
        Type(dialog.JkNumEdit1, QStringLiteral("5"));
        dialog.ButtonOK->click();
    });
    QCOMPARE(TestDoc().Block.BlockBegin, 10);
    QCOMPARE(TestDoc().Block.BlockEnd, 14);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 10);
    QVERIFY(editor.Enabled(TCommand::Blockunmark1) && editor.Form.Button(TCommand::JkBtnDel)->isEnabled());
    editor.Run(TCommand::Blockdelete1);
    bytes.remove(9, 5);
    QCOMPARE(FileBytes(), bytes);
}

void TestAddress::decodeShowsWhatFits() {
    QByteArray bytes("\x11\x22\xFF\x7F\x00\x80", 6);
    TEditor editor(bytes);
    auto decode = [&editor](int32_t address) {
        editor.GoTo(address);
        QStringList lines;
        editor.RunDialog<TFormDecode>(TCommand::Decode1, [&lines](TFormDecode& dialog) {
            lines = dialog.Memo1->toPlainText().split(QLatin1Char('\n'));
            const QFontMetrics metrics(dialog.Memo1->font()); // the lines' columns must line up
            QCOMPARE(metrics.horizontalAdvance(QLatin1Char(' ')),
                     metrics.horizontalAdvance(QLatin1Char('W')));
            QVERIFY(dialog.Memo1->isReadOnly());
            lines.prepend(dialog.LabelByteOrder->text());
            dialog.ButtonOK->click();
        });
        return lines;
    };
    editor.Form.ByteOrder = 0;
    QCOMPARE(decode(6).size(), 1 + 1);
    QCOMPARE(decode(5).size(), 1 + 3);
    const QStringList lsb = decode(4);
    QCOMPARE(lsb.size(), 1 + 3);
    QCOMPARE(lsb[0], QStringLiteral("Byte order: LSB...MSB (Pascal)"));
    QCOMPARE(decode(3).size(), 1 + 4);
    editor.Form.ByteOrder = 1;
    const QStringList msb = decode(3);
    QCOMPARE(msb[0], QStringLiteral("Byte order: MSB...LSB"));
    QCOMPARE(msb[2], QStringLiteral("2 bytes as word:           65407"));
    QCOMPARE(FileBytes(), bytes);
    QVERIFY(!TestDoc().Modified);
}

void TestAddress::encodeHereInsertOverwrite() {
    QByteArray bytes = SampleBytes(20);
    TEditor editor(bytes);
    editor.Form.ByteOrder = 0;
    editor.GoTo(5);
    editor.RunDialog<TFormEncode>(TCommand::Encode1, [](TFormEncode& dialog) {
        QCOMPARE(dialog.LabelByteOrder->text(), QStringLiteral("Byte order: LSB...MSB (Pascal)"));
        QVERIFY(dialog.JkRadioBtnInsert->isChecked() && !dialog.EditHere->isEnabled());
        dialog.JkRadioBtnHere->click();
        QVERIFY(dialog.EditHere->isEnabled());
        Type(dialog.JkNumEdit1, QStringLiteral("-1"));
        dialog.RadioGroupAs->SetItemIndex(3);
        dialog.ButtonOK->click();
        QCOMPARE(dialog.EditHere->text(), QStringLiteral("FF FF"));
        QVERIFY(dialog.isVisible());
        dialog.RadioGroupAs->SetItemIndex(2);
        QCOMPARE(Refused(dialog.ButtonOK), QStringLiteral("Value out of range"));
        for (const char* text : Unreadable) {
            dialog.JkNumEdit1->setText(QString::fromLatin1(text));
            QCOMPARE(Refused(dialog.ButtonOK), QStringLiteral("Value out of range"));
        }
        Type(dialog.JkNumEdit1, QStringLiteral("200"));
        dialog.RadioGroupAs->SetItemIndex(0);
        QCOMPARE(Refused(dialog.ButtonOK), QStringLiteral("Value out of range"));
        dialog.RadioGroupAs->SetItemIndex(1);
        dialog.ButtonOK->click();
        QCOMPARE(dialog.EditHere->text(), QStringLiteral("C8"));
        Type(dialog.JkNumEdit1, QStringLiteral("9999999999"));
        dialog.RadioGroupAs->SetItemIndex(4);
        QCOMPARE(Refused(dialog.ButtonOK), QStringLiteral("Value out of range"));
        // Hexadecimal is read as the 32-bit pattern the field itself shows negative numbers in.
        const struct {
            const char* Text;
            int Type;
            const char* Here; // empty: out of range
        } hexCases[] = {{"$FFFFFFFF", 4, "FF FF FF FF"}, {"$80000000", 4, "00 00 00 80"},
                        {"$7FFFFFFF", 4, "FF FF FF 7F"}, {"$FFFFFFFF", 3, "FF FF"},
                        {"$FFFF", 2, "FF FF"},           {"$FFFF", 3, ""},
                        {"$FFFFFF80", 0, "80"},          {"$FFFFFFFF", 1, ""}};
        for (const auto& c : hexCases) {
            dialog.JkNumEdit1->setText(QString::fromLatin1(c.Text));
            dialog.RadioGroupAs->SetItemIndex(c.Type);
            QCOMPARE(Pressed(dialog.ButtonOK), *c.Here ? QString() : QStringLiteral("Value out of range"));
            if (*c.Here) QCOMPARE(dialog.EditHere->text(), QString::fromLatin1(c.Here));
        }
        dialog.ButtonCancel->click();
    });
    QCOMPARE(FileBytes(), bytes);
    QVERIFY(!TestDoc().Modified);

    // Inserting before a block moves its bytes: the block goes.
    Engine::ShowAddress(TestDoc(), 8, true, false);
    editor.Run(TCommand::Blockmark1);
    editor.GoTo(12);
    editor.Run(TCommand::Blockmark1);
    editor.GoTo(5);
    QString box;
    editor.RunDialog<TFormEncode>(
        TCommand::Encode1,
        [](TFormEncode& dialog) {
            Type(dialog.JkNumEdit1, QStringLiteral("258"));
            dialog.RadioGroupAs->SetItemIndex(3);
            dialog.ButtonOK->click();
        },
        &box);
    bytes.insert(4, QByteArray("\x02\x01", 2));
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 5);
    QVERIFY(TestDoc().Modified);
    QCOMPARE(box, QStringLiteral("Block no longer valid"));
    QCOMPARE(TestDoc().Block.BlockBegin, 0);

    // Overwrite in MSB order; a longint on the second-to-last byte does not fit.
    editor.Form.ByteOrder = 1;
    editor.GoTo(1);
    editor.RunDialog<TFormEncode>(TCommand::Encode1, [](TFormEncode& dialog) {
        QCOMPARE(dialog.LabelByteOrder->text(), QStringLiteral("Byte order: MSB...LSB"));
        QCOMPARE(dialog.JkNumEdit1->text(), QStringLiteral("258")); // from the history
        dialog.RadioGroupAs->SetItemIndex(3);
        dialog.JkRadioBtnOver->click();
        dialog.ButtonOK->click();
    });
    bytes.replace(0, 2, QByteArray("\x01\x02", 2));
    QCOMPARE(FileBytes(), bytes);
    editor.GoTo(21);
    box.clear();
    editor.RunDialog<TFormEncode>(
        TCommand::Encode1,
        [](TFormEncode& dialog) {
            dialog.RadioGroupAs->SetItemIndex(4);
            dialog.JkRadioBtnOver->click();
            dialog.ButtonOK->click();
        },
        &box);
    QCOMPARE(box, QStringLiteral("Can't overwrite beyond end of file"));
    QCOMPARE(FileBytes(), bytes);
}

void TestAddress::encodeIntoAnEmptyFile() {
    TEditor editor{QByteArray()};
    QCOMPARE(TestDoc().Store.FileSize(), 0);
    editor.Form.ByteOrder = 0;
    editor.RunDialog<TFormEncode>(TCommand::Encode1, [](TFormEncode& dialog) {
        Type(dialog.JkNumEdit1, QStringLiteral("2147483647"));
        dialog.RadioGroupAs->SetItemIndex(4);
        dialog.JkRadioBtnOver->click();
        dialog.ButtonOK->click();
    });
    QCOMPARE(FileBytes(), QByteArray("\xFF\xFF\xFF\x7F", 4));
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 1);
    QVERIFY(TestDoc().Modified);
    // The panes show the new bytes at once.
    QCOMPARE(editor.Form.JkStrGridHex->Cell(3, 0), QStringLiteral("7F"));
}

NIBLO_UI_TEST(TestAddress)
#include "tst_address.moc"
