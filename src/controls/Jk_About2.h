// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <utility>

class QLabel;
class QPushButton;
class TJkLbl;

// The about box: picture, program name and version in the caption, the notice, the contact link, the
// licence link and the memory text (set by the caller).
class TFormAbout2 : public QDialog {
    Q_OBJECT
  public:
    explicit TFormAbout2(QWidget* parent = nullptr);

    QLabel* Image2 = nullptr;
    QLabel* LabelCopyR = nullptr;
    TJkLbl* JkLblMail = nullptr;
    TJkLbl* JkLblLicence = nullptr;
    QLabel* LabelInfo = nullptr;
    QPushButton* BitBtn1 = nullptr;

  private:
    void FormCreate();
};

// The contact link's caption and target: a mail address gets the program file's name as its subject, a web
// address shows without its scheme.
std::pair<QString, QString> ContactLink(const QString& contact, const QString& programFile);
