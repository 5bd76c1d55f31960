#include "ui/NIBLO_Inspector.h"

#include "engine/ByteStore.h"
#include "engine/DataInspector.h"
#include "engine/EngineState.h"
#include "engine/StringTable.h"
#include "engine/View.h"

#include <QComboBox>
#include <QHeaderView>
#include <QPalette>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

TInspectorPanel::TInspectorPanel(QWidget* parent)
    : QDockWidget(QString::fromLatin1(Texts::InspectorTitle), parent) {
    setObjectName("DataInspector");
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    ByteOrderBox = new QComboBox(body);
    ByteOrderBox->addItems(
        {QString::fromLatin1(Texts::InspectorLittleEndian), QString::fromLatin1(Texts::InspectorBigEndian)});
    Rows = new QTableWidget(Engine::InspectorRowCount, 2, body);
    Rows->horizontalHeader()->hide();
    Rows->verticalHeader()->hide();
    Rows->horizontalHeader()->setStretchLastSection(true);
    Rows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Rows->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int i = 0; i < Engine::InspectorRowCount; ++i) {
        const auto row = static_cast<Engine::TInspectorRow>(i);
        Rows->setItem(i, 0, new QTableWidgetItem(QString::fromUtf8(Engine::InspectorRowName(row))));
        Rows->setItem(i, 1, new QTableWidgetItem);
    }
    Rows->resizeColumnToContents(0);
    layout->addWidget(ByteOrderBox);
    layout->addWidget(Rows);
    setWidget(body);
    connect(ByteOrderBox, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });
}

void TInspectorPanel::Follow() {
    if (isHidden() || RefreshPending) return;
    RefreshPending = true;
    QTimer::singleShot(0, this, [this] { Refresh(); });
}

void TInspectorPanel::Refresh() {
    RefreshPending = false;
    if (isHidden()) return;
    std::vector<uint8_t> bytes;
    if (Engine::FileOpen && Engine::FileBuffer) {
        const int64_t address = Engine::CurrentAddress();
        const int64_t last = std::min<int64_t>(Engine::FileSize, address + Engine::InspectorSpan - 1);
        for (int64_t a = address; a <= last; ++a)
            bytes.push_back(Engine::ReadByte(a));
    }
    const auto order = static_cast<Engine::TByteOrder>(ByteOrderBox->currentIndex());
    const QColor grey = palette().color(QPalette::Disabled, QPalette::Text);
    const QColor normal = palette().color(QPalette::Active, QPalette::Text);
    const auto values = Engine::InspectBytes(bytes, order);
    for (int i = 0; i < Engine::InspectorRowCount; ++i) {
        QTableWidgetItem* item = Rows->item(i, 1);
        item->setText(QString::fromStdString(values[size_t(i)].text));
        item->setForeground(values[size_t(i)].present ? normal : grey);
    }
}

void TInspectorPanel::resizeEvent(QResizeEvent* event) {
    QDockWidget::resizeEvent(event);
    emit Resized();
}
