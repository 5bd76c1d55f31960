#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class TJkLbl;

// The about box: picture, program name and version in the caption, the notice, the contact link and
// the memory text (set by the caller).
class TFormAbout2 : public QDialog {
    Q_OBJECT
  public:
    explicit TFormAbout2(QWidget* parent = nullptr);

    QLabel* Image2 = nullptr;
    QLabel* LabelCopyR = nullptr;
    TJkLbl* JkLblMail = nullptr;
    QLabel* LabelInfo = nullptr;
    QPushButton* BitBtn1 = nullptr;

    // The author's contact address and the notice line, fixed when the program is built.
    static QString ContactAddress();
    static QString Notice();

  private:
    void FormCreate();
};
