// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QLineEdit;
class TJkCustomHistory;

// Called before a text is added to a history; may change the text and veto or allow the addition.
using TAddEvent = std::function<void(TJkCustomHistory* sender, QString& s, bool& canAdd)>;

// The drop-down list of a history edit; only its button shows. Entries: index 0 = newest.
class TJkCustomHistory : public QComboBox {
    Q_OBJECT
  public:
    explicit TJkCustomHistory(QWidget* parent = nullptr);

    QStringList Items() const;
    void SetItems(const QStringList& items);
    int HistoryCount = 8;
    bool CaseSensitive = false;
    QString IniSection;
    TAddEvent OnAdd;

    // Offers a text: a new one goes on top (the list is trimmed), a known one swaps places with the top.
    void AddEntry(const QString& text);
    // Removes one later copy of the newest entry, then the entries beyond HistoryCount.
    void TrimHistory();
    // Index of text among the entries, -1 when missing.
    int IndexOfText(const QString& text, bool caseSensitive) const;

    void SetLinkedEdit(QLineEdit* edit) { LinkedEdit = edit; }
    // Opens as wide as the whole field, from the edit's left edge; only while list and edit are enabled.
    void showPopup() override;

  signals:
    // An entry was picked from the opened list and put into the edit.
    void Picked();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void Pick(int index);

    QPointer<QLineEdit> LinkedEdit;
};

// An edit with a history: the edit (LinkedEdit) on the left, the drop-down button of its HistoryList on
// the right. The text is offered to the history whenever the focus leaves the container; Up and Down in
// the edit step through the entries; LoadHistory/SaveHistory keep them in an INI section.
class TJkHistory : public QWidget {
    Q_OBJECT
  public:
    explicit TJkHistory(QWidget* parent = nullptr);
    ~TJkHistory() override;

    // Places edit inside the container. Throws std::invalid_argument for anything but a QLineEdit or for
    // a second edit.
    void SetLinkedEdit(QWidget* edit);
    QLineEdit* LinkedEdit() const { return Edit; }
    TJkCustomHistory* HistoryList() const { return List; }

    QStringList Items() const { return List->Items(); }
    void SetItems(const QStringList& items) { List->SetItems(items); }
    int DropDownCount() const { return List->maxVisibleItems(); }
    void SetDropDownCount(int count) { List->setMaxVisibleItems(count); }
    int HistoryCount() const { return List->HistoryCount; }
    void SetHistoryCount(int count) { List->HistoryCount = qMax(0, count); }
    bool CaseSensitive() const { return List->CaseSensitive; }
    void SetCaseSensitive(bool on) { List->CaseSensitive = on; }
    QString IniSection() const { return List->IniSection; }
    void SetIniSection(const QString& section) { List->IniSection = section; }
    void SetOnAdd(TAddEvent handler) { List->OnAdd = std::move(handler); }
    bool AutoColor() const { return AutoColorValue; }
    void SetAutoColor(bool on);

    // An empty file name means the program's settings file. Loading puts the newest entry into the edit.
    void LoadHistory(const QString& fileName = QString());
    // Shows "Unable to write to <file>" and returns false when the file cannot be written.
    bool SaveHistory(const QString& fileName = QString());

    // Width of the drop-down button at the screen's resolution (20 pixels at 96 pixels per inch).
    int ButtonWidth() const;

  signals:
    // After the user picked an entry from the list.
    void OnChange();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void childEvent(QChildEvent* event) override;

  private:
    void StepThroughEntries(bool down);

    QPointer<QLineEdit> Edit;
    TJkCustomHistory* List = nullptr;
    bool AutoColorValue = true;
    bool Leaving = false; // the edit lost the focus; decided once the focus has arrived elsewhere
    QMetaObject::Connection FocusWatch;
};
