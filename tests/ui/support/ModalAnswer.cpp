// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ModalAnswer.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

const int RetryInterval = 10; // milliseconds between two looks
const int MaxAttempts = 200;

struct TWaiter {
    QByteArray Expected;                   // what the test waits for, for the failure message
    QByteArray Test;                       // the test function (and data row) that waits
    std::source_location Where;            // the call that set up the wait
    std::vector<QPointer<QWidget>> Before; // the modal windows up at the call
    std::function<bool(QWidget*)> Fits;    // whether the new modal window is the one expected
    std::function<void(QWidget*)> Action;
    int Attempts = 0;
};

// Waits that have not acted yet, oldest first.
std::vector<std::shared_ptr<TWaiter>> Pending;
// Failures found when no test function was running to record them.
int UnreportedFailures = 0;

QByteArray CurrentTest() {
    const char* function = QTest::currentTestFunction();
    if (!function) return {};
    QByteArray name(function);
    if (const char* tag = QTest::currentDataTag()) name += QByteArray("(") + tag + ")";
    return name;
}

void Forget(const std::shared_ptr<TWaiter>& waiter) {
    Pending.erase(std::remove(Pending.begin(), Pending.end(), waiter), Pending.end());
}

void Fail(const std::shared_ptr<TWaiter>& waiter, const char* what) {
    Forget(waiter);
    const QByteArray message = "ModalAnswer: " + waiter->Expected + ", awaited by " + waiter->Test + ": " + what;
    if (QTest::runningTest() && QTest::currentTestFunction()) {
        QTest::qFail(message.constData(), waiter->Where.file_name(), int(waiter->Where.line()));
    } else {
        std::fprintf(stderr, "FAIL!  %s\n   Loc: [%s(%u)]\n", message.constData(), waiter->Where.file_name(),
                     unsigned(waiter->Where.line()));
        ++UnreportedFailures;
    }
}

// A wait still pending at exit belongs to the last test, which returned without its box.
void FailPendingAtExit() {
    while (!Pending.empty()) Fail(Pending.front(), "the test returned before the box came up");
    if (UnreportedFailures == 0) return;
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(EXIT_FAILURE);
}

// Fails the waits of test functions that have returned, so that none of them answers a later test's box.
void FailStaleWaits() {
    const QByteArray test = CurrentTest();
    const auto pending = Pending;
    for (const auto& waiter : pending)
        if (waiter->Test != test) Fail(waiter, "the test returned before the box came up");
}

bool WasUpBefore(const TWaiter& waiter, QWidget* modal) {
    return std::any_of(waiter.Before.begin(), waiter.Before.end(),
                       [modal](const QPointer<QWidget>& before) { return before == modal; });
}

void Poll(std::shared_ptr<TWaiter> waiter) {
    if (std::find(Pending.begin(), Pending.end(), waiter) == Pending.end()) return; // failed meanwhile
    if (waiter->Test != CurrentTest()) {
        Fail(waiter, "the test returned before the box came up");
        return;
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->isVisible() && !WasUpBefore(*waiter, modal)) {
        Forget(waiter);
        if (waiter->Fits(modal)) {
            waiter->Action(modal);
        } else {
            Fail(waiter, QByteArray("a different window came up: " + modal->objectName().toUtf8() + " \"" +
                                    modal->windowTitle().toUtf8() + "\"")
                             .constData());
            modal->close(); // never leave the test hanging in its loop
        }
        return;
    }
    if (++waiter->Attempts >= MaxAttempts) {
        Fail(waiter, "no box came up");
        return;
    }
    QTimer::singleShot(RetryInterval, qApp, [waiter] { Poll(waiter); });
}

void Start(QByteArray expected, std::source_location where, std::function<bool(QWidget*)> fits,
           std::function<void(QWidget*)> action) {
    static const bool exitCheckInstalled = (qAddPostRoutine(FailPendingAtExit), true);
    Q_UNUSED(exitCheckInstalled);
    FailStaleWaits();
    auto waiter = std::make_shared<TWaiter>();
    waiter->Expected = std::move(expected);
    waiter->Test = CurrentTest();
    waiter->Where = where;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isModal() && widget->isVisible()) waiter->Before.emplace_back(widget);
    waiter->Fits = std::move(fits);
    waiter->Action = std::move(action);
    Pending.push_back(waiter);
    QTimer::singleShot(0, qApp, [waiter] { Poll(waiter); });
}

QString MessageOf(QWidget* modal) {
    auto* label = modal->findChild<QLabel*>(QStringLiteral("Message"));
    return label ? label->text() : QString();
}

} // namespace

void AnswerNextModal(const QString& buttonObjectName, QString* messageText, std::source_location where) {
    Start("a box with the button \"" + buttonObjectName.toUtf8() + "\"", where,
          [buttonObjectName](QWidget* modal) { return modal->findChild<QPushButton*>(buttonObjectName) != nullptr; },
          [buttonObjectName, messageText](QWidget* modal) {
              if (messageText) *messageText = MessageOf(modal);
              modal->findChild<QPushButton*>(buttonObjectName)->click();
          });
}

void AnswerNextModalWithKey(int key, QString* messageText, std::source_location where) {
    Start("a box to press a key in", where, [](QWidget*) { return true; },
          [key, messageText](QWidget* modal) {
              if (messageText) *messageText = MessageOf(modal);
              QWidget* target = modal->focusWidget() ? modal->focusWidget() : modal;
              QTest::keyClick(target, Qt::Key(key));
          });
}

void WithNextModal(std::function<void(QWidget* modal)> action, std::source_location where) {
    Start("a modal window", where, [](QWidget*) { return true; }, std::move(action));
}
