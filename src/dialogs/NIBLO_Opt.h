// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kit/RadioGroup.h"

#include <QDialog>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

// The ranges the Options dialog offers, also applied to hand-edited settings and to window resizes.
inline constexpr int MinFontSize = 8, MaxFontSize = 24;
inline constexpr int MinCells = 10, MaxCells = 999;

class QCheckBox;
class QComboBox;
class QPalette;
class QPushButton;
class QSpinBox;
class QTabWidget;

// Colours as the settings file stores them: 0x00BBGGRR, or 0x800000nn for the system colour nn that
// follows the user's colour scheme.
inline constexpr int32_t ColorRed = 0x0000FF;
// The colour's name, or "$" and eight hexadecimal digits when it has none.
QString ColorToString(int32_t color);
// A name, else a number (decimal, "$" or "0x" hexadecimal); nothing when the text is neither.
std::optional<int32_t> StringToColor(const QString& text);
// The colour to draw with; system colours come from the palette.
QColor ColorToQColor(int32_t color, const QPalette& palette);

// The Options dialog: general settings and the appearance of the panes.
class TFormOpt : public QDialog {
    Q_OBJECT
  public:
    // paneFontName: the font of the panes, selected in the font list.
    explicit TFormOpt(QWidget* parent, const QString& paneFontName);

    QTabWidget* PageControl1 = nullptr;
    TRadioGroup* RadioGroupByteOrder = nullptr;
    TRadioGroup* RadioGroupBase = nullptr;
    QCheckBox* CheckBoxOldFileTime = nullptr;
    QCheckBox* CheckBoxBackup = nullptr;
    QSpinBox* SpinEditMRU = nullptr;
    QCheckBox* CheckBoxNewEOF = nullptr;
    QCheckBox* CheckBoxOneFile = nullptr;
    QComboBox* ComboBoxFont = nullptr;
    QSpinBox* SpinEditFSize = nullptr;
    // Entries in the order of TCharacterSet, the font's own first.
    QComboBox* ComboBoxCharSet = nullptr;
    QSpinBox* SpinEditRows = nullptr;
    QSpinBox* SpinEditCols = nullptr;
    QComboBox* ComboBoxColor = nullptr;
    QCheckBox* CheckBoxHideTool = nullptr;
    QCheckBox* CheckBoxRowAddresses = nullptr;
    QPushButton* ButtonDefault = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonCancel = nullptr;

    void ButtonOKClick();
    void ButtonDefaultClick();

    // The most columns and rows that fit the screen in a font; the row and column limits follow the font
    // chosen here.
    std::function<QSize(const QString& fontName, int fontSize)> PaneLimitsFor;
    void FollowFontLimits();

  private:
    QWidget* CreateGeneralPage();
    QWidget* CreateAppearancePage(const QString& paneFontName);
};
