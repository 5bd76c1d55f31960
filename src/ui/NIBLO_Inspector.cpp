// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/NIBLO_Inspector.h"

#include "engine/store/PieceStore.h"
#include "engine/inspector/DataInspector.h"
#include "engine/document/EngineState.h"
#include "engine/text/StringTable.h"
#include "engine/document/View.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QStyle>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

// Draws a row as plain text. The style's own item drawing costs more than reading every type at the
// cursor, and the panel redraws its values at every cursor move.
class TPlainRowDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        if (selected) painter->fillRect(option.rect, option.palette.brush(QPalette::Highlight));
        const QVariant foreground = index.data(Qt::ForegroundRole);
        painter->setPen(selected                ? option.palette.color(QPalette::HighlightedText)
                        : foreground.isValid() ? foreground.value<QBrush>().color()
                                               : option.palette.color(QPalette::Text));
        const int margin = option.widget ? option.widget->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1 : 3;
        const QRect room = option.rect.adjusted(margin, 0, -margin, 0);
        QString text = index.data(Qt::DisplayRole).toString();
        // A value cut off must show that it is.
        if (option.fontMetrics.horizontalAdvance(text) > room.width())
            text = option.fontMetrics.elidedText(text, Qt::ElideRight, room.width());
        painter->drawText(room, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    }
};

// The panel's body, wide enough for the widest value, a GUID, beside the names: the dock takes its first
// width from here.
class TInspectorBody : public QWidget {
  public:
    using QWidget::QWidget;
    QTableWidget* Rows = nullptr;

    QSize sizeHint() const override {
        const QFontMetrics metrics = Rows->fontMetrics();
        const int value = metrics.horizontalAdvance(QStringLiteral("{00000000-0000-0000-0000-000000000000}")) +
                          2 * metrics.averageCharWidth();
        const QMargins margins = layout()->contentsMargins();
        const int chrome = 2 * Rows->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                           margins.left() + margins.right();
        return {Rows->columnWidth(0) + value + chrome, QWidget::sizeHint().height()};
    }
};

} // namespace

TInspectorPanel::TInspectorPanel(QWidget* parent)
    : QDockWidget(QString::fromLatin1(Texts::InspectorTitle), parent) {
    setObjectName("DataInspector");
    auto* body = new TInspectorBody(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    ByteOrderBox = new QComboBox(body);
    ByteOrderBox->addItems(
        {QString::fromLatin1(Texts::InspectorLittleEndian), QString::fromLatin1(Texts::InspectorBigEndian)});
    Rows = new QTableWidget(Engine::InspectorRowCount, 2, body);
    body->Rows = Rows;
    Rows->horizontalHeader()->hide();
    Rows->verticalHeader()->hide();
    Rows->horizontalHeader()->setStretchLastSection(true);
    Rows->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    Rows->installEventFilter(this);
    auto* copy = new QAction(QString::fromLatin1(Texts::InspectorCopy), Rows);
    connect(copy, &QAction::triggered, this, [this] { CopyValue(); });
    Rows->addAction(copy);
    Rows->setContextMenuPolicy(Qt::ActionsContextMenu);
    Rows->setSelectionBehavior(QAbstractItemView::SelectRows);
    Rows->setItemDelegate(new TPlainRowDelegate(Rows));
    // The whole value of a row too narrow for it.
    Rows->viewport()->installEventFilter(this);
    for (int i = 0; i < Engine::InspectorRowCount; ++i) {
        const auto row = static_cast<Engine::TInspectorRow>(i);
        auto* name = new QTableWidgetItem(QString::fromUtf8(Engine::InspectorRowName(row)));
        name->setFlags(name->flags() & ~Qt::ItemIsEditable);
        Rows->setItem(i, 0, name);
        auto* value = new QTableWidgetItem;
        Rows->setItem(i, 1, value);
    }
    Rows->resizeColumnToContents(0);
    // Rows as high as the text, so that most types show without scrolling.
    Rows->verticalHeader()->setDefaultSectionSize(Rows->fontMetrics().height() + 6);
    layout->addWidget(ByteOrderBox);
    layout->addWidget(Rows);
    setWidget(body);
    connect(ByteOrderBox, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });
    connect(Rows->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { Follow(); });
    connect(Rows, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() != 1) return;
        emit ValueTyped(item->row(), item->text());
        // What the file now holds, or what it held when the text was refused.
        Refresh(item->row());
    });
}

Engine::TByteOrder TInspectorPanel::Order() const {
    return static_cast<Engine::TByteOrder>(ByteOrderBox->currentIndex());
}

void TInspectorPanel::Follow() {
    if (isHidden() || RefreshPending) return;
    RefreshPending = true;
    QTimer::singleShot(0, this, [this] { Refresh(); });
}

std::vector<uint8_t> TInspectorPanel::BytesAtCursor() const {
    std::vector<uint8_t> bytes;
    if (Document().FileOpen) {
        const int64_t address = Engine::CurrentAddress(Document());
        const int64_t last =
            std::min<int64_t>(Document().Store.FileSize(), address + Engine::InspectorSpan - 1);
        // The values stop before a byte that cannot be read: none is made of made-up bytes.
        for (int64_t a = address; a <= last; ++a) {
            const int byte = Document().Store.ByteAt(a);
            if (byte == Engine::UnreadableByte) break;
            bytes.push_back(static_cast<uint8_t>(byte));
        }
    }
    return bytes;
}

void TInspectorPanel::Refresh(int alsoRow) {
    RefreshPending = false;
    if (isHidden()) return;
    const std::vector<uint8_t> bytes = BytesAtCursor();
    const Engine::TByteOrder order = Order();
    const QColor grey = palette().color(QPalette::Disabled, QPalette::Text);
    const QColor normal = palette().color(QPalette::Active, QPalette::Text);
    // Only the rows in view are read; scrolling reads the others as they come into it.
    const int first = std::max(0, Rows->rowAt(0));
    int last = Rows->rowAt(Rows->viewport()->height() - 1);
    if (last < 0) last = Engine::InspectorRowCount - 1;
    // The panel's own texts are no typed values.
    const QSignalBlocker quiet(Rows);
    std::vector<int> shown;
    for (int i = first; i <= last; ++i)
        shown.push_back(i);
    if (alsoRow >= 0 && (alsoRow < first || alsoRow > last)) shown.push_back(alsoRow);
    for (const int i : shown) {
        const std::string value = Engine::InspectRow(static_cast<Engine::TInspectorRow>(i), bytes, order);
        QTableWidgetItem* item = Rows->item(i, 1);
        const QString text = QString::fromStdString(value);
        if (item->text() != text) item->setText(text);
        const QColor& colour = value != Texts::InspectorNoValue ? normal : grey;
        if (item->foreground().color() != colour) item->setForeground(colour);
    }
}

bool TInspectorPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Rows->viewport() && event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = Rows->indexAt(help->pos());
        if (index.isValid()) QToolTip::showText(help->globalPos(), index.data().toString(), Rows->viewport());
        else QToolTip::hideText();
        return true;
    }
    // Ctrl+C copies the row's value here, not the window's block.
    if (watched == Rows && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        event->accept();
        if (event->type() == QEvent::KeyPress) CopyValue();
        return event->type() == QEvent::KeyPress;
    }
    // Enter opens the value in place, as a double click does (keys reach the open editor, not the view).
    if (watched == Rows && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Rows->editItem(Rows->item(Rows->currentRow(), 1));
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, event);
}

void TInspectorPanel::CopyValue() {
    const int row = Rows->currentRow();
    if (row < 0 || row >= Engine::InspectorRowCount) return;
    const std::string value = Engine::InspectRow(static_cast<Engine::TInspectorRow>(row), BytesAtCursor(), Order());
    QGuiApplication::clipboard()->setText(QString::fromStdString(value));
}

void TInspectorPanel::resizeEvent(QResizeEvent* event) {
    QDockWidget::resizeEvent(event);
    Follow(); // rows that came into view
    emit Resized();
}
