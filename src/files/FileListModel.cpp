// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/FileListModel.h"

#include "engine/files/DirSearch.h"
#include "engine/files/Paths.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"

#include <QCollator>
#include <QFile>

#include <algorithm>
#include <charconv>
#include <utility>

namespace {

int64_t SizeFromText(const std::string& text) {
    std::string digits;
    digits.reserve(text.size());
    for (char c : text)
        if (c != Texts::ThousandSeparator) digits += c;
    int64_t value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

// Floor division, so that times before the epoch fall into the right minute.
int64_t MinuteOf(int64_t seconds) {
    return seconds >= 0 ? seconds / 60 : -((-seconds + 59) / 60);
}

} // namespace

TFileRow MakeFileRow(std::string bytes, int64_t size, int64_t modTime) {
    TFileRow row;
    row.Name = QFile::decodeName(QByteArray::fromStdString(bytes));
    const std::string sizeText = FormatText("%.0n", {size});
    row.Size = QString::fromLatin1(sizeText);
    row.SizeKey = SizeFromText(sizeText);
    const qsizetype dot = row.Name.lastIndexOf(u'.');
    if (dot >= 0) row.Type = row.Name.mid(dot).toUpper();
    row.Date = QString::fromLatin1(FormatFileTime(modTime));
    row.DateKey = MinuteOf(modTime);
    row.Bytes = std::move(bytes);
    return row;
}

TFileListModel::TFileListModel(QObject* parent) : QAbstractTableModel(parent) {}

bool TFileListModel::List(const std::string& dir, const std::string& mask) {
    std::vector<TDirEntry> entries;
    const int error = SearchDirectory(dir, entries);
    beginResetModel();
    Rows.clear();
    Rows.reserve(entries.size());
    for (TDirEntry& entry : entries)
        if (!entry.IsDirectory && MatchesMask(entry.Name, mask))
            Rows.push_back(MakeFileRow(std::move(entry.Name), entry.Size, entry.ModTime));
    Order.resize(Rows.size());
    for (size_t i = 0; i < Order.size(); ++i)
        Order[i] = uint32_t(i);
    endResetModel();
    return error == 0;
}

void TFileListModel::Clear() {
    beginResetModel();
    Rows.clear();
    Order.clear();
    endResetModel();
}

void TFileListModel::SortByNumber(int64_t TFileRow::*key, bool ascending) {
    // Each key is read once; the present position breaks ties.
    std::vector<std::pair<int64_t, uint32_t>> keyed(Order.size());
    for (size_t i = 0; i < Order.size(); ++i)
        keyed[i] = {Rows[Order[i]].*key, uint32_t(i)};
    if (ascending)
        std::sort(keyed.begin(), keyed.end());
    else
        std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
            return a.first != b.first ? a.first > b.first : a.second < b.second;
        });
    std::vector<uint32_t> order(Order.size());
    for (size_t i = 0; i < keyed.size(); ++i)
        order[i] = Order[keyed[i].second];
    Order = std::move(order);
}

void TFileListModel::SortByText(QString TFileRow::*text, bool ascending) {
    // The user's collation without regard to case, one sort key per row. Folding first keeps case out
    // also where the collation has no notion of it (the C locale).
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<std::pair<QCollatorSortKey, uint32_t>> keyed;
    keyed.reserve(Order.size());
    for (size_t i = 0; i < Order.size(); ++i)
        keyed.emplace_back(collator.sortKey((Rows[Order[i]].*text).toCaseFolded()), uint32_t(i));
    std::sort(keyed.begin(), keyed.end(), [ascending](const auto& a, const auto& b) {
        const int c = a.first.compare(b.first);
        if (c != 0) return ascending ? c < 0 : c > 0;
        return a.second < b.second;
    });
    std::vector<uint32_t> order(Order.size());
    for (size_t i = 0; i < keyed.size(); ++i)
        order[i] = Order[keyed[i].second];
    Order = std::move(order);
}

void TFileListModel::Sort(int key, bool ascending) {
    emit layoutAboutToBeChanged();
    switch (key) {
    case SortName:
        SortByText(&TFileRow::Name, ascending);
        break;
    case SortSize:
        SortByNumber(&TFileRow::SizeKey, ascending);
        break;
    case SortType:
        SortByText(&TFileRow::Type, ascending);
        break;
    case SortDate:
        SortByNumber(&TFileRow::DateKey, ascending);
        break;
    default:
        break;
    }
    emit layoutChanged();
}

int TFileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(Order.size());
}

int TFileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 4;
}

QVariant TFileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const TFileRow& row = Row(index.row());
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case 0:
            return row.Name;
        case 1:
            return row.Size;
        case 2:
            return row.Type;
        case 3:
            return row.Date;
        default:
            return {};
        }
    }
    if (role == Qt::TextAlignmentRole && index.column() == 1)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant TFileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::TextAlignmentRole && section == 1)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    static const char* const captions[] = {Texts::ColumnName, Texts::ColumnSize, Texts::ColumnType,
                                           Texts::ColumnDate};
    return section >= 0 && section < 4 ? QString::fromLatin1(captions[section]) : QVariant();
}
