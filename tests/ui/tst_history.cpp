// SPDX-License-Identifier: GPL-3.0-or-later
// The history edit: adding, trimming, stepping, picking, and keeping entries in the settings file.
#include "controls/JkHist.h"
#include "controls/JkNumEdit.h"
#include "engine/settings/IniFile.h"
#include "support/UiTestMain.h"
#include "support/ModalAnswer.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

// A shown, active window with a history around an edit, a second edit and a Cancel button.
struct TForm {
    QWidget Window;
    TJkHistory* History = new TJkHistory(&Window);
    QLineEdit* Edit;
    QLineEdit* Other = new QLineEdit(&Window);
    QPushButton* Cancel = new QPushButton(QStringLiteral("Cancel"), &Window);

    explicit TForm(QLineEdit* edit = new QLineEdit) : Edit(edit) {
        History->SetLinkedEdit(edit);
        auto* layout = new QVBoxLayout(&Window);
        layout->addWidget(History);
        layout->addWidget(Other);
        layout->addWidget(Cancel);
        Window.show();
        QApplication::setActiveWindow(&Window);
        QVERIFY(QTest::qWaitForWindowActive(&Window));
    }
    // Types text into the history's edit and leaves it for the other edit.
    void Enter(const QString& text) {
        Edit->setFocus(Qt::TabFocusReason);
        Edit->clear();
        QTest::keyClicks(Edit, text);
        Other->setFocus(Qt::TabFocusReason);
    }
};

QStringList List(std::initializer_list<const char*> items) {
    QStringList list;
    for (const char* item : items)
        list << QString::fromLatin1(item);
    return list;
}

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT
  private slots:
    void addEntry_data();
    void addEntry();
    void onAddMayChangeAllowOrVeto();
    void trimRemovesOneLaterCopyOfTheNewest();
    void leavingTheFieldAddsItsText();
    void aNumberIsAddedInItsNormalForm();
    void upAndDownStepThroughTheEntries();
    void pickingAnEntry();
    void theOpenedListSpansTheWholeField();
    void enabledStateAndAutoColor();
    void onlyOneEditIsLinked();
    void saveAndLoad();
    void loadTakesEntriesInFileOrder();
    void unwritableFileIsReported();
};

void TestHistory::addEntry_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("known entry swaps with the newest")
        << List({"A", "B", "C", "D"}) << false << "C" << List({"C", "B", "A", "D"});
    QTest::newRow("other case, insensitive")
        << List({"A", "B", "X"}) << false << "x" << List({"X", "B", "A"});
    QTest::newRow("other case, sensitive")
        << List({"A", "B", "X"}) << true << "x" << List({"x", "A", "B", "X"});
    QTest::newRow("newest stays") << List({"A", "B"}) << false << "a" << List({"A", "B"});
    QTest::newRow("full list drops the oldest") << List({"1", "2", "3", "4", "5", "6", "7", "8"}) << false
                                                << "9" << List({"9", "1", "2", "3", "4", "5", "6", "7"});
    QTest::newRow("empty text is not added") << List({"A"}) << false << "" << List({"A"});
}

void TestHistory::addEntry() {
    QFETCH(QStringList, before);
    QFETCH(bool, caseSensitive);
    QFETCH(QString, typed);
    QFETCH(QStringList, after);
    TForm form;
    form.History->SetItems(before);
    form.History->SetCaseSensitive(caseSensitive);
    form.Enter(typed);
    QCOMPARE(form.History->Items(), after);
}

void TestHistory::onAddMayChangeAllowOrVeto() {
    TJkCustomHistory list;
    list.OnAdd = [](TJkCustomHistory*, QString& s, bool& canAdd) {
        if (s.isEmpty()) canAdd = true, s = QStringLiteral("(empty)");
        if (s == QLatin1String("secret")) canAdd = false;
        s = s.toUpper();
    };
    list.AddEntry(QString());
    list.AddEntry(QStringLiteral("secret"));
    list.AddEntry(QStringLiteral("abc"));
    QCOMPARE(list.Items(), List({"ABC", "(EMPTY)"}));
}

void TestHistory::trimRemovesOneLaterCopyOfTheNewest() {
    TJkCustomHistory list;
    list.SetItems(List({"A", "B", "A", "C", "A", "B"}));
    list.TrimHistory(); // the last copy of A goes, nothing else
    QCOMPARE(list.Items(), List({"A", "B", "A", "C", "B"}));
    list.SetItems(List({"a", "A"}));
    list.TrimHistory(); // case counts
    QCOMPARE(list.Items(), List({"a", "A"}));
    list.HistoryCount = 2;
    list.SetItems(List({"1", "2", "3", "1"}));
    list.TrimHistory();
    QCOMPARE(list.Items(), List({"1", "2"}));
}

void TestHistory::leavingTheFieldAddsItsText() {
    TForm form;
    form.Edit->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(form.Edit, QStringLiteral("first"));
    QTest::mouseClick(form.Cancel, Qt::LeftButton); // leaving for Cancel adds too
    QCOMPARE(form.History->Items(), List({"first"}));
    // Opening the edit's context menu or switching applications is no leaving.
    form.Edit->setFocus(Qt::TabFocusReason);
    form.Edit->setText(QStringLiteral("second"));
    form.Other->setFocus(Qt::PopupFocusReason);
    form.Edit->setFocus(Qt::PopupFocusReason);
    QCOMPARE(form.History->Items(), List({"first"}));
    form.Other->setFocus(Qt::TabFocusReason);
    QCOMPARE(form.History->Items(), List({"second", "first"}));
}

void TestHistory::aNumberIsAddedInItsNormalForm() {
    auto* edit = new TJkNumEdit;
    edit->SetHex(true);
    TForm form(edit);
    form.Enter(QStringLiteral("1a"));
    QCOMPARE(edit->text(), QStringLiteral("$1A"));
    QCOMPARE(form.History->Items(), List({"$1A"}));
    // A number that takes the focus back was not left.
    edit->setFocus(Qt::TabFocusReason);
    edit->setText(QStringLiteral("$"));
    form.Other->setFocus(Qt::TabFocusReason);
    QVERIFY(edit->hasFocus());
    QCOMPARE(form.History->Items(), List({"$1A"}));
}

void TestHistory::upAndDownStepThroughTheEntries() {
    TForm form;
    form.Edit->setFocus();
    QTest::keyClick(form.Edit, Qt::Key_Up); // empty list: the key does its usual work
    QCOMPARE(form.Edit->text(), QString());

    form.History->SetItems(List({"A", "B", "C"}));
    form.Edit->setText(QStringLiteral("b"));
    const QList<QPair<Qt::Key, QString>> steps = {
        {Qt::Key_Down, "C"}, {Qt::Key_Down, "C"}, {Qt::Key_Up, "B"}, {Qt::Key_Up, "A"}, {Qt::Key_Up, "A"}};
    // "b" is found as B, so the first Down goes to C.
    for (const auto& [key, expected] : steps) {
        QTest::keyClick(form.Edit, key);
        QCOMPARE(form.Edit->text(), expected);
        QCOMPARE(form.Edit->selectedText(), expected);
    }
    form.Edit->setText(QStringLiteral("unknown"));
    QTest::keyClick(form.Edit, Qt::Key_Down);
    QCOMPARE(form.Edit->text(), QStringLiteral("A"));
    form.Edit->setText(QStringLiteral("unknown"));
    QTest::keyClick(form.Edit, Qt::Key_Up);
    QCOMPARE(form.Edit->text(), QStringLiteral("A"));
    QCOMPARE(form.History->Items(), List({"A", "B", "C"}));
}

void TestHistory::pickingAnEntry() {
    TForm form;
    form.History->SetItems(List({"A", "B", "C", "D"}));
    QSignalSpy changes(form.History, &TJkHistory::OnChange);
    form.Edit->setFocus();
    TJkCustomHistory* list = form.History->HistoryList();
    list->showPopup();
    QVERIFY(list->view()->isVisible());
    list->view()->setCurrentIndex(list->model()->index(3, 0));
    QTest::keyClick(list->view(), Qt::Key_Return);
    QVERIFY(!list->view()->isVisible());
    QCOMPARE(form.Edit->text(), QStringLiteral("D"));
    QCOMPARE(form.Edit->selectedText(), QStringLiteral("D"));
    QCOMPARE(changes.count(), 1);
    QCOMPARE(form.History->Items(), List({"D", "A", "B", "C", "D"}));
    QVERIFY(form.Edit->hasFocus());
    // The older copy goes at the next opening (or saving).
    list->showPopup();
    QCOMPARE(form.History->Items(), List({"D", "A", "B", "C"}));
    list->hidePopup();
}

void TestHistory::theOpenedListSpansTheWholeField() {
    TForm form;
    form.History->SetItems(List({"A"}));
    TJkCustomHistory* list = form.History->HistoryList();
    const QRect before = list->geometry();
    QCOMPARE(list->width(), form.History->ButtonWidth());
    QCOMPARE(form.History->width(), form.Edit->width() + list->width());
    list->showPopup();
    QWidget* popup = list->view()->window();
    QCOMPARE(popup->x(), form.Edit->mapToGlobal(QPoint(0, 0)).x());
    QCOMPARE(popup->width(), form.History->width());
    list->hidePopup();
    QCOMPARE(list->geometry(), before);
}

void TestHistory::enabledStateAndAutoColor() {
    TForm form;
    form.History->SetItems(List({"A"}));
    const QColor on = QApplication::palette().color(QPalette::Base);
    const QColor off = QApplication::palette().color(QPalette::Button);
    form.History->setEnabled(false);
    QVERIFY(!form.Edit->isEnabled());
    QVERIFY(!form.History->HistoryList()->isEnabled());
    QCOMPARE(form.Edit->palette().color(QPalette::Base), off);
    form.History->setEnabled(true);
    QCOMPARE(form.Edit->palette().color(QPalette::Base), on);
    // An edit switched off by its radio button takes the list with it.
    form.Edit->setEnabled(false);
    QVERIFY(!form.History->HistoryList()->isEnabled());
    form.History->HistoryList()->showPopup();
    QVERIFY(!form.History->HistoryList()->view()->isVisible());
    form.Edit->setEnabled(true);
    QVERIFY(form.History->HistoryList()->isEnabled());
    form.History->SetAutoColor(false);
    form.History->setEnabled(false);
    QCOMPARE(form.Edit->palette().color(QPalette::Base), on);
}

void TestHistory::onlyOneEditIsLinked() {
    TJkHistory history;
    QWidget notAnEdit;
    try {
        history.SetLinkedEdit(&notAnEdit);
        QFAIL("accepted a non-edit");
    } catch (const std::invalid_argument& e) {
        QCOMPARE(QString::fromLatin1(e.what()), QStringLiteral("Please drop only\r\nan edit control"));
    }
    auto* first = new QLineEdit;
    history.SetLinkedEdit(first);
    QLineEdit second;
    try {
        history.SetLinkedEdit(&second);
        QFAIL("accepted a second edit");
    } catch (const std::invalid_argument& e) {
        QCOMPARE(QString::fromLatin1(e.what()), QStringLiteral("Accept only one\r\nedit control"));
    }
    QCOMPARE(history.LinkedEdit(), first);
    first->setParent(nullptr); // taken out: the link is dropped
    QCOMPARE(history.LinkedEdit(), nullptr);
    delete first;
}

void TestHistory::saveAndLoad() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("niblo.ini"));
    {
        TForm form;
        form.History->SetIniSection(QStringLiteral("JkHistoryFindT"));
        form.History->SetItems(List({"abc", "\"quoted\"", "x=y", "abc"}));
        QVERIFY(form.History->SaveHistory(path));
        QCOMPARE(form.History->Items(), List({"abc", "\"quoted\"", "x=y"}));
    }
    QCOMPARE(Contents(path), QByteArray("[JkHistoryFindT]\n0=\"abc\"\n1=\"\"quoted\"\"\n2=\"x=y\"\n"));
    TForm form;
    form.Edit->setText(QStringLiteral("from the layout"));
    form.History->SetIniSection(QStringLiteral("jkhistoryfindt"));
    form.History->LoadHistory(path);
    QCOMPARE(form.History->Items(), List({"abc", "\"quoted\"", "x=y"}));
    QCOMPARE(form.Edit->text(), QStringLiteral("abc"));

    // Without a section nothing is read or written.
    TForm plain;
    plain.History->SetItems(List({"keep"}));
    plain.History->LoadHistory(path);
    QVERIFY(plain.History->SaveHistory(path));
    QCOMPARE(plain.History->Items(), List({"keep"}));
    // A missing section leaves the field's text alone.
    plain.History->SetIniSection(QStringLiteral("JkHistoryGoTo"));
    plain.Edit->setText(QStringLiteral("0"));
    plain.History->LoadHistory(path);
    QVERIFY(plain.History->Items().isEmpty());
    QCOMPARE(plain.Edit->text(), QStringLiteral("0"));

    // An empty file name means the program's settings file.
    SetSettingsFile(QFile::encodeName(path).toStdString());
    TForm settings;
    settings.History->SetIniSection(QStringLiteral("JkHistoryFindT"));
    settings.History->LoadHistory();
    QCOMPARE(settings.Edit->text(), QStringLiteral("abc"));
    SetSettingsFile(std::string());
}

void TestHistory::loadTakesEntriesInFileOrder() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("niblo.ini"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[JkHistoryJump]\r\n5=\"five\"\r\n2=two\r\n7=\r\n9=\"nine\"\r\n5=again\r\n"
               "[JkHistoryGoTo]\r\n0=\"other\"\r\n");
    file.close();
    TForm form;
    form.History->SetIniSection(QStringLiteral("JkHistoryJump"));
    form.History->LoadHistory(path);
    QCOMPARE(form.History->Items(), List({"five", "two", "nine"}));
    QVERIFY(form.History->SaveHistory(path));
    QCOMPARE(Contents(path),
             QByteArray("[JkHistoryGoTo]\r\n0=\"other\"\r\n\r\n[JkHistoryJump]\r\n0=\"five\"\r\n"
                        "1=\"two\"\r\n2=\"nine\"\r\n"));
}

void TestHistory::unwritableFileIsReported() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("niblo.ini"));
    QVERIFY(QDir().mkdir(path)); // a folder where the file should be
    TForm form;
    form.History->SetIniSection(QStringLiteral("JkHistoryEnc"));
    form.History->SetItems(List({"1", "2"}));
    QString message;
    AnswerNextModal(QStringLiteral("OK"), &message);
    QVERIFY(!form.History->SaveHistory(path));
    QCOMPARE(message, QStringLiteral("Unable to write to %1").arg(path));
    QCOMPARE(form.History->Items(), List({"1", "2"}));
}

NIBLO_UI_TEST(TestHistory)
#include "tst_history.moc"
