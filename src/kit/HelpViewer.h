// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLineEdit;
class QListWidget;
class QTextBrowser;
class QToolButton;

// The help window: the list of topics beside the page, back and forward through the pages visited, and
// a search box that narrows the list to the topics containing every word typed (Enter opens the first
// and marks the word in it). Topics link to each other.
class THelpViewer : public QWidget {
    Q_OBJECT
  public:
    explicit THelpViewer(QWidget* parent = nullptr);

    // Shows the topic of a help context; 0 or a context without a topic shows the contents.
    void ShowTopic(int context);
    // The context of the page shown (0 for the contents).
    int CurrentTopic() const;

    QTextBrowser* Browser() const { return Page; }
    QLineEdit* SearchBox() const { return Search; }
    QListWidget* TopicList() const { return Topics; }

    // Every help context that has a topic, in the order of the list.
    static QList<int> AllTopics();

  private:
    void FillList(const QString& filter);
    void OpenFirstMatch();
    void SelectTopic(int context);

    QLineEdit* Search = nullptr;
    QListWidget* Topics = nullptr;
    QTextBrowser* Page = nullptr;
    QToolButton* Back = nullptr;
    QToolButton* Forward = nullptr;
    QToolButton* Home = nullptr;
};
