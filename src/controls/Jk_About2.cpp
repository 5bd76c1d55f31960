#include "controls/Jk_About2.h"

#include "kit/DialogFrame.h"
#include "controls/JkLbl.h"
#include "engine/StringTable.h"
#include "kit/Jkdialog.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#ifndef NIBLO_CONTACT
#define NIBLO_CONTACT "niblo@example.org"
#endif
#ifndef NIBLO_NOTICE
#define NIBLO_NOTICE "(C) The NIBLO authors"
#endif

QString TFormAbout2::ContactAddress() {
    return QString::fromUtf8(NIBLO_CONTACT);
}

QString TFormAbout2::Notice() {
    return QString::fromUtf8(NIBLO_NOTICE);
}

TFormAbout2::TFormAbout2(QWidget* parent) : QDialog(parent, DialogFlags) {
    setObjectName(QStringLiteral("FormAbout2"));
    setFixedSize(366, 145);

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

    LabelInfo = new QLabel(this);
    LabelInfo->setObjectName(QStringLiteral("LabelInfo"));
    LabelInfo->setWordWrap(true);
    LabelInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LabelInfo->setGeometry(150, 55, 201, 46);

    BitBtn1 = new QPushButton(tr("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(208, 110, 75, 25);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate();
}

void TFormAbout2::FormCreate() {
    // The program file's name without folder and without anything from its first dot on.
    const QString programFile = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const QString title = programFile.section(QLatin1Char('.'), 0, 0);
    setWindowTitle(QStringLiteral("%1 %2 %3")
                       .arg(QString::fromLatin1(Texts::InfoAbout), title,
                            QString::fromLatin1(Texts::VersionText).left(3)));

    LabelCopyR->setText(Notice());
    LabelCopyR->adjustSize();
    JkLblMail->SetCaption(ContactAddress());
    JkLblMail->URL = QStringLiteral("mailto:%1?subject=%2").arg(ContactAddress(), programFile);

    const qreal ratio = devicePixelRatioF();
    QPixmap picture(ratio > 1 ? QStringLiteral(":/about@2x.png") : QStringLiteral(":/about.png"));
    if (ratio > 1) picture.setDevicePixelRatio(2);
    Image2->setPixmap(picture);
    Image2->adjustSize();

    RefitLabels(this);
}
