// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/Jk_About2.h"

#include "kit/DialogFrame.h"
#include "controls/JkLbl.h"
#include "engine/text/StringTable.h"
#include "kit/Jkdialog.h"
#include "kit/ProgramInfo.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>

#include <algorithm>

std::pair<QString, QString> ContactLink(const QString& contact, const QString& programFile) {
    // A mail to the authors arrives with the program file's name as its subject.
    if (contact.contains(QLatin1Char('@')) && !contact.contains(QLatin1String("://")))
        return {contact, QStringLiteral("mailto:%1?subject=%2").arg(contact, programFile)};
    return {QString(contact).remove(QRegularExpression(QStringLiteral("^https?://"))), contact};
}

TFormAbout2::TFormAbout2(QWidget* parent) : QDialog(parent, DialogFlags) {
    setObjectName(QStringLiteral("FormAbout2"));
    // The designed 366 x 145, one line higher for the licence.
    setFixedSize(366, 163);

    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->move(10, 10);

    LabelCopyR = new QLabel(this);
    LabelCopyR->setObjectName(QStringLiteral("LabelCopyR"));
    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(19);
    LabelCopyR->setFont(arial);
    LabelCopyR->move(150, 10);

    JkLblMail = new TJkLbl(QString(), this);
    JkLblMail->setObjectName(QStringLiteral("JkLblMail"));
    QFont courier = JkLblMail->font();
    courier.setFamilies({QStringLiteral("Courier New"), QStringLiteral("monospace")});
    courier.setStyleHint(QFont::Monospace);
    courier.setPixelSize(16);
    JkLblMail->setFont(courier);
    JkLblMail->setGeometry(150, 32, 200, 18);

    JkLblLicence = new TJkLbl(QString(), this);
    JkLblLicence->setObjectName(QStringLiteral("JkLblLicence"));
    JkLblLicence->move(150, 55);

    LabelInfo = new QLabel(this);
    LabelInfo->setObjectName(QStringLiteral("LabelInfo"));
    LabelInfo->setWordWrap(true);
    LabelInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LabelInfo->setGeometry(150, 73, 201, 46);

    BitBtn1 = new QPushButton(tr("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(208, 128, 75, 25);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate();
}

void TFormAbout2::FormCreate() {
    // The program file's name without folder and without anything from its first dot on.
    const QString programFile = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const QString title = programFile.section(QLatin1Char('.'), 0, 0);
    setWindowTitle(
        QStringLiteral("%1 %2 %3").arg(QString::fromLatin1(Texts::InfoAbout), title, ProgramVersion()));

    LabelCopyR->setText(ProgramNotice());
    LabelCopyR->adjustSize();
    const auto [caption, url] = ContactLink(ProgramContact(), programFile);
    JkLblMail->SetCaption(caption);
    JkLblMail->URL = url;
    JkLblLicence->SetCaption(tr("GNU GPL, version 3 or later"));
    JkLblLicence->URL = ProgramLicenceUrl();
    JkLblLicence->setToolTip(ProgramLicence());

    const qreal ratio = devicePixelRatioF();
    QPixmap picture(ratio > 1 ? QStringLiteral(":/about@2x.png") : QStringLiteral(":/about.png"));
    if (ratio > 1) picture.setDevicePixelRatio(2);
    Image2->setPixmap(picture);
    Image2->adjustSize();

    RefitLabels(this);
    // A stand-in for the designed fonts that runs wider widens the box, rather than cutting a text off.
    int width = this->width();
    for (const QLabel* label : {static_cast<QLabel*>(LabelCopyR), static_cast<QLabel*>(JkLblMail),
                                static_cast<QLabel*>(JkLblLicence)})
        width = std::max(width, label->geometry().right() + 1 + 10);
    setFixedWidth(width);
    // The memory text keeps its designed margin to the right edge.
    LabelInfo->resize(width - 15 - LabelInfo->x(), LabelInfo->height());
}
