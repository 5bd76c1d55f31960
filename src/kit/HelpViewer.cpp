// SPDX-License-Identifier: GPL-3.0-or-later
#include "kit/HelpViewer.h"

#include "kit/Help.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QStyle>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QUrl TopicUrl(int context) {
    return QUrl(QStringLiteral("qrc") + HelpTopicPath(context));
}

// The topic's text without markup, for the search.
QString PlainText(int context) {
    QTextDocument document;
    document.setHtml(HelpTopicBody(context));
    return document.toPlainText();
}

int TopicOf(const QUrl& url) {
    const QString name = url.fileName();
    return name.endsWith(QStringLiteral(".html")) ? name.chopped(5).toInt() : 0;
}

QToolButton* NavigationButton(QWidget* parent, QStyle::StandardPixmap icon, const QString& text,
                              const char* name) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolTip(text);
    button->setText(text);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return button;
}

} // namespace

THelpViewer::THelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(tr("NIBLO Help"));

    Back = NavigationButton(this, QStyle::SP_ArrowBack, tr("Back"), "Back");
    Forward = NavigationButton(this, QStyle::SP_ArrowForward, tr("Forward"), "Forward");
    Home = NavigationButton(this, QStyle::SP_DirHomeIcon, tr("Contents"), "Contents");
    Search = new QLineEdit(this);
    Search->setObjectName(QStringLiteral("Search"));
    Search->setPlaceholderText(tr("Search"));
    Search->setClearButtonEnabled(true);

    auto* bar = new QHBoxLayout;
    bar->addWidget(Back);
    bar->addWidget(Forward);
    bar->addWidget(Home);
    bar->addStretch();
    bar->addWidget(Search);

    Topics = new QListWidget(this);
    Topics->setObjectName(QStringLiteral("Topics"));
    Page = new QTextBrowser(this);
    Page->setObjectName(QStringLiteral("Page"));
    // Links to the web leave the help window; links between topics stay in it.
    Page->setOpenExternalLinks(true);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(Topics);
    splitter->addWidget(Page);
    splitter->setStretchFactor(1, 3);
    splitter->setSizes({180, 540});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(splitter);
    resize(760, 520);

    Back->setEnabled(false);
    Forward->setEnabled(false);
    connect(Back, &QToolButton::clicked, Page, &QTextBrowser::backward);
    connect(Forward, &QToolButton::clicked, Page, &QTextBrowser::forward);
    connect(Home, &QToolButton::clicked, this, [this] { ShowTopic(0); });
    connect(Page, &QTextBrowser::backwardAvailable, Back, &QToolButton::setEnabled);
    connect(Page, &QTextBrowser::forwardAvailable, Forward, &QToolButton::setEnabled);
    // The browser reports the new page before it counts as its source.
    connect(Page, &QTextBrowser::sourceChanged, this, [this](const QUrl& url) { SelectTopic(TopicOf(url)); });
    connect(Topics, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { ShowTopic(item->data(Qt::UserRole).toInt()); });
    connect(Topics, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { ShowTopic(item->data(Qt::UserRole).toInt()); });
    connect(Search, &QLineEdit::textChanged, this, &THelpViewer::FillList);
    connect(Search, &QLineEdit::returnPressed, this, &THelpViewer::OpenFirstMatch);

    FillList({});
}

QList<int> THelpViewer::AllTopics() {
    QList<int> contexts;
    for (const QString& name : QDir(QStringLiteral(":/help")).entryList({QStringLiteral("*.html")})) {
        bool number = false;
        const int context = name.chopped(5).toInt(&number);
        if (number) contexts.append(context);
    }
    std::sort(contexts.begin(), contexts.end());
    contexts.prepend(0);
    return contexts;
}

void THelpViewer::FillList(const QString& filter) {
    const QStringList words = filter.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    Topics->clear();
    for (int context : AllTopics()) {
        if (!words.isEmpty()) {
            const QString text = HelpTopicTitle(context) + QLatin1Char(' ') + PlainText(context);
            const bool all = std::all_of(words.begin(), words.end(), [&text](const QString& word) {
                return text.contains(word, Qt::CaseInsensitive);
            });
            if (!all) continue;
        }
        auto* item = new QListWidgetItem(HelpTopicTitle(context), Topics);
        item->setData(Qt::UserRole, context);
    }
    SelectTopic(CurrentTopic());
}

void THelpViewer::OpenFirstMatch() {
    if (Topics->count() == 0) return;
    ShowTopic(Topics->item(0)->data(Qt::UserRole).toInt());
    const QStringList words = Search->text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!words.isEmpty()) Page->find(words.first());
}

void THelpViewer::ShowTopic(int context) {
    if (HelpTopicPath(context).isEmpty()) context = 0;
    const QUrl url = TopicUrl(context);
    if (Page->source() != url) Page->setSource(url);
}

int THelpViewer::CurrentTopic() const {
    return TopicOf(Page->source());
}

void THelpViewer::SelectTopic(int context) {
    for (int i = 0; i < Topics->count(); ++i) {
        if (Topics->item(i)->data(Qt::UserRole).toInt() == context) {
            Topics->setCurrentRow(i);
            return;
        }
    }
    Topics->clearSelection();
}
