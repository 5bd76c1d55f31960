// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/DirListBox.h"

#include "engine/files/DirSearch.h"
#include "engine/files/Paths.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QStyle>

#include <algorithm>
#include <string>
#include <vector>

TDirectoryListBox::TDirectoryListBox(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(10);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (item) emit DirectoryRequested(item->data(0, Qt::UserRole).toByteArray());
    });
}

void TDirectoryListBox::SetDirectory(const QByteArray& dir, bool notify) {
    const std::string folder = WithoutTrailingSlash(dir.toStdString());
    Current = folder.empty() ? QByteArray("/") : QByteArray::fromStdString(folder);
    QDir::setCurrent(QFile::decodeName(Current));
    Update();
    if (notify) emit Changed();
}

void TDirectoryListBox::Update() {
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The way down: "/", then one entry per part of the current folder.
    auto* item = new QTreeWidgetItem(this, {QStringLiteral("/")});
    item->setIcon(0, open);
    item->setData(0, Qt::UserRole, QByteArray("/"));
    QByteArray path;
    for (const QByteArray& part : Current.split('/')) {
        if (part.isEmpty()) continue;
        path += '/' + part;
        auto* child = new QTreeWidgetItem(item, {QFile::decodeName(part)});
        child->setIcon(0, open);
        child->setData(0, Qt::UserRole, path);
        item = child;
    }
    QTreeWidgetItem* current = item;

    std::vector<TDirEntry> entries;
    SearchDirectory(Current.toStdString(), entries, true);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<std::pair<QString, QByteArray>> folders;
    for (const TDirEntry& entry : entries)
        if (entry.IsDirectory)
            folders.emplace_back(QFile::decodeName(QByteArray::fromStdString(entry.Name)),
                                 QByteArray::fromStdString(entry.Name));
    std::sort(folders.begin(), folders.end(), [&collator](const auto& a, const auto& b) {
        return collator.compare(a.first.toCaseFolded(), b.first.toCaseFolded()) < 0;
    });
    const QByteArray prefix = Current == "/" ? QByteArray("/") : Current + '/';
    for (const auto& [name, raw] : folders) {
        auto* child = new QTreeWidgetItem(current, {name});
        child->setIcon(0, closed);
        child->setData(0, Qt::UserRole, prefix + raw);
    }
    expandAll();
    setCurrentItem(current);
    scrollToItem(current);
}
