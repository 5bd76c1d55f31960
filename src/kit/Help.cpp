// SPDX-License-Identifier: GPL-3.0-or-later
#include "kit/Help.h"

#include "kit/HelpViewer.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QRegularExpression>
#include <QWhatsThis>

// The topics are compiled into the library; a program or test that never builds the main window must
// still find them.
static void InitHelpResources() {
    Q_INIT_RESOURCE(help);
}

namespace {

THelpHook Hook;
QPointer<THelpViewer> Viewer;

QString ReadTopic(int context) {
    const QString path = HelpTopicPath(context);
    if (path.isEmpty()) return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

QWidget* MainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(widget) && !widget->parentWidget()) return widget;
    return nullptr;
}

// The window the help window belongs to: a modal dialog blocks every window but its own, so while one
// runs the help window moves under it; otherwise it belongs to the main window.
QWidget* HelpOwner() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return MainWindow();
}

void MoveHelpWindowTo(QWidget* owner);

// A dialog deletes its children with itself: when the dialog that holds the help window closes, the help
// window goes back to the window the dialog was opened from and lives on.
class THelpReturn : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // A spontaneous hide is a minimise; the dialog still runs.
        if (event->type() == QEvent::Hide && !event->spontaneous() && Viewer &&
            Viewer->parentWidget() == watched) {
            const QWidget* parent = static_cast<QWidget*>(watched)->parentWidget();
            MoveHelpWindowTo(parent ? parent->window() : MainWindow());
        }
        return false;
    }
};

QObject* HelpReturn() {
    static QPointer<THelpReturn> filter;
    if (!filter) filter = new THelpReturn(qApp);
    return filter;
}

// Keeps the help window's place and whether it shows.
void MoveHelpWindowTo(QWidget* owner) {
    QWidget* old = Viewer->parentWidget();
    if (old == owner) return;
    if (old) old->removeEventFilter(HelpReturn());
    const bool shown = Viewer->isVisible();
    const QRect frame = Viewer->geometry();
    Viewer->setParent(owner, Qt::Window);
    Viewer->setGeometry(frame);
    // Without an owner nothing else would delete it.
    Viewer->setAttribute(Qt::WA_DeleteOnClose, !owner);
    if (owner && owner != MainWindow()) owner->installEventFilter(HelpReturn());
    if (shown) Viewer->show();
}

void ShowHelpWindow(int context) {
    if (!Viewer) Viewer = new THelpViewer;
    MoveHelpWindowTo(HelpOwner());
    Viewer->ShowTopic(context);
    Viewer->show();
    Viewer->raise();
    Viewer->activateWindow();
    emit THelpEvents::Instance().TopicShown(Viewer->CurrentTopic(), false);
}

// The context F1 asks for: the highlighted item of an open menu (or its menu's), else the focused
// control's.
int RequestedContext(QWidget* widget) {
    if (auto* bar = qobject_cast<QMenuBar*>(widget)) {
        if (QAction* action = bar->activeAction()) return action->property("helpContext").toInt();
        return HelpContextOf(bar);
    }
    if (auto* menu = qobject_cast<QMenu*>(widget)) {
        if (QAction* action = menu->activeAction())
            if (const int context = action->property("helpContext").toInt()) return context;
        for (QMenu* m = menu; m; m = qobject_cast<QMenu*>(m->parentWidget()))
            if (const int context = m->menuAction()->property("helpContext").toInt()) return context;
        return 0;
    }
    return HelpContextOf(widget);
}

class THelpRouter : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!watched->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(watched);
        switch (event->type()) {
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
            const int context = RequestedContext(widget);
            HelpCommand(context ? THelpCommand::Context : THelpCommand::Finder, context, QCursor::pos());
            return true;
        }
        case QEvent::QueryWhatsThis:
        case QEvent::WhatsThis: {
            // Widgets with a "What's this?" text of their own show it themselves.
            if (!widget->whatsThis().isEmpty()) return false;
            const int context = HelpContextOf(widget);
            if (!context) return false;
            event->accept();
            if (event->type() == QEvent::WhatsThis)
                HelpCommand(THelpCommand::ContextPopup, context,
                            static_cast<QHelpEvent*>(event)->globalPos());
            return true;
        }
        default:
            return false;
        }
    }
};

} // namespace

THelpEvents& THelpEvents::Instance() {
    static THelpEvents events;
    return events;
}

void SetHelpHook(THelpHook hook) {
    Hook = std::move(hook);
}

void HelpCommand(THelpCommand command, int data, QPoint popupAt) {
    bool callHelp = true;
    if (Hook) Hook(command, data, callHelp);
    if (!callHelp) return;
    switch (command) {
    case THelpCommand::Context:
        ShowHelpWindow(data);
        break;
    case THelpCommand::ContextPopup:
        ShowHelpPopup(data, popupAt);
        break;
    case THelpCommand::Finder:
        ShowHelpWindow(0);
        break;
    }
}

void HelpCommand(THelpCommand command, int data) {
    HelpCommand(command, data, QCursor::pos());
}

void ShowHelpPopup(int context, QPoint globalPos) {
    if (HelpTopicPath(context).isEmpty()) context = 0;
    QWhatsThis::showText(globalPos, HelpTopicBody(context));
    emit THelpEvents::Instance().TopicShown(context, true);
}

int HelpContextOf(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget())
        if (const int context = w->property("helpContext").toInt(); context > 0) return context;
    return 0;
}

QString HelpTopicPath(int context) {
    static const bool initialised = (InitHelpResources(), true);
    (void)initialised;
    const QString path =
        context == 0 ? QStringLiteral(":/help/contents.html") : QStringLiteral(":/help/%1.html").arg(context);
    return QFile::exists(path) ? path : QString();
}

QString HelpTopicTitle(int context) {
    static const QRegularExpression title(QStringLiteral("<title>(.*)</title>"));
    return title.match(ReadTopic(context)).captured(1).trimmed();
}

QString HelpTopicBody(int context) {
    static const QRegularExpression body(QStringLiteral("<body[^>]*>(.*)</body>"),
                                         QRegularExpression::DotMatchesEverythingOption);
    return body.match(ReadTopic(context)).captured(1).trimmed();
}

void InstallHelpRouting() {
    static QPointer<THelpRouter> router;
    if (router) return;
    router = new THelpRouter(qApp);
    qApp->installEventFilter(router);
}
