#pragma once

#include <QDialog>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QFontMetrics;

// The main window's status bar: panels of fixed widths, left to right, each with a text.
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

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct TPanel {
        int Width;
        QString Text;
    };
    std::vector<TPanel> Panels;
};

// Panel helpers. PanelsAdjust takes pairs (panel index, text); a non-integer index throws
// std::invalid_argument("Error: PanelsAdjust"); an empty text means the panel's current text.
void PanelsAdjust(TJkStatusBar* statusBar, const QVariantList& list);
int PanelAt(const TJkStatusBar* statusBar, int x);
int RemainingPanelWidth(const TJkStatusBar* statusBar, int n);
QString FitText(const QString& text, const QFontMetrics& metrics, int maxWidth);

enum class TMsgDlgType { Warning, Error, Information, Confirmation, Custom };
enum TMsgDlgBtn : unsigned {
    mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8, mbAbort = 16, mbRetry = 32, mbIgnore = 64, mbAll = 128, mbHelp = 256
};

// Builds, shows modally and frees a message box; returns the modal result of the button pressed
// (mrYes 6, mrNo 7, mrOk 1, mrCancel 2, ...). The default button also answers Escape.
int MessageDialog(const QString& text, TMsgDlgType kind, unsigned buttons, TMsgDlgBtn defaultButton,
                  int helpContext = 0);
int ShowInfo(const QString& text);
int ShowError(const QString& text);
int AskYesNo(const QString& text);
int AskYesNoCancel(const QString& text);

// The progress box: a gauge in whole percent and an optional Cancel button. Shown at once without
// blocking; while it lives its owner is disabled and closing it from the window manager is refused.
class TProgressBox : public QDialog {
    Q_OBJECT
public:
    TProgressBox(QWidget* owner, bool showCancel, bool useGauge, const QString& labelText, const QString& caption);
    ~TProgressBox() override;

    bool Cancelled = false;
    int TextCounter = 0;

    QLabel* Label() const { return LabelCtl; }
    QProgressBar* Gauge() const { return GaugeCtl; }
    QPushButton* CancelButton() const { return CancelCtl; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* Owner;
    QLabel* LabelCtl = nullptr;
    QProgressBar* GaugeCtl = nullptr;
    QProgressBar* BarCtl = nullptr;
    QPushButton* CancelCtl = nullptr;
};

bool SetProgress(TProgressBox* box, qint64 done, qint64 total, int step);
void SetProgressText(TProgressBox* box, const QString& text, int every);
void EnableCancel(TProgressBox* box, bool on);

void CenterOnScreen(QWidget* form);
void CenterOverActiveForm(QWidget* form);
void RefitLabels(QWidget* form);
