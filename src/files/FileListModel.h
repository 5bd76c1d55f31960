// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <QCollatorSortKey>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One file of the list: its name as the file system has it and the four texts shown, made once when
// the row is listed, with the sort keys read from them.
struct TFileRow {
    std::string Bytes;
    QString Name, Size, Type, Date;
    int64_t SizeKey = 0; // the Size text without separators, as a 64-bit number
    int64_t DateKey = 0; // minutes since the epoch: rows shown with the same minute are equal
};

// The files of one folder for the file dialog's list: Name, Size, Type and Date columns, sortable by
// each. Sorting reorders a row index, so the rows themselves never move.
class TFileListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum TSortKey { SortName = 0, SortSize = 1, SortType = 2, SortDate = 3 };

    explicit TFileListModel(QObject* parent = nullptr);

    // The files (no folders) of dir whose names match mask, in the order the folder gives them.
    // Returns false when the folder cannot be read; the list is then empty.
    bool List(const std::string& dir, const std::string& mask);
    void Clear();
    // Rows that compare equal keep their present order.
    void Sort(int key, bool ascending);

    const TFileRow& Row(int row) const { return Rows[Order[size_t(row)]]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    void SortByNumber(int64_t TFileRow::*key, bool ascending);
    void SortByText(QString TFileRow::*text, bool ascending);

    std::vector<TFileRow> Rows;
    std::vector<uint32_t> Order; // display row -> index into Rows
};

// A row for a file of the given size and time (seconds since the epoch).
TFileRow MakeFileRow(std::string bytes, int64_t size, int64_t modTime);
