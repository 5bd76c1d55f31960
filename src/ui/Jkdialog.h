#pragma once

#include <QDialog>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QFontMetrics;
class QFont;

// Dialog units. AverageCharSize: width of the 52 letters "A".."Z", "a".."z" in the font divided by 52
// (integer division) and their height. One horizontal unit is width / 4 pixels, one vertical unit
// height / 8 pixels; convert with MulDivRound(units, width, 4) and MulDivRound(units, height, 8).
QSize AverageCharSize(const QFont& font);
// number * numerator / denominator rounded to the nearest integer, halves away from zero
// (denominator 0 gives -1).
int MulDivRound(int number, int numerator, int denominator);

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
int ShowInfo(const QString& text);       // information, OK
int ShowError(const QString& text);      // error, OK
int AskYesNo(const QString& text);       // confirmation, Yes/No, default No
int AskYesNoCancel(const QString& text); // confirmation, Yes/No/Cancel, default Cancel

// The progress box: a gauge in whole percent and an optional Cancel button. Shown at once without
// blocking; while it lives its owner is disabled and closing it from the window manager is refused.
class TProgressBox : public QDialog {
    Q_OBJECT
  public:
    TProgressBox(QWidget* owner, bool showCancel, bool useGauge, const QString& labelText,
                 const QString& caption);
    ~TProgressBox() override;

    bool Cancelled = false;
    int TextCounter = 0;

    QLabel* Label() const { return LabelCtl; }
    QProgressBar* Gauge() const { return GaugeCtl; }
    QPushButton* CancelButton() const { return CancelCtl; }
    // The box that lives now, if any (at most one at a time); message boxes open above it.
    static TProgressBox* Live();

  public slots:
    // Neither Escape nor any other path closes the box; the owner of the operation deletes it.
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Refuses close requests for the owner window while the box lives.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QPointer<QWidget> Owner; // the owner's top-level window, disabled while the box lives
    bool OwnerWasEnabled = false;
    QPointer<QWidget> OwnerFocus; // the owner's focus widget before it was disabled
    QLabel* LabelCtl = nullptr;
    QProgressBar* GaugeCtl = nullptr;
    QProgressBar* BarCtl = nullptr;
    QPushButton* CancelCtl = nullptr;
};

// Sets the gauge to the percentage of done in total (total 0: 100) when it is a multiple of step and
// then processes pending events; returns false, touching nothing, otherwise or without a gauge.
bool SetProgress(TProgressBox* box, qint64 done, qint64 total, int step);
// Counts the calls; every "every"th call shows text in the label and processes pending events.
void SetProgressText(TProgressBox* box, const QString& text, int every);
// Enables or disables the Cancel button and processes pending events.
void EnableCancel(TProgressBox* box, bool on);

// Placement: centred on the screen; centred over QApplication::activeWindow() when it fits on the
// screen (else centred on the screen). RefitLabels re-measures every auto-sized label (no word wrap,
// no fixed size) of the form.
void CenterOnScreen(QWidget* form);
void CenterOverActiveForm(QWidget* form);
void RefitLabels(QWidget* form);
