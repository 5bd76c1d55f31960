// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/NIBLO_FindAll.h"

#include "engine/text/FindTexts.h"
#include "engine/text/TextFormat.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Bytes shown on each side of a hit, and the most of a hit shown.
constexpr TCount Around = 4;
constexpr TCount ShownOfHit = 16;

QString HexOf(const std::vector<uint8_t>& bytes, size_t from, size_t to) {
    QString hex;
    for (size_t i = from; i < to; ++i)
        hex += QStringLiteral("%1 ").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
    return hex.trimmed();
}

TListedHit ListedHit(const Engine::TStoreSnapshot& snapshot, const Engine::TFoundHit& hit, int addressBase) {
    const TAddress first = std::max<TAddress>(1, hit.Address - Around);
    const TCount shown = std::min(hit.Length, ShownOfHit);
    const TAddress end = std::min<TAddress>(snapshot.Size() + 1, hit.Address + shown + Around);
    std::vector<uint8_t> bytes(size_t(std::max<TAddress>(0, end - first)));
    snapshot.CopyOut(first, bytes);
    const size_t at = size_t(hit.Address - first);
    const size_t after = std::min(bytes.size(), at + size_t(shown));
    // Padded where the file begins or ends, so that the hits line up.
    QString text(int(Around) - int(at), QLatin1Char(' '));
    for (const uint8_t byte : bytes)
        text += byte >= 0x20 && byte < 0x7F ? QChar(byte) : QChar('.');
    const QString address =
        QStringLiteral("%1").arg(hit.Address - 1 + addressBase, 8, 16, QLatin1Char('0')).toUpper();
    const QString line =
        QStringLiteral("%1  %2 [%3] %4  %5")
            .arg(address, HexOf(bytes, 0, at).rightJustified(int(Around) * 3 - 1), HexOf(bytes, at, after),
                 HexOf(bytes, after, bytes.size()).leftJustified(int(Around) * 3 - 1), text);
    return {hit, line, address + QStringLiteral(" ") + HexOf(bytes, at, after)};
}

} // namespace

TFindAllWorker::TFindAllWorker(Engine::TStoreSnapshot snapshot,
                               std::shared_ptr<const Engine::TFindPattern> pattern, size_t maxRows,
                               int addressBase, QObject* parent)
    : QThread(parent), Snapshot(std::move(snapshot)), Pattern(std::move(pattern)), MaxRows(maxRows),
      AddressBase(addressBase) {}

TFindAllWorker::~TFindAllWorker() {
    Cancel();
    wait();
}

void TFindAllWorker::run() {
    int shown = -1;
    Engine::TFindAllOptions options;
    options.MaxRows = MaxRows;
    options.Progress = [&](TCount done, TCount total) {
        const int percent = total > 0 ? int(done * 100 / total) : 100;
        if (percent != shown) emit Progressed(shown = percent);
        return !CancelFlag.load(std::memory_order_relaxed);
    };
    options.Rows = [&](std::span<const Engine::TFoundHit> rows, TCount count) {
        std::vector<TListedHit> listed;
        listed.reserve(rows.size());
        for (const Engine::TFoundHit& hit : rows)
            listed.push_back(ListedHit(Snapshot, hit, AddressBase));
        emit Found(listed, qint64(count));
    };
    Outcome = Engine::FindAll(Snapshot, *Pattern, options);
}

TFindAllPanel::TFindAllPanel(QWidget* parent) : QDockWidget(tr("Find all"), parent) {
    setObjectName(QStringLiteral("FindAllPanel"));
    auto* body = new QWidget(this);
    CountLabel = new QLabel(body);
    CountLabel->setObjectName(QStringLiteral("CountLabel"));
    List = new QListWidget(body);
    List->setObjectName(QStringLiteral("HitList"));
    List->setUniformItemSizes(true);
    List->setFont(QFont(QStringLiteral("Monospace")));
    List->installEventFilter(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(CountLabel);
    layout->addWidget(List);
    setWidget(body);
    const auto choose = [this](QListWidgetItem* item) {
        if (const int row = List->row(item); row >= 0 && size_t(row) < Hits.size()) emit Chosen(Hits[size_t(row)]);
    };
    connect(List, &QListWidget::itemClicked, this, choose);
    connect(List, &QListWidget::itemActivated, this, choose);
}

void TFindAllPanel::Clear() {
    List->clear();
    Hits.clear();
    CopyLines.clear();
    CountLabel->setText(QString::fromStdString(FormatText(Texts::HitsCounting, {int64_t{0}})));
}

void TFindAllPanel::Add(const std::vector<TListedHit>& rows, qint64 count) {
    for (const TListedHit& row : rows) {
        Hits.push_back(row.Hit);
        CopyLines.push_back(row.CopyLine);
        List->addItem(row.Line);
    }
    CountLabel->setText(QString::fromStdString(FormatText(Texts::HitsCounting, {int64_t(count)})));
}

void TFindAllPanel::Finish(qint64 count, bool cut, bool cancelled) {
    const char* format = cancelled ? Texts::HitsCancelled : cut ? Texts::HitsCut : Texts::HitsFound;
    CountLabel->setText(QString::fromStdString(FormatText(format, {int64_t(count), int64_t(Hits.size())})));
}

QString TFindAllPanel::CopyText() const {
    return CopyLines.join(QLatin1Char('\n')) + (CopyLines.isEmpty() ? QString() : QStringLiteral("\n"));
}

int TFindAllPanel::NextRow(int64_t address, bool down) const {
    const auto after = std::upper_bound(Hits.begin(), Hits.end(), address,
                                        [](int64_t a, const Engine::TFoundHit& hit) { return a < hit.Address; });
    if (down) return after == Hits.end() ? -1 : int(after - Hits.begin());
    const auto before = std::lower_bound(Hits.begin(), Hits.end(), address,
                                         [](const Engine::TFoundHit& hit, int64_t a) { return hit.Address < a; });
    return before == Hits.begin() ? -1 : int(before - Hits.begin()) - 1;
}

bool TFindAllPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == List && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        QApplication::clipboard()->setText(CopyText());
        return true;
    }
    return QDockWidget::eventFilter(watched, event);
}
