// SPDX-License-Identifier: GPL-3.0-or-later
// The Find/Count, Replace and Insert dialogs: their checks and messages, the conversions, the shared
// histories, and the commands they drive in the main window.
#include "common/TestDocument.h"
#include "controls/JkByteEdit.h"
#include "controls/JkHist.h"
#include "controls/JkNumEdit.h"
#include "controls/JkRadioBtn.h"
#include "controls/JkTextEdit.h"
#include "dialogs/NIBLO_Fin.h"
#include "dialogs/NIBLO_Ins.h"
#include "dialogs/NIBLO_Rep.h"
#include "engine/document/EngineReset.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileCommands.h"
#include "engine/settings/IniFile.h"
#include "engine/search/SearchRequest.h"
#include "engine/store/SystemMemory.h"
#include "engine/document/View.h"
#include "support/UiTestMain.h"
#include "support/ModalAnswer.h"
#include "support/StartedEditor.h"
#include "kit/JkGrid.h"
#include "ui/NIBLO_Main.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString CantAllocate = QStringLiteral("Can't allcate additional memory\nto perform operation");

// Shows a dialog as the active window, the way exec() would, without entering its loop.
void Present(QDialog& dialog) {
    dialog.show();
    QApplication::setActiveWindow(&dialog);
}

void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus(Qt::TabFocusReason);
    edit->selectAll();
    if (text.isEmpty()) QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// Answers the next count message boxes with OK, one after the other, recording their texts.
void AnswerBoxes(std::shared_ptr<QStringList> texts, int count) {
    if (count == 0) return;
    WithNextModal([texts, count](QWidget* box) {
        auto* label = box->findChild<QLabel*>(QStringLiteral("Message"));
        texts->append(label ? label->text() : QString());
        AnswerBoxes(texts, count - 1); // waits for a box other than this one
        box->findChild<QPushButton*>(QStringLiteral("OK"))->click();
    });
}

// Clicks button and answers the boxes expected to come up; returns their texts.
QStringList ClickAnswering(QPushButton* button, int boxes) {
    auto texts = std::make_shared<QStringList>();
    AnswerBoxes(texts, boxes);
    button->click();
    // Back from the boxes, the dialog is the active window again.
    if (button->window()->isVisible()) QApplication::setActiveWindow(button->window());
    return *texts;
}

// The main window with a file of the given bytes.
class TEditor : public TStartedEditor {
  public:
    using TStartedEditor::TStartedEditor;
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QApplication::setActiveWindow(&Form);
        QTest::keyClick(Form.ActivePane(), Qt::Key(key), modifiers);
    }
    // A key whose command answers with a message box; returns its text.
    QString KeyAnswered(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QString text;
        AnswerNextModal(QStringLiteral("OK"), &text);
        Key(key, modifiers);
        return text;
    }
};

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { SetSettingsFile(Dir.filePath(QStringLiteral("NIBLO.ini")).toStdString()); }
    void init() {
        QFile::remove(Dir.filePath(QStringLiteral("NIBLO.ini")));
        Engine::ResetEngineState(TestDoc());
    }
    void cleanupTestCase() { SetSettingsFile(std::string()); }

    void findRefusesWithNamedField();
    void findCarriesTheRequestBothWays();
    void textToHexAndJokerLabel();
    void replaceChecksBothSides();
    void historiesSharedBetweenFindAndReplace();
    void insertRefusesEmptyCountsAndOversize();
    void findAgainAndCountThroughTheWindow();
    void replaceUndoAndReplaceAllThroughTheWindow();
    void patchChangesOnlyTheFirstSequence();
    void insertStringThroughTheWindow();

  private:
    QTemporaryDir Dir;
};

void TestDialogs::findRefusesWithNamedField() {
    struct TCase {
        const char* Name;
        std::function<void(TFormFind&)> Setup;
        QString Message;
        std::function<QWidget*(TFormFind&)> Field;
    };
    const TCase cases[] = {
        {"joker emptied, joker off", [](TFormFind& d) { d.JkByteEditJoker->clear(); },
         QStringLiteral("Enter joker char"), [](TFormFind& d) -> QWidget* { return d.JkByteEditJoker; }},
        {"empty text", [](TFormFind& d) { d.EditFindT->clear(); }, QStringLiteral("Can't find empty string"),
         [](TFormFind& d) -> QWidget* { return d.EditFindT; }},
        {"hex selected, field empty", [](TFormFind& d) { d.JkRadioBtnHex->click(); },
         QStringLiteral("Hex sequence invalid"), [](TFormFind& d) -> QWidget* { return d.JkByteEditFindH; }},
        {"hex incomplete",
         [](TFormFind& d) {
             d.JkRadioBtnHex->click();
             Type(d.JkByteEditFindH, QStringLiteral("414"));
         },
         QStringLiteral("Hex sequence invalid"), [](TFormFind& d) -> QWidget* { return d.JkByteEditFindH; }},
    };
    for (const TCase& c : cases) {
        TFormFind dialog;
        Present(dialog);
        c.Setup(dialog);
        QCOMPARE(ClickAnswering(dialog.ButtonOK, 1), QStringList{c.Message});
        QVERIFY2(dialog.isVisible() && dialog.result() == QDialog::Rejected, c.Name);
        QVERIFY2(dialog.focusWidget() == c.Field(dialog), c.Name);
    }
}

void TestDialogs::findCarriesTheRequestBothWays() {
    TSearchRequest request;
    request.CaseSensitive = false;
    request.JokerEnabled = true;
    request.JokerChar = 0x3F;
    request.PatternAsText = false;
    request.SearchDown = false;
    TFormFind dialog;
    dialog.LoadRequest(request);
    QVERIFY(!dialog.CheckBoxCase->isChecked() && dialog.CheckBoxJoker->isChecked());
    QCOMPARE(dialog.JkByteEditJoker->text(), QStringLiteral("3F"));
    QCOMPARE(dialog.LabelJoker->text(), QStringLiteral("?"));
    QVERIFY(dialog.JkRadioBtnHex->isChecked() && !dialog.EditFindT->isEnabled());
    QVERIFY(dialog.RadioButtonUp->isChecked());

    Present(dialog);
    Type(dialog.JkByteEditFindH, QStringLiteral("00ff"));
    QCOMPARE(ClickAnswering(dialog.ButtonOK, 0), QStringList());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    TSearchRequest back;
    dialog.StoreRequest(back);
    QCOMPARE(back.Pattern, (std::vector<uint8_t>{0x00, 0xFF}));
    QVERIFY(!back.CaseSensitive && back.JokerEnabled && !back.PatternAsText && !back.SearchDown);
    QCOMPARE(back.JokerChar, uint8_t(0x3F));

    // Text turns into Windows-1252 bytes.
    TFormFind text;
    Present(text);
    text.JkRadioBtnText->click();
    Type(text.EditFindT, QStringLiteral("a"));
    for (const QString& character : {QStringLiteral("\u00E9"), QStringLiteral("\u20AC")})
        QTest::sendKeyEvent(QTest::Click, text.EditFindT, Qt::Key_unknown, character, Qt::NoModifier);
    text.ButtonOK->click();
    QCOMPARE(text.Pattern, QByteArray("a\xE9\x80"));
}

void TestDialogs::textToHexAndJokerLabel() {
    TFormFind dialog;
    Present(dialog);
    dialog.JkRadioBtnText->click();
    Type(dialog.EditFindT, QStringLiteral("AB"));
    QTest::mouseClick(dialog.BitBtnConvert, Qt::LeftButton);
    QCOMPARE(dialog.JkByteEditFindH->text(), QStringLiteral("41 42"));
    QVERIFY(dialog.JkRadioBtnHex->isChecked() && dialog.JkByteEditFindH->isEnabled() &&
            !dialog.EditFindT->isEnabled());
    QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.JkByteEditFindH));
    dialog.JkRadioBtnText->click();
    dialog.EditFindT->clear();
    dialog.BitBtnConvert->click();
    QCOMPARE(dialog.JkByteEditFindH->text(), QString());

    // The label follows the joker field when it is left.
    Type(dialog.JkByteEditJoker, QStringLiteral("41"));
    dialog.CheckBoxCase->setFocus();
    QCOMPARE(dialog.LabelJoker->text(), QStringLiteral("A"));
    Type(dialog.JkByteEditJoker, QStringLiteral("4"));
    dialog.CheckBoxCase->setFocus();
    QCOMPARE(dialog.LabelJoker->text(), QString());
}

void TestDialogs::replaceChecksBothSides() {
    {
        // An empty replacement text deletes each hit.
        TFormReplace dialog;
        Present(dialog);
        QVERIFY(dialog.JkRadioBtnFindT->isChecked() && dialog.JkRadioBtnReplT->isChecked());
        Type(dialog.EditFindT, QStringLiteral("abc"));
        dialog.EditReplT->clear();
        QCOMPARE(ClickAnswering(dialog.ButtonReplAll, 0), QStringList());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(dialog.ReplaceAllPressed);
        TSearchRequest request;
        request.Replacement = {1, 2};
        dialog.StoreRequest(request);
        QCOMPARE(request.Pattern, (std::vector<uint8_t>{'a', 'b', 'c'}));
        QVERIFY(request.Replacement.empty() && request.PatternAsText && request.ReplacementAsText);
    }
    {
        TFormReplace dialog;
        Present(dialog);
        dialog.JkRadioBtnFindH->click();
        Type(dialog.JkByteEditFindH, QStringLiteral("4"));
        dialog.JkRadioBtnReplH->click();
        Type(dialog.JkByteEditReplH, QStringLiteral("414"));
        const QString invalid = QStringLiteral("Hex sequence invalid");
        QCOMPARE(ClickAnswering(dialog.ButtonOK, 2), (QStringList{invalid, invalid}));
        QVERIFY(dialog.isVisible() && dialog.result() == QDialog::Rejected);
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.JkByteEditReplH));

        // An empty replacement hex field is an empty replacement; OK replaces once.
        Type(dialog.JkByteEditFindH, QStringLiteral("41"));
        dialog.JkByteEditReplH->clear();
        QCOMPARE(ClickAnswering(dialog.ButtonOK, 0), QStringList());
        QVERIFY(dialog.result() == QDialog::Accepted && !dialog.ReplaceAllPressed);
        QCOMPARE(dialog.Pattern, QByteArray("A"));
        QVERIFY(dialog.Replacement.isEmpty());
    }
}

void TestDialogs::historiesSharedBetweenFindAndReplace() {
    {
        TFormFind find;
        Present(find);
        find.JkRadioBtnText->click();
        Type(find.EditFindT, QStringLiteral("needle"));
        find.JkRadioBtnHex->click();
        Type(find.JkByteEditFindH, QStringLiteral("4e45"));
        find.ButtonOK->click();
        QCOMPARE(find.result(), int(QDialog::Accepted));
    }
    TFormReplace replace;
    QCOMPARE(replace.EditFindT->text(), QStringLiteral("needle"));
    QCOMPARE(replace.JkByteEditFindH->text(), QStringLiteral("4E 45"));
    QVERIFY(replace.JkHistoryReplT->Items().isEmpty());
}

void TestDialogs::insertRefusesEmptyCountsAndOversize() {
    const QString empty = QStringLiteral("Can't insert empty string");
    // The bytes an insertion adds are held in memory: the memory left is pinned here, 100 MiB past the
    // margin.
    AvailableMemoryHook = [] { return MemoryMargin + (int64_t{100} << 20); };
    struct TUnpin {
        ~TUnpin() { AvailableMemoryHook = nullptr; }
    } unpin;
    {
        TFormIns dialog;
        Present(dialog);
        QCOMPARE(dialog.JkNumEdit1->text(), QStringLiteral("1"));
        QCOMPARE(ClickAnswering(dialog.ButtonOK, 1), QStringList{empty}); // no text
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.EditInsT));
        Type(dialog.EditInsT, QStringLiteral("XY"));
        Type(dialog.JkNumEdit1, QStringLiteral("0"));
        QCOMPARE(ClickAnswering(dialog.ButtonOK, 1), QStringList{empty});
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.JkNumEdit1));
        // XY 99999999 times is 200 MB: more than the memory left.
        Type(dialog.JkNumEdit1, QStringLiteral("99999999"));
        QCOMPARE(ClickAnswering(dialog.ButtonOK, 1), QStringList{CantAllocate});
        // 32 bytes x $7FFFFFF is 2^32 - 32: a 32-bit product would wrap to a small negative size.
        dialog.RadioButtonHexN->click();
        Type(dialog.JkNumEdit1, QStringLiteral("7FFFFFF"));
        Type(dialog.EditInsT, QString(32, QLatin1Char('Z')));
        QCOMPARE(ClickAnswering(dialog.ButtonOK, 1), QStringList{CantAllocate});
        QVERIFY(dialog.isVisible() && dialog.result() == QDialog::Rejected);
        QCOMPARE(dialog.JkNumEdit1->text(), QStringLiteral("$7FFFFFF"));
        // With the memory to hold them, the same 4 GiB are taken: no buffer of a fixed room limits them.
        AvailableMemoryHook = [] { return int64_t{1} << 40; };
        QCOMPARE(ClickAnswering(dialog.ButtonOK, 0), QStringList{});
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        AvailableMemoryHook = [] { return MemoryMargin + (int64_t{100} << 20); };
    }
    // Stored entries are not typed: a negative one is refused, one beyond 31 bits is a count like any other.
    const std::pair<const char*, QString> storedEntries[] = {{"-5", empty}, {"$FFFFFFFF", CantAllocate}};
    for (const auto& [stored, refusal] : storedEntries) {
        TIniFile(SettingsFile()).WriteString("JkHistoryInsN", "0", stored);
        TFormIns dialog;
        Present(dialog);
        Type(dialog.EditInsT, QStringLiteral("XY"));
        QCOMPARE(dialog.JkNumEdit1->text(), QString::fromLatin1(stored));
        QCOMPARE(ClickAnswering(dialog.ButtonOK, 1), QStringList{refusal});
        QVERIFY2(dialog.result() == QDialog::Rejected, stored);
    }
}

void TestDialogs::findAgainAndCountThroughTheWindow() {
    TEditor editor("xxabcabc");
    editor.RunDialog<TFormFind>(TCommand::Find1, [](TFormFind& dialog) {
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Find"));
        QCOMPARE(dialog.HelpContext, 51);
        dialog.JkRadioBtnText->click();
        dialog.EditFindT->clear();
        QTest::keyClicks(dialog.EditFindT, QStringLiteral("abc"));
        QTest::keyClick(dialog.EditFindT, Qt::Key_Return);
    });
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 3);
    QVERIFY(editor.Form.Action(TCommand::Findagaindown1)->isEnabled());
    editor.Key(Qt::Key_F3);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 6);
    QCOMPARE(editor.KeyAnswered(Qt::Key_F3), QStringLiteral("String not found"));
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 6);
    editor.Key(Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 3);

    // Count from the cursor downwards; the cursor ends on the last hit counted.
    Engine::ShowAddress(TestDoc(), 1, true, false);
    QString message;
    editor.RunDialog<TFormFind>(TCommand::Count1, [&message](TFormFind& dialog) {
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Count"));
        QCOMPARE(dialog.EditFindT->text(), QStringLiteral("abc")); // the history's newest entry
        AnswerNextModal(QStringLiteral("OK"), &message);
        dialog.ButtonOK->click();
    });
    QCOMPARE(message, QStringLiteral("Occurences found:\n2"));
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 6);

    // A cancelled Find disables the find-again commands.
    editor.RunDialog<TFormFind>(TCommand::Find1, [](TFormFind& dialog) { dialog.ButtonCancel->click(); });
    QVERIFY(!editor.Form.Action(TCommand::Findagaindown1)->isEnabled());
    QCOMPARE(TestApp().SearchRequest.Pattern, (std::vector<uint8_t>{'a', 'b', 'c'}));
}

void TestDialogs::replaceUndoAndReplaceAllThroughTheWindow() {
    TEditor editor("xxabcabc");
    auto replace = [](const QString& find, const QString& with, bool all, QString* message) {
        return [=](TFormReplace& dialog) {
            dialog.JkRadioBtnFindT->click();
            dialog.JkRadioBtnReplT->click();
            Type(dialog.EditFindT, find);
            Type(dialog.EditReplT, with);
            if (message) AnswerNextModal(QStringLiteral("OK"), message);
            (all ? dialog.ButtonReplAll : dialog.ButtonOK)->click();
        };
    };
    editor.RunDialog<TFormReplace>(TCommand::Replace1,
                                   replace(QStringLiteral("abc"), QStringLiteral("xy"), false, nullptr));
    QCOMPARE(FileBytes(), QByteArray("xxxyabc"));
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 4);
    QVERIFY(editor.Form.Action(TCommand::Replaceundo1)->isEnabled());
    editor.Key(Qt::Key_F4);
    QCOMPARE(FileBytes(), QByteArray("xxxyxy"));
    editor.Run(TCommand::Replaceundo1);
    QCOMPARE(FileBytes(), QByteArray("xxxyabc"));
    QVERIFY(!editor.Form.Action(TCommand::Replaceundo1)->isEnabled());

    // Replace all with an empty replacement deletes every hit from the cursor on.
    Engine::ShowAddress(TestDoc(), 1, true, false);
    QString message;
    editor.RunDialog<TFormReplace>(TCommand::Replace1,
                                   replace(QStringLiteral("x"), QString(), true, &message));
    QCOMPARE(message, QStringLiteral("Occurences replaced:\n3"));
    QCOMPARE(FileBytes(), QByteArray("yabc"));
}

void TestDialogs::patchChangesOnlyTheFirstSequence() {
    const QByteArray sequence("\xF7\xD0\xF7\xD2\xB9\x37", 6);
    QByteArray bytes(6000, '\x90');
    bytes.replace(999, 6, sequence);
    bytes.replace(4999, 6, sequence);
    QString message;
    {
        TEditor editor(bytes);
        Engine::ShowAddress(TestDoc(), 20, true, false);
        AnswerNextModal(QStringLiteral("OK"), &message);
        editor.Run(TCommand::Patch1);
        QCOMPARE(message, QStringLiteral("File successfully patched"));
        QByteArray expected = bytes;
        expected[1004] = '\x7E';
        QCOMPARE(FileBytes(), expected);
        QVERIFY(TestDoc().Modified);
        QCOMPARE(Engine::CurrentAddress(TestDoc()), 20);
        QVERIFY(!editor.Form.Action(TCommand::Replaceundo1)->isEnabled());
    }
    Engine::ResetEngineState(TestDoc());
    TEditor plain(QByteArray(100, 'a'));
    AnswerNextModal(QStringLiteral("OK"), &message);
    plain.Run(TCommand::Patch1);
    QCOMPARE(message, QStringLiteral("File is not a\nBorland Pascal 7.0 executable"));
    QVERIFY(!TestDoc().Modified);
}

void TestDialogs::insertStringThroughTheWindow() {
    TEditor editor("0123456789");
    // A block behind the insertion point no longer marks its bytes.
    for (int32_t address : {6, 8}) {
        Engine::ShowAddress(TestDoc(), address, true, false);
        editor.Run(TCommand::Blockmark1);
    }
    Engine::ShowAddress(TestDoc(), 5, true, false);
    QString message;
    editor.RunDialog<TFormIns>(TCommand::Insert1, [&message](TFormIns& dialog) {
        Type(dialog.EditInsT, QStringLiteral("XY"));
        Type(dialog.JkNumEdit1, QStringLiteral("3"));
        AnswerNextModal(QStringLiteral("OK"), &message);
        QTest::keyClick(dialog.JkNumEdit1, Qt::Key_Return);
    });
    QCOMPARE(FileBytes(), QByteArray("0123XYXYXY456789"));
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 5);
    QVERIFY(TestDoc().Modified);
    QCOMPARE(message, QStringLiteral("Block no longer valid"));
    QCOMPARE(TestDoc().Block.BlockBegin, 0);

    // A "$" count from the history selects hexadecimal and counts in hex.
    TIniFile(SettingsFile()).WriteString("JkHistoryInsN", "0", "\"$10\"");
    Engine::ShowAddress(TestDoc(), 1, true, false);
    editor.RunDialog<TFormIns>(TCommand::Insert1, [](TFormIns& dialog) {
        QVERIFY(dialog.RadioButtonHexN->isChecked());
        QCOMPARE(dialog.EditInsT->text(), QStringLiteral("XY"));
        dialog.JkRadioBtnHex->click();
        Type(dialog.JkByteEditInsH, QStringLiteral("00"));
        dialog.ButtonOK->click();
    });
    QCOMPARE(TestDoc().Store.FileSize(), 32);
    QCOMPARE(FileBytes().left(17), QByteArray(16, '\0') + '0');
}

NIBLO_UI_TEST(TestDialogs)
#include "tst_dialogs.moc"
