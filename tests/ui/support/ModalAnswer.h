// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>
#include <source_location>

class QWidget;

// Answering modal boxes from a test. Call one of these BEFORE the code that opens the box: a timer
// waits (polling QApplication::activeModalWidget() from the event loop, so it runs inside the box's
// exec()) for the next modal window, i.e. one that was not already up at the time of the call, and
// acts on it once.
//
// The running test fails, at the line of the call, when
// - no new modal window came up within about two seconds of event processing,
// - the test function returned while still waiting (reported to the test that runs next, naming the
//   one that waited; after the last test the process exits with a failure),
// - the window that came up has no button of the given name (the window is then closed).
//
//     AnswerNextModal("No");                 // YesNoBox(...) then returns mrNo
//     QString text;
//     AnswerNextModal("Cancel", &text);      // also records the text of the box's "Message" label
//     AnswerNextModalWithKey(Qt::Key_Escape);
//     WithNextModal([](QWidget* box) { ... inspect, then close it ... });

// Clicks the box's QPushButton whose objectName is buttonObjectName ("Yes", "No", "OK", "Cancel", ...).
// With messageText: stores the text of the box's QLabel named "Message" (empty if it has none).
void AnswerNextModal(const QString& buttonObjectName, QString* messageText = nullptr,
                     std::source_location where = std::source_location::current());

// Presses key (no modifiers) on the box's focus widget, or on the box when nothing has the focus.
void AnswerNextModalWithKey(int key, QString* messageText = nullptr,
                            std::source_location where = std::source_location::current());

// Calls action with the next modal window; the action must close it (or arrange for that).
void WithNextModal(std::function<void(QWidget* modal)> action,
                   std::source_location where = std::source_location::current());
