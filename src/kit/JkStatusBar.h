// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <vector>

class QFontMetrics;

// The main window's status bar: panels of fixed widths, left to right, each with a text, drawn in
// sunken frames. It starts with the four panels of the main window (115, 78, 55, 500 pixels); the last
// panel reaches to the bar's right edge. Its height fits its font (at least the designed 19 pixels).
// The designed widths of the main window's four status panels.
inline const std::vector<int> MainPanelWidths{115, 78, 55, 500};

class TJkStatusBar : public QWidget {
    Q_OBJECT
  public:
    explicit TJkStatusBar(QWidget* parent = nullptr);
    void SetPanelWidths(const std::vector<int>& widths);
    int PanelCount() const;
    int PanelWidth(int index) const;
    void SetPanelWidth(int index, int width);
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString& text);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    struct TPanel {
        int Width;
        QString Text;
    };
    std::vector<TPanel> Panels;
};

// Panel helpers. PanelsAdjust takes pairs (panel index, text) and sets each panel's width to the text's
// width in the bar's font + 10. The index must be an integer QVariant, the text a QString, QChar or char
// (QVariant::fromValue('x'); a bare 'x' in the list becomes an int); anything else throws
// std::invalid_argument("Error: PanelsAdjust"), as does an index without a panel. An empty text means
// the panel's current text.
void PanelsAdjust(TJkStatusBar* statusBar, const QVariantList& list);
// The panel under x (pixels from the bar's left edge); right of all panels: the number of panels.
int PanelAt(const TJkStatusBar* statusBar, int x);
// The bar's width minus the widths of panels 0 to n - 1 and 4 pixels for each of them.
int RemainingPanelWidth(const TJkStatusBar* statusBar, int n);
// text, or text shortened from the end with "..." appended until it fits maxWidth; never shorter than
// two characters plus "...".
QString FitText(const QString& text, const QFontMetrics& metrics, int maxWidth);
