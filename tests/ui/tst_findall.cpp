// SPDX-License-Identifier: GPL-3.0-or-later
// Find all: the list and its count, going to a hit, the hits marked on the page, copying the list, stepping
// through it, and a number searched for from the dialog (a bad one refused with nothing run).
#include "common/TestDocument.h"
#include "controls/JkRadioBtn.h"
#include "controls/JkTextEdit.h"
#include "dialogs/NIBLO_Fin.h"
#include "engine/document/View.h"
#include "support/EditorTestCase.h"
#include "support/StartedEditor.h"
#include "support/UiTestMain.h"
#include "ui/NIBLO_FindAll.h"

#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

std::vector<int64_t> ListedAddresses(const TFormMain& form) {
    std::vector<int64_t> addresses;
    for (const Engine::TFoundHit& hit : form.HitsPanel->Hits)
        addresses.push_back(hit.Address);
    return addresses;
}

} // namespace

class TestFindAll : public TEditorTestCase {
    Q_OBJECT

  private slots:
    void listGoesToHitsMarksThemAndCopies();
    void numberFromTheDialog();
};

void TestFindAll::listGoesToHitsMarksThemAndCopies() {
    TStartedEditor editor("xxabcyyabcabc--ABC");
    editor.RunDialog<TFormFind>(TCommand::Findall1, [](TFormFind& dialog) {
        QVERIFY(dialog.ButtonFindAll->isVisible());
        dialog.JkRadioBtnText->click();
        dialog.EditFindT->clear();
        QTest::keyClicks(dialog.EditFindT, QStringLiteral("abc"));
        dialog.ButtonFindAll->click();
    });
    TFormMain& form = editor.Form;
    QVERIFY(form.HitsPanel && form.HitsPanel->isVisible());
    QCOMPARE(ListedAddresses(form), (std::vector<int64_t>{3, 8, 11})); // case sensitive, as Find is
    QCOMPARE(form.HitsPanel->List->count(), 3);
    QCOMPARE(form.HitsPanel->CountLabel->text(), QStringLiteral("Hits found: 3"));
    QCOMPARE(form.HitsPanel->List->item(0)->text(), QStringLiteral("00000002        78 78 [61 62 63] 79 79 61 62    xxabcyyab"));

    // Every byte of every hit on the page is marked, and nothing else.
    for (int64_t address = 1; address <= 18; ++address)
        QCOMPARE(form.IsListedHit(address), (address >= 3 && address <= 5) || (address >= 8 && address <= 13));

    // A click goes to the hit and marks it as the block.
    QListWidget* list = form.HitsPanel->List;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 8);
    QCOMPARE(TestDoc().Block.BlockBegin, 8);
    QCOMPARE(TestDoc().Block.BlockEnd, 10);
    // F7 and Shift+F7 step through the list.
    form.Run(TCommand::Nexthit1);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 11);
    form.Run(TCommand::Previoushit1);
    form.Run(TCommand::Previoushit1);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 3);

    list->setFocus();
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("00000002 61 62 63\n00000007 61 62 63\n0000000A 61 62 63\n"));

    // Past the row cap the hits are still counted.
    TestApp().SearchRequest.MaxRows = 2;
    form.RunFindAll();
    QCOMPARE(ListedAddresses(form), (std::vector<int64_t>{3, 8}));
    QCOMPARE(form.HitsPanel->CountLabel->text(), QStringLiteral("Hits found: 3 (the first 2 listed)"));

    // Closed, the list marks nothing.
    form.HitsPanel->close();
    QVERIFY(!form.IsListedHit(3));
}

void TestFindAll::numberFromTheDialog() {
    TStartedEditor editor(QByteArray("\x34\x12-\x12\x34-\x34\x12\x00\x00-", 12));
    TestApp().SearchRequest.Pattern = {'q'};
    QString refusal;
    editor.RunDialog<TFormFind>(TCommand::Find1, [&refusal](TFormFind& dialog) {
        dialog.ComboBoxKind->setCurrentIndex(1);
        QVERIFY(!dialog.ButtonOK->isEnabled()); // Find takes the bytes only
        dialog.ComboBoxNumber->setCurrentIndex(0); // signed
        dialog.ComboBoxWidth->setCurrentIndex(0);  // 1 byte
        dialog.EditValue->setText(QStringLiteral("300"));
        AnswerNextModal(QStringLiteral("OK"), &refusal);
        dialog.ButtonFindAll->click();
        QVERIFY(dialog.isVisible());
        // 0x1234 as two bytes in either order.
        dialog.ComboBoxWidth->setCurrentIndex(1);
        dialog.ComboBoxOrder->setCurrentIndex(2);
        dialog.EditValue->setText(QStringLiteral("0x1234"));
        dialog.ButtonFindAll->click();
    });
    QVERIFY2(refusal.startsWith(QStringLiteral("300 is out of range for a signed 1-byte integer")), qPrintable(refusal));
    QCOMPARE(ListedAddresses(editor.Form), (std::vector<int64_t>{1, 4, 7}));
    QCOMPARE(TestApp().SearchRequest.Kind, TSearchRequest::TKind::Number);
    // The bytes Find and F3 look for are left as they were.
    QCOMPARE(TestApp().SearchRequest.Pattern, std::vector<uint8_t>{'q'});
    // Count has no Find all, and takes the bytes whatever kind Find all was left at.
    editor.RunDialog<TFormFind>(TCommand::Count1, [](TFormFind& dialog) {
        QVERIFY(!dialog.ButtonFindAll->isVisible() && !dialog.GroupBox4->isVisible());
        QVERIFY(dialog.ButtonOK->isEnabled());
    });
}

NIBLO_UI_TEST(TestFindAll)
#include "tst_findall.moc"
