// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>
#include <QString>
#include <QWidget>

class QFont;

// Dialog units. AverageCharSize: width of the 52 letters "A".."Z", "a".."z" in the font divided by 52
// (integer division) and their height. One horizontal unit is width / 4 pixels, one vertical unit
// height / 8 pixels; convert with MulDivRound(units, width, 4) and MulDivRound(units, height, 8).
QSize AverageCharSize(const QFont& font);
// number * numerator / denominator rounded to the nearest integer, halves away from zero
// (denominator 0 gives -1).
int MulDivRound(int number, int numerator, int denominator);

enum class TMsgDlgType { Warning, Error, Information, Confirmation, Custom };
enum TMsgDlgBtn : unsigned {
    mbYes = 1,
    mbNo = 2,
    mbOK = 4,
    mbCancel = 8,
    mbAbort = 16,
    mbRetry = 32,
    mbIgnore = 64,
    mbAll = 128,
    mbHelp = 256
};

// Builds, shows modally and frees a message box; returns the modal result of the button pressed
// (mrYes 6, mrNo 7, mrOk 1, mrCancel 2, ...). The default button also answers Escape.
int MessageDialog(const QString& text, TMsgDlgType kind, unsigned buttons, TMsgDlgBtn defaultButton,
                  int helpContext = 0);
int InfoBox(const QString& text);        // information, OK
int ErrorBox(const QString& text);       // error, OK
int YesNoBox(const QString& text);       // confirmation, Yes/No, default No
int YesNoCancelBox(const QString& text); // confirmation, Yes/No/Cancel, default Cancel


// Placement: centred on the screen; centred over QApplication::activeWindow() when it fits on the
// screen (else centred on the screen). RefitLabels re-measures every auto-sized label (no word wrap,
// no fixed size) of the form.
void CenterOnScreen(QWidget* form);
void CenterOverActiveForm(QWidget* form);
void RefitLabels(QWidget* form);
