// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;
class TJkByteEdit;
class TJkHistory;
class TJkNumEdit;
class TJkRadioBtn;
class TJkTextEdit;

// Pieces shared by the find, replace and insert dialogs.

// A history edit around edit, stored in the settings section of the same name.
TJkHistory* NewHistory(QWidget* parent, QLineEdit* edit, const QString& section, bool caseSensitive);

// One side of a dialog that takes bytes as text or as a hex sequence: the two choices, each field in its
// history edit, and the "Text -> Hex" button, in a group box. The text choice starts selected.
struct TTextHexSide {
    QGroupBox* Group = nullptr;
    TJkRadioBtn* TextButton = nullptr;
    TJkTextEdit* TextEdit = nullptr;
    TJkHistory* TextHistory = nullptr;
    QPushButton* Convert = nullptr;
    TJkRadioBtn* HexButton = nullptr;
    TJkByteEdit* HexEdit = nullptr;
    TJkHistory* HexHistory = nullptr;
};

// Captions and component names of one side; the histories are stored under their names.
struct TTextHexNames {
    QString Title;
    const char* Group;
    QString TextCaption;
    const char* TextButton;
    const char* TextEdit;
    const char* TextHistory;
    QString ConvertCaption;
    const char* Convert;
    QString HexCaption;
    const char* HexButton;
    const char* HexEdit;
    const char* HexHistory;
};

TTextHexSide NewTextHexSide(QWidget* dialog, const TTextHexNames& names);

// "Text -> Hex": the hex field shows the text's bytes, its button is selected and it takes the focus.
void ConvertTextToHex(const TJkTextEdit* text, TJkByteEdit* hex, TJkRadioBtn* hexButton);

// The joker field holds one byte, '2E' to begin with; whenever it is left the label shows that byte as a
// character (nothing while the field is not exactly one valid byte).
void SetUpJoker(TJkByteEdit* joker, QLabel* label);
void ShowJoker(const TJkByteEdit* joker, QLabel* label);

// An OK handler's refusal: the error box, then the field (if any) takes the focus.
void RefuseInput(const char* message, QWidget* field);

// Takes the focus out of a dialog that is being destroyed: the histories watch the focus and must see
// it leave while they still exist, not while their children are deleted.
void ReleaseFocus(QWidget* dialog);

// Marks button as one that closes its dialog with OK, so that number edits keep the focus on it.
void MarkAsOkButton(QPushButton* button);

// The buttons of a dialog: "OK" (the default, marked as the OK button), "Cancel" and, where wanted,
// "Help", named ButtonOK, ButtonCancel and ButtonHelp. The caller lays them out and connects them.
struct TDialogButtons {
    QPushButton* Ok = nullptr;
    QPushButton* Cancel = nullptr;
    QPushButton* Help = nullptr;
};
TDialogButtons NewDialogButtons(QWidget* dialog, bool help);

// A count typed in decimal or in hex: the two choices and an 8-digit number field from 0, holding start,
// in its history edit, all inside group (the caller lays them out). Decimal starts selected; the choice
// switches the field, the field's own switch to hex (a "$" number) selects the choice, and so does a "$"
// number taken from the history.
struct TCountField {
    QRadioButton* Dec = nullptr;
    QRadioButton* Hex = nullptr;
    TJkNumEdit* Edit = nullptr;
    TJkHistory* History = nullptr;
};
TCountField NewCountField(QGroupBox* group, const char* decName, const char* hexName,
                          const QString& historySection, int start);
// Selects hex when the field holds a "$" number (after the history was loaded).
void SelectHexWhenDollar(const TJkNumEdit* edit, QRadioButton* hex);

// Opens the help topic in the help window.
void ShowHelpTopic(int helpContext);

std::vector<uint8_t> ToByteVector(const QByteArray& bytes);
