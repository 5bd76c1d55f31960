// SPDX-License-Identifier: GPL-3.0-or-later
// Help: every help context the program uses has a topic; Help buttons, F1, "What's this?" and the
// Help menu reach the right topic in the right form; the help window finds and navigates topics.
#include "engine/document/EngineState.h"
#include "common/TestDocument.h"
#include "support/UiTestMain.h"
#include "support/ModalAnswer.h"
#include "support/StartedEditor.h"
#include "support/TempSettings.h"
#include "kit/Help.h"
#include "kit/HelpViewer.h"
#include "kit/JkGrid.h"
#include "kit/Jkdialog.h"
#include "kit/JkStatusBar.h"
#include "kit/ProgressBox.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QWhatsThis>

namespace {

// The topics shown since construction, as "51" (help window) or "p51" (pop-up).
struct TShownTopics {
    QStringList Shown;
    QMetaObject::Connection Connection;
    TShownTopics() {
        Connection = QObject::connect(
            &THelpEvents::Instance(), &THelpEvents::TopicShown, [this](int topic, bool popup) {
                Shown << (popup ? QStringLiteral("p") : QString()) + QString::number(topic);
            });
    }
    ~TShownTopics() { QObject::disconnect(Connection); }
    QString TakeLast() {
        const QString last = Shown.isEmpty() ? QString() : Shown.last();
        Shown.clear();
        return last;
    }
};

void CollectContexts(QWidget* root, QSet<int>& contexts) {
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets << root;
    for (QWidget* widget : widgets)
        if (const int context = widget->property("helpContext").toInt()) contexts << context;
}

void CollectContexts(QMenu* menu, QSet<int>& contexts) {
    QList<QAction*> actions = menu->actions();
    actions << menu->menuAction();
    for (QAction* action : actions) {
        if (const int context = action->property("helpContext").toInt()) contexts << context;
        if (action->menu() && action->menu() != menu) CollectContexts(action->menu(), contexts);
    }
}

THelpViewer* Viewer() {
    for (QWidget* widget : QApplication::allWidgets())
        if (auto* viewer = qobject_cast<THelpViewer*>(widget); viewer && viewer->isVisible()) return viewer;
    return nullptr;
}

} // namespace

class TestHelp : public QObject {
    Q_OBJECT
  private slots:
    void init() { Settings.Fresh(); }
    void cleanupTestCase() { Settings.Release(); }
    void everyHelpContextHasATopicAndEveryHelpButtonShowsIt();
    void f1AndWhatsThisReachTheirTopics();
    void topicsAreCompleteAndTheirLinksResolve();
    void helpWindowSearchesAndGoesBack();
    void helpWindowOutlivesTheDialogItWasOpenedFrom();

  private:
    TTempSettings Settings;
};

// Runs every command with a file open; every modal window that appears is walked for help contexts,
// its Help button is clicked and F1 is pressed in it, then it is closed.
void TestHelp::everyHelpContextHasATopicAndEveryHelpButtonShowsIt() {
    TStartedEditor editor(SampleBytes(300));
    QSet<int> contexts;
    CollectContexts(&editor.Form, contexts);
    for (QAction* action : editor.Form.menuBar()->actions())
        if (action->menu()) CollectContexts(action->menu(), contexts);

    TShownTopics shown;
    QStringList problems;
    QSet<QString> dialogsSeen;
    QTimer walker;
    walker.setInterval(5);
    QObject::connect(&walker, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<QDialog*>(modal);
        // A dialog kept for the run (the file dialog) comes again for the next command; a rejected one is
        // hidden at once, so visibility tells a new showing from the one being closed.
        if (!dialog || !dialog->isVisible() || qobject_cast<TProgressBox*>(dialog)) return;
        const QString name = dialog->objectName() + QLatin1Char('/') + dialog->windowTitle();
        dialogsSeen << name;
        // Only a close button (and a help button where it has one): no minimise or maximise.
        if (!dialog->windowFlags().testFlag(Qt::CustomizeWindowHint) ||
            (dialog->windowFlags() & Qt::WindowMinMaxButtonsHint))
            problems << QStringLiteral("%1: a frame with more than a close button").arg(name);
        CollectContexts(dialog, contexts);
        const int context = HelpContextOf(dialog);
        for (const char* buttonName : {"ButtonHelp", "Help"}) {
            auto* help = dialog->findChild<QPushButton*>(QString::fromLatin1(buttonName));
            if (!help) continue;
            shown.Shown.clear();
            help->click();
            if (shown.TakeLast() != QString::number(context) || !context)
                problems << QStringLiteral("%1: Help button does not show topic %2").arg(name).arg(context);
        }
        if (QWidget* focus = dialog->focusWidget()) {
            shown.Shown.clear();
            QTest::keyClick(focus, Qt::Key_F1);
            if (shown.TakeLast() != QString::number(HelpContextOf(focus)))
                problems
                    << QStringLiteral("%1: F1 does not show topic %2").arg(name).arg(HelpContextOf(focus));
        }
        dialog->reject();
    });
    walker.start();
    const QSet<TCommand> skipped = {TCommand::Exit1,
                                    TCommand::Close1,
                                    TCommand::New1,
                                    TCommand::JkBtnNew,
                                    TCommand::JkBtnWhats,
                                    TCommand::Contents1,
                                    TCommand::Deletefromcursor1,
                                    TCommand::Deletetocursor1};
    for (int i = 0; i < int(TCommand::CommandCount); ++i) {
        if (skipped.contains(TCommand(i))) continue;
        TestDoc().View.CursorCol = 1;
        editor.Form.Run(TCommand(i));
        QCoreApplication::processEvents();
    }
    walker.stop();

    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    // The window and the dialogs that exist today; dialogs added later join the walk by themselves.
    for (int context : {8, 11, 12, 13, 14, 15, 16, 39, 40, 42, 43, 50, 51, 52, 53, 56, 999})
        QVERIFY2(contexts.contains(context), qPrintable(QString::number(context)));
    QVERIFY2(dialogsSeen.size() >= 5, qPrintable(QStringList(dialogsSeen.values()).join(QLatin1Char(','))));
    for (int context : contexts)
        QVERIFY2(!HelpTopicPath(context).isEmpty(), qPrintable(QStringLiteral("no topic %1").arg(context)));
}

void TestHelp::f1AndWhatsThisReachTheirTopics() {
    TStartedEditor editor(SampleBytes(300));
    TShownTopics shown;

    // F1 in a pane: its topic as a pop-up.
    editor.Form.JkStrGridText->setFocus();
    QTest::keyClick(editor.Form.JkStrGridText, Qt::Key_F1);
    QCOMPARE(shown.TakeLast(), QStringLiteral("p39"));

    // F1 in an open menu: the highlighted item's topic, or its menu's when the item has none.
    struct TMenuCase {
        const char* Menu;
        TCommand Item;
        const char* Topic;
    };
    for (const TMenuCase& c :
         {TMenuCase{"Search1", TCommand::Count1, "52"}, TMenuCase{"Edit1", TCommand::Blockcopy1, "12"},
          TMenuCase{"Edit1", TCommand::Blocknchars1, "56"}, TMenuCase{"Address1", TCommand::Goto1, "14"},
          TMenuCase{"Clipboard1", TCommand::Copy1, "12"}}) {
        auto* menu = editor.Form.findChild<QMenu*>(QString::fromLatin1(c.Menu));
        menu->popup(editor.Form.mapToGlobal(QPoint(10, 10)));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        editor.Form.Action(c.Item)->setEnabled(true);
        menu->setActiveAction(editor.Form.Action(c.Item));
        QTest::keyClick(menu, Qt::Key_F1);
        menu->hide();
        QCOMPARE(shown.TakeLast(), QString::fromLatin1(c.Topic));
    }

    // "What's this?" from the toolbar: the next click explains what it lands on.
    auto whatsThisAt = [&](QWidget* widget, QPoint at) {
        editor.Form.Button(TCommand::JkBtnWhats)->click();
        if (!QWhatsThis::inWhatsThisMode()) return QStringLiteral("not in what's this mode");
        QCursor::setPos(widget->mapToGlobal(at));
        QTest::mouseClick(widget, Qt::LeftButton, {}, at);
        QWhatsThis::leaveWhatsThisMode();
        QWhatsThis::hideText();
        return shown.TakeLast();
    };
    QCOMPARE(whatsThisAt(editor.Form.JkStrGridHex, QPoint(5, 5)), QStringLiteral("p40"));
    QCOMPARE(whatsThisAt(editor.Form.Button(TCommand::JkBtnWhats), QPoint(5, 5)), QStringLiteral("p8"));
    TJkStatusBar* bar = editor.Form.StatusBar1;
    int left = 0;
    for (int panel = 0; panel < 4; ++panel) {
        QCOMPARE(whatsThisAt(bar, QPoint(left + 3, bar->height() / 2)),
                 QStringLiteral("p%1").arg(35 + panel));
        left += bar->PanelWidth(panel) + 4;
    }

    // The Help menu.
    editor.Form.Run(TCommand::Contents1);
    QCOMPARE(shown.TakeLast(), QStringLiteral("0"));
    QVERIFY(Viewer());
    QCOMPARE(Viewer()->CurrentTopic(), 0);
}

void TestHelp::topicsAreCompleteAndTheirLinksResolve() {
    static const QRegularExpression link(QStringLiteral("href=\"([^\"]*)\""));
    const QList<int> topics = THelpViewer::AllTopics();
    QVERIFY(topics.size() > 20);
    for (int topic : topics) {
        QVERIFY2(!HelpTopicTitle(topic).isEmpty(), qPrintable(QString::number(topic)));
        const QString body = HelpTopicBody(topic);
        QVERIFY2(body.size() > 40, qPrintable(QString::number(topic)));
        for (const QRegularExpressionMatch& match : link.globalMatch(body)) {
            const QString target = match.captured(1);
            const bool known =
                target == QLatin1String("contents.html") ||
                (target.endsWith(QLatin1String(".html")) &&
                 !HelpTopicPath(target.chopped(5).toInt()).isEmpty() && target.chopped(5).toInt() > 0);
            QVERIFY2(known, qPrintable(QStringLiteral("%1 links to %2").arg(topic).arg(target)));
        }
    }
    QVERIFY(HelpTopicPath(7).isEmpty());
}

void TestHelp::helpWindowSearchesAndGoesBack() {
    HelpCommand(THelpCommand::Finder, 0);
    THelpViewer* viewer = Viewer();
    QVERIFY(viewer);
    auto listed = [viewer] {
        QList<int> topics;
        for (int i = 0; i < viewer->TopicList()->count(); ++i)
            topics << viewer->TopicList()->item(i)->data(Qt::UserRole).toInt();
        return topics;
    };
    QCOMPARE(listed(), THelpViewer::AllTopics());

    // Every word must occur; case does not matter.
    QTest::keyClicks(viewer->SearchBox(), QStringLiteral("JOKER replace"));
    QCOMPARE(listed(), QList<int>{53});
    viewer->SearchBox()->clear();
    QTest::keyClicks(viewer->SearchBox(), QStringLiteral("joker"));
    QVERIFY(listed().contains(51) && listed().contains(53) && !listed().contains(8));
    QTest::keyClick(viewer->SearchBox(), Qt::Key_Return);
    QCOMPARE(viewer->CurrentTopic(), listed().first());
    QVERIFY(viewer->Browser()->textCursor().selectedText().compare(QStringLiteral("joker"),
                                                                   Qt::CaseInsensitive) == 0);

    // A link to another topic, then back and forward; the list highlights the page shown.
    viewer->SearchBox()->clear();
    auto highlighted = [viewer] { return viewer->TopicList()->currentItem()->data(Qt::UserRole).toInt(); };
    const int first = viewer->CurrentTopic();
    QCOMPARE(highlighted(), first);
    viewer->Browser()->setSource(QUrl(QStringLiteral("qrc:/help/42.html")));
    QCOMPARE(viewer->CurrentTopic(), 42);
    QCOMPARE(highlighted(), 42);
    viewer->findChild<QToolButton*>(QStringLiteral("Back"))->click();
    QCOMPARE(viewer->CurrentTopic(), first);
    QCOMPARE(highlighted(), first);
    viewer->findChild<QToolButton*>(QStringLiteral("Forward"))->click();
    QCOMPARE(viewer->CurrentTopic(), 42);
    QCOMPARE(highlighted(), 42);
    // A context without a topic shows the contents.
    HelpCommand(THelpCommand::Context, 12345);
    QCOMPARE(viewer->CurrentTopic(), 0);
    viewer->close();
}

void TestHelp::helpWindowOutlivesTheDialogItWasOpenedFrom() {
    TStartedEditor editor(SampleBytes(30));
    bool opened = false;
    WithNextModal([&opened](QWidget* dialog) {
        HelpCommand(THelpCommand::Context, 43);
        opened = Viewer() && Viewer()->CurrentTopic() == 43;
        dialog->close();
    });
    editor.Run(TCommand::Options1);
    QVERIFY(opened);
    QCoreApplication::processEvents();
    THelpViewer* viewer = Viewer();
    QVERIFY(viewer);
    QCOMPARE(viewer->CurrentTopic(), 43);
    viewer->close();
}

NIBLO_UI_TEST(TestHelp)
#include "tst_help.moc"
