#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class TJkByteEdit;
class TJkHistory;
class TJkRadioBtn;
class TJkTextEdit;

// Pieces shared by the find, replace and insert dialogs.

// A history edit around edit, stored in the settings section of the same name.
TJkHistory* NewHistory(QWidget* parent, QLineEdit* edit, const QString& section, bool caseSensitive);

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

// Opens the help topic; nothing visible happens until the help viewer has installed itself.
void ShowHelpTopic(int helpContext);

std::vector<uint8_t> ToByteVector(const QByteArray& bytes);
QByteArray ToByteArray(const std::vector<uint8_t>& bytes);
