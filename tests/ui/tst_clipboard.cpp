// SPDX-License-Identifier: GPL-3.0-or-later
// Cut, copy and paste through the desktop's clipboard, the enabling of Paste and the question at exit.
#include "support/UiTestMain.h"
#include "common/TestDocument.h"
#include "support/TempSettings.h"
#include "ui/NIBLO_Main.h"

#include "engine/document/EngineReset.h"
#include "engine/document/EngineState.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "support/ModalAnswer.h"
#include "support/StartedEditor.h"
#include "kit/JkGrid.h"
#include "kit/SystemClipboard.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QToolButton>

namespace {

QByteArray OurFormatOnClipboard() {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    return mime ? mime->data(TSystemClipboard::BinaryMimeType()) : QByteArray();
}

// The program's binary format holding n bytes, as another copy of the program puts it there.
void PutOurFormat(int n) {
    QByteArray payload(4, '\0');
    payload[0] = char(n & 0xFF);
    payload[1] = char(n >> 8);
    payload += QByteArray(n, 'x');
    auto* mime = new QMimeData;
    mime->setData(TSystemClipboard::BinaryMimeType(), payload);
    QGuiApplication::clipboard()->setMimeData(mime);
}

// A desktop clipboard that refuses to take anything.
class TRefusingClipboard : public TSystemClipboard {
  public:
    bool Publish(std::u16string_view) override { return false; }
};

void Mark(TStartedEditor& editor, int32_t begin, int32_t end) {
    editor.GoTo(begin);
    editor.Run(TCommand::Blockmark1);
    editor.GoTo(end);
    editor.Run(TCommand::Blockmark1);
}

} // namespace

class TestClipboard : public QObject {
    Q_OBJECT

  private:
    TTempSettings Settings;

  private slots:
    void init() {
        Settings.Fresh();
        Engine::ResetEngineState(TestDoc());
        QGuiApplication::clipboard()->clear();
    }
    void cleanupTestCase() { Settings.Release(); }
    void cleanup() { Engine::ResetEngineState(TestDoc()); }

    void pasteFollowsTheClipboard();
    void cutCopyAndPasteByMenuShortcutAndToolbar();
    void aRefusingClipboardKeepsTheBlock();
    void exitAsksAboutMoreThan512Bytes();
};

void TestClipboard::pasteFollowsTheClipboard() {
    TStartedEditor editor(SampleBytes(20));
    QAction* paste = editor.Form.Action(TCommand::Paste1);
    emit editor.Form.Action(TCommand::Clipboard1)->menu()->aboutToShow();
    QVERIFY(!paste->isEnabled());
    QGuiApplication::clipboard()->setText(QStringLiteral("x"));
    QVERIFY(paste->isEnabled());
    QGuiApplication::clipboard()->clear();
    QVERIFY(!paste->isEnabled());
    PutOurFormat(0);
    QVERIFY(paste->isEnabled());
    editor.Run(TCommand::Close1);
    QGuiApplication::clipboard()->setText(QStringLiteral("x"));
    QVERIFY(!paste->isEnabled()); // nothing to paste into
}

void TestClipboard::cutCopyAndPasteByMenuShortcutAndToolbar() {
    QByteArray bytes("\x10\x00\x41\xFF\x20", 5);
    TStartedEditor editor(bytes);
    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    Mark(editor, 2, 4);
    editor.Run(TCommand::Copy1);
    QCOMPARE(OurFormatOnClipboard(), QByteArray("\x03\x00\x00\x00\x00\x41\xFF", 7));
    // Beside it, text for other programs as the active pane shows the bytes (the default font has the DOS
    // glyphs: FF is a no-break space).
    for (bool textPane : {false, true}) {
        if (TestApp().TextMode != textPane) editor.Run(TCommand::ModusText1);
        editor.Run(TCommand::Copy1);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 textPane ? QStringLiteral(".A\u00A0") : QStringLiteral("00 41 FF"));
    }
    QCOMPARE(TestDoc().Block.BlockBegin, 2);

    // Ctrl+V from the pane inserts at the cursor, zero byte included.
    QApplication::setActiveWindow(&editor.Form);
    editor.GoTo(5);
    QTest::keyClick(editor.Form.ActivePane(), Qt::Key_V, Qt::ControlModifier);
    bytes.insert(4, QByteArray("\x00\x41\xFF", 3));
    QCOMPARE(FileBytes(), bytes);

    // The toolbar's Cut takes the block away; its Paste brings in text as the bytes the text pane draws it
    // with (the Terminal font's DOS set; a character it has no byte for becomes '?').
    Mark(editor, 1, 2);
    editor.Form.Button(TCommand::JkBtnCut)->click();
    bytes.remove(0, 2);
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(OurFormatOnClipboard(), QByteArray("\x02\x00\x00\x00\x10\x00", 6));
    QGuiApplication::clipboard()->setText(QString::fromUtf8("A\u00E9\u20AC\U0001F600"));
    editor.GoTo(1);
    editor.Form.Button(TCommand::JkBtnPaste)->click();
    QCOMPARE(FileBytes(), QByteArray("A\x82??", 4) + bytes);
    QVERIFY(TestDoc().Modified);

    // Paste hex takes the bytes the text spells; other text is refused with a message.
    QGuiApplication::clipboard()->setText(QStringLiteral("0x7E,\n0x7F"));
    editor.GoTo(1);
    editor.Run(TCommand::Pastehex1);
    QCOMPARE(FileBytes(), QByteArray("\x7E\x7F" "A\x82??", 6) + bytes);
    QGuiApplication::clipboard()->setText(QStringLiteral("not hex"));
    QCOMPARE(editor.RunAnswered(TCommand::Pastehex1), QString::fromLatin1(Texts::ClipboardNotHex));
    QCOMPARE(FileBytes(), QByteArray("\x7E\x7F" "A\x82??", 6) + bytes);
}

void TestClipboard::aRefusingClipboardKeepsTheBlock() {
    const QByteArray bytes = SampleBytes(30);
    TStartedEditor editor(bytes);
    editor.Form.ClipboardPort = std::make_unique<TRefusingClipboard>();
    Mark(editor, 5, 9);
    QString text;
    AnswerNextModal("OK", &text);
    editor.Run(TCommand::Cut1);
    QCOMPARE(text, QString::fromLatin1(Texts::CantCopyToClipboard));
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(TestDoc().Block.BlockBegin, 5);
    QCOMPARE(TestDoc().Block.BlockEnd, 9);
    QVERIFY(!TestDoc().Modified);
}

void TestClipboard::exitAsksAboutMoreThan512Bytes() {
    // One answer stands ready for both exits; only the second may take it.
    QString question;
    AnswerNextModal("Yes", &question);
    {
        TStartedEditor editor(SampleBytes(10));
        PutOurFormat(508); // a block of 512 bytes with its count
        QVERIFY(editor.Form.close());
        QVERIFY(question.isEmpty());
        QCOMPARE(OurFormatOnClipboard().size(), 512);
    }
    Engine::ResetEngineState(TestDoc());
    {
        TStartedEditor editor(SampleBytes(10));
        PutOurFormat(509);
        QVERIFY(editor.Form.close());
        QCOMPARE(question, QString::fromStdString(FormatText(Texts::OfferEmptyClipboard, {int64_t(512)})));
        QVERIFY(OurFormatOnClipboard().isEmpty());
    }
}

NIBLO_UI_TEST(TestClipboard)
#include "tst_clipboard.moc"
