#include "support/ModalAnswer.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const int RetryInterval = 10; // milliseconds between two looks
const int MaxAttempts = 200;

struct TWaiter {
    QPointer<QWidget> Previous;          // the modal window that was up at the call, if any
    std::function<bool(QWidget*)> Ready; // whether this modal window is the one to act on
    std::function<void(QWidget*)> Action;
    int Attempts = 0;
};

void Poll(std::shared_ptr<TWaiter> waiter) {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != waiter->Previous && modal->isVisible() &&
        (!waiter->Ready || waiter->Ready(modal))) {
        waiter->Action(modal);
        return;
    }
    if (++waiter->Attempts >= MaxAttempts) {
        qWarning("ModalAnswer: no modal window came up");
        return;
    }
    QTimer::singleShot(RetryInterval, qApp, [waiter] { Poll(waiter); });
}

void Start(std::function<bool(QWidget*)> ready, std::function<void(QWidget*)> action) {
    auto waiter = std::make_shared<TWaiter>();
    waiter->Previous = QApplication::activeModalWidget();
    waiter->Ready = std::move(ready);
    waiter->Action = std::move(action);
    QTimer::singleShot(0, qApp, [waiter] { Poll(waiter); });
}

QString MessageOf(QWidget* modal) {
    auto* label = modal->findChild<QLabel*>(QStringLiteral("Message"));
    return label ? label->text() : QString();
}

} // namespace

void AnswerNextModal(const QString& buttonObjectName, QString* messageText) {
    Start([buttonObjectName](
              QWidget* modal) { return modal->findChild<QPushButton*>(buttonObjectName) != nullptr; },
          [buttonObjectName, messageText](QWidget* modal) {
              if (messageText) *messageText = MessageOf(modal);
              modal->findChild<QPushButton*>(buttonObjectName)->click();
          });
}

void AnswerNextModalWithKey(int key, QString* messageText) {
    Start(nullptr, [key, messageText](QWidget* modal) {
        if (messageText) *messageText = MessageOf(modal);
        QWidget* target = modal->focusWidget() ? modal->focusWidget() : modal;
        QTest::keyClick(target, Qt::Key(key));
    });
}

void WithNextModal(std::function<void(QWidget* modal)> action) {
    Start(nullptr, std::move(action));
}
