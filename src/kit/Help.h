// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>

class QWidget;

// The program's help: topics are HTML pages in the resources, one per help context number, plus a
// contents page. A request either opens a topic in the help window or shows it as a pop-up beside the
// pointer; the application's hook may answer a request itself first.
enum class THelpCommand {
    Context,      // the topic in the help window
    ContextPopup, // the topic as a pop-up
    Finder        // the contents
};

// The application's help hook: called with every request before it is carried out. Setting callHelp to
// false means the hook has answered the request.
using THelpHook = std::function<void(THelpCommand command, int data, bool& callHelp)>;
void SetHelpHook(THelpHook hook);

// Carries out a request (after asking the hook). A pop-up appears at popupAt (global coordinates).
void HelpCommand(THelpCommand command, int data, QPoint popupAt);
void HelpCommand(THelpCommand command, int data = 0);

// The topic as a pop-up, without asking the hook.
void ShowHelpPopup(int context, QPoint globalPos);

// The help context of a widget: its own "helpContext" property or that of the nearest parent with one;
// 0 when none has one.
int HelpContextOf(const QWidget* widget);

// Resource path of a topic ("contents" for context 0); empty when the program has no such topic.
QString HelpTopicPath(int context);
// The topic's title and the HTML of its body (for pop-ups).
QString HelpTopicTitle(int context);
QString HelpTopicBody(int context);

// F1 and "What's this?" for every window of the program: F1 opens the topic of the focused control or
// of the open menu's highlighted item; a "What's this?" click shows the clicked control's topic as a
// pop-up. Installed once on the application.
void InstallHelpRouting();

// Announces every topic shown, so that the program (and its tests) can follow what help did.
class THelpEvents : public QObject {
    Q_OBJECT
  public:
    static THelpEvents& Instance();
  signals:
    void TopicShown(int context, bool popup);
};
