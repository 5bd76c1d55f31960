// SPDX-License-Identifier: GPL-3.0-or-later
// Tools > Checksums: the block or the whole file, compute on the worker, cancel, compare, copy, and the
// choice kept in the settings file.
#include "dialogs/NIBLO_Sum.h"
#include "common/TestDocument.h"
#include "engine/document/Blocks.h"
#include "engine/document/EngineState.h"
#include "engine/settings/IniFile.h"
#include "kit/ProgressBox.h"
#include "kit/SettingsLocation.h"
#include "support/UiTestMain.h"
#include "support/EditorTestCase.h"
#include "support/StartedEditor.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCryptographicHash>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

namespace {

using K = Engine::TChecksumKind;

void Choose(TFormChecksums& dialog, std::initializer_list<K> kinds) {
    for (QCheckBox* check : dialog.Checks)
        check->setChecked(false);
    for (K kind : kinds)
        dialog.Checks[int(kind)]->setChecked(true);
}

QString ValueOf(const TFormChecksums& dialog, K kind) {
    return dialog.Values[int(kind)]->text();
}

// Computes and waits for the worker to end.
void Compute(TFormChecksums& dialog) {
    dialog.ButtonCompute->click();
    QVERIFY(dialog.ProgressBox());
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.ProgressBox(), 60000);
}

QString Hex(const QByteArray& bytes, QCryptographicHash::Algorithm algorithm) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, algorithm).toHex());
}

} // namespace

class TestChecksums : public TEditorTestCase {
    Q_OBJECT

  private slots:
    void blockIsComputedComparedAndCopied();
    void wholeFileWithoutBlock();
    void cancelLeavesNoValuesAndCommandsComeBack();
    void choiceIsKeptOnlyOnceComputed();
};

void TestChecksums::blockIsComputedComparedAndCopied() {
    const QByteArray bytes = SampleBytes(1000);
    TStartedEditor editor(bytes);
    Engine::SetBlock(TestDoc(), 101, 300);
    const QByteArray block = bytes.mid(100, 200);
    editor.RunDialog<TFormChecksums>(TCommand::Checksums1, [&](TFormChecksums& dialog) {
        QVERIFY(dialog.RadioButtonBlock->isVisible());
        QVERIFY(dialog.RadioButtonBlock->isChecked());
        QCOMPARE(dialog.RadioButtonBlock->text(), QStringLiteral("Marked &block: 200 bytes"));
        Choose(dialog, {K::Crc32, K::Sha256});
        Compute(dialog);
        // Qt's own SHA-256 stands beside OpenSSL's.
        const QString sha = Hex(block, QCryptographicHash::Sha256);
        QCOMPARE(ValueOf(dialog, K::Sha256), sha);
        QCOMPARE(ValueOf(dialog, K::Crc32).size(), 8);
        QVERIFY(ValueOf(dialog, K::Md5).isEmpty());
        QVERIFY(!dialog.CopyButtons[int(K::Md5)]->isEnabled());

        // A pasted digest in capitals with spaces marks its row.
        QString pasted;
        for (int i = 0; i < sha.size(); i += 8)
            pasted += sha.mid(i, 8).toUpper() + QLatin1Char(' ');
        dialog.EditCompare->setText(pasted);
        QVERIFY(dialog.Values[int(K::Sha256)]->property("matches").toBool());
        QVERIFY(!dialog.Values[int(K::Crc32)]->property("matches").toBool());
        QCOMPARE(dialog.LabelCompare->text(), QStringLiteral("Matches SHA-256"));
        dialog.EditCompare->setText(QStringLiteral("0x") + ValueOf(dialog, K::Crc32).toUpper());
        QCOMPARE(dialog.LabelCompare->text(), QStringLiteral("Matches CRC-32"));
        dialog.EditCompare->setText(QStringLiteral("deadbeef"));
        QCOMPARE(dialog.LabelCompare->text(), QStringLiteral("No value matches"));
        // Enter after pasting does not compute again.
        QTest::keyClick(dialog.EditCompare, Qt::Key_Return);
        QVERIFY(!dialog.ProgressBox());
        QVERIFY(!dialog.Values[int(K::Sha256)]->property("matches").toBool());

        dialog.CopyButtons[int(K::Sha256)]->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), sha);
        dialog.ButtonCopyAll->click();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("CRC-32  ") + ValueOf(dialog, K::Crc32) + QStringLiteral("\nSHA-256  ") +
                     sha + QLatin1Char('\n'));

        // The other choice is other bytes: the values go.
        dialog.RadioButtonFile->click();
        QVERIFY(ValueOf(dialog, K::Sha256).isEmpty());
        dialog.ButtonClose->click();
    });
    QCOMPARE(FileBytes(), bytes);
    QVERIFY(!TestDoc().Modified);
}

void TestChecksums::wholeFileWithoutBlock() {
    const QByteArray bytes = SampleBytes(5000);
    TStartedEditor editor(bytes);
    editor.RunDialog<TFormChecksums>(TCommand::Checksums1, [&](TFormChecksums& dialog) {
        QVERIFY(!dialog.RadioButtonBlock->isVisible());
        QVERIFY(dialog.RadioButtonFile->isChecked());
        Choose(dialog, {K::Md5, K::Sha1, K::Sha3_512});
        Compute(dialog);
        QCOMPARE(ValueOf(dialog, K::Md5), Hex(bytes, QCryptographicHash::Md5));
        QCOMPARE(ValueOf(dialog, K::Sha1), Hex(bytes, QCryptographicHash::Sha1));
        QCOMPARE(ValueOf(dialog, K::Sha3_512), Hex(bytes, QCryptographicHash::Sha3_512));
        dialog.ButtonClose->click();
    });
}

void TestChecksums::cancelLeavesNoValuesAndCommandsComeBack() {
    TStartedEditor editor(SampleBytes(1 << 20));
    QVERIFY(editor.Enabled(TCommand::Insert1));
    QVERIFY(!editor.Enabled(TCommand::Undo1));
    editor.RunDialog<TFormChecksums>(TCommand::Checksums1, [&](TFormChecksums& dialog) {
        for (QCheckBox* check : dialog.Checks)
            check->setChecked(true);
        dialog.ButtonCompute->click();
        TProgressBox* box = dialog.ProgressBox();
        QVERIFY(box);
        // While the worker reads the bytes, nothing may change them.
        QVERIFY(!dialog.isEnabled());
        QVERIFY(!editor.Enabled(TCommand::Insert1));
        QVERIFY(!editor.Enabled(TCommand::Blockdelete1));
        QVERIFY(editor.Enabled(TCommand::Find1));
        QTest::mouseClick(box->CancelButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.ProgressBox(), 60000);
        for (QLineEdit* value : dialog.Values)
            QVERIFY(value->text().isEmpty());
        QVERIFY(!dialog.ButtonCopyAll->isEnabled());
        QCOMPARE(dialog.LabelCompare->text(), QStringLiteral("Computing cancelled"));
        QVERIFY(dialog.isEnabled());
        // Each command is back as it was.
        QVERIFY(editor.Enabled(TCommand::Insert1));
        QVERIFY(!editor.Enabled(TCommand::Undo1));
        // Computing again after a cancel gives values.
        Choose(dialog, {K::Xxh3_128});
        Compute(dialog);
        QCOMPARE(ValueOf(dialog, K::Xxh3_128).size(), 32);
        dialog.ButtonClose->click();
    });
}

void TestChecksums::choiceIsKeptOnlyOnceComputed() {
    TStartedEditor editor(SampleBytes(100));
    // Opened and closed without computing, the dialog leaves the settings file alone.
    editor.RunDialog<TFormChecksums>(TCommand::Checksums1, [&](TFormChecksums& dialog) {
        QVERIFY(dialog.Checks[int(K::Sha256)]->isChecked()); // among the first choice
        QVERIFY(!dialog.Checks[int(K::Blake2s256)]->isChecked());
        Choose(dialog, {K::Crc64});
        dialog.ButtonClose->click();
    });
    QVERIFY(!TIniFile(ProgramSettingsFile()).SectionExists("Checksums"));
    editor.RunDialog<TFormChecksums>(TCommand::Checksums1, [&](TFormChecksums& dialog) {
        Choose(dialog, {K::Crc64, K::Blake2s256});
        Compute(dialog);
        dialog.ButtonClose->click();
    });
    editor.RunDialog<TFormChecksums>(TCommand::Checksums1, [&](TFormChecksums& dialog) {
        for (int i = 0; i < Engine::ChecksumCount; ++i)
            QCOMPARE(dialog.Checks[i]->isChecked(), K(i) == K::Crc64 || K(i) == K::Blake2s256);
        // Nothing ticked, nothing to compute.
        Choose(dialog, {});
        QVERIFY(!dialog.ButtonCompute->isEnabled());
        dialog.ButtonClose->click();
    });
}

NIBLO_UI_TEST(TestChecksums)
#include "tst_checksums.moc"
