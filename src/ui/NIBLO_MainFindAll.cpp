// SPDX-License-Identifier: GPL-3.0-or-later
// Find all: the search runs on a worker over a snapshot under the progress box; its hits fill the list
// and are marked on the page while the list shows.
#include "ui/NIBLO_Main.h"

#include "engine/document/Blocks.h"
#include "engine/document/View.h"
#include "engine/files/DiskWatch.h"
#include "engine/search/BytesPattern.h"
#include "engine/text/FindTexts.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "ui/NIBLO_FindAll.h"

#include <QEventLoop>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

void TFormMain::Findall1Click() {
    // The Find dialog, whose OK then lists every hit too.
    Find1Click();
}

void TFormMain::CreateHitsPanel() {
    qRegisterMetaType<std::vector<TListedHit>>();
    HitsPanel = new TFindAllPanel(this);
    // It floats beside the window, so that the panes keep the room they are sized for.
    HitsPanel->setAllowedAreas(Qt::NoDockWidgetArea);
    HitsPanel->setFloating(true);
    HitsPanel->resize(620, 260);
    HitsPanel->move(frameGeometry().bottomLeft());
    connect(HitsPanel, &TFindAllPanel::Chosen, this, &TFormMain::GoToListedHit);
    connect(HitsPanel, &QDockWidget::visibilityChanged, this, [this] { RepaintPanes(); });
}

void TFormMain::RunFindAll() {
    std::string error;
    std::shared_ptr<const Engine::TFindPattern> pattern = Engine::MakeFindPattern(App.SearchRequest, error);
    if (!pattern) {
        ShowError(error);
        return;
    }
    if (!HitsPanel) CreateHitsPanel();
    HitsPanel->Clear();
    HitsPanel->show();
    HitsDocument = &Doc();
    HitsPattern = pattern;
    PageHits = {};

    auto* box = new TProgressBox(this, true, true, QString::fromUtf8(Texts::Searching), tr("Find all"));
    TFindAllWorker worker(Doc().Store.Snapshot(), pattern, App.SearchRequest.MaxRows, App.AddressBase);
    connect(box->CancelButton(), &QPushButton::clicked, &worker, &TFindAllWorker::Cancel, Qt::DirectConnection);
    connect(&worker, &TFindAllWorker::Progressed, box, [box](int percent) {
        if (box->Gauge()) box->Gauge()->setValue(percent);
    });
    connect(&worker, &TFindAllWorker::Found, HitsPanel, &TFindAllPanel::Add);
    QEventLoop loop;
    connect(&worker, &QThread::finished, &loop, &QEventLoop::quit);
    worker.start();
    loop.exec();
    // The rows still queued arrive before the count is final.
    QCoreApplication::sendPostedEvents(HitsPanel);
    const Engine::TFindAllResult& result = worker.Result();
    const bool cancelled = box->Cancelled || result.Status == Engine::TFindAllStatus::Cancelled;
    delete box;
    HitsPanel->Finish(qint64(result.Count), result.RowsCut, cancelled);
    RepaintPanes();
    if (result.Status == Engine::TFindAllStatus::Unreadable) Engine::ReadWentWell(Doc(), result.Read);
    if (result.Status == Engine::TFindAllStatus::Failed)
        ShowError(FormatText(Texts::RegexTooMuchWork, {int64_t(result.Reached - 1 + App.AddressBase)}));
    if (!HitsPanel->Hits.empty()) HitsPanel->List->setCurrentRow(0);
}

void TFormMain::GoToListedHit(const Engine::TFoundHit& hit) {
    // The list belongs to the document it was made for; after changes a hit may lie past the end.
    if (HitsDocument != &Doc() || hit.Address > Doc().Store.FileSize()) return Beep();
    const TAddress last = std::min<TAddress>(hit.Address + hit.Length - 1, Doc().Store.FileSize());
    Engine::ShowAddress(Doc(), hit.Address, true, true);
    Engine::SetBlock(Doc(), hit.Address, last);
}

void TFormMain::StepListedHit(bool down) {
    if (!HitsPanel || HitsPanel->isHidden() || HitsDocument != &Doc()) return Beep();
    const int row = HitsPanel->NextRow(Engine::CurrentAddress(Doc()), down);
    if (row < 0) return ShowStatusNote(Texts::NoListedHit);
    HitsPanel->List->setCurrentRow(row);
    GoToListedHit(HitsPanel->Hits[size_t(row)]);
}

void TFormMain::Nexthit1Click() {
    StepListedHit(true);
}

void TFormMain::Previoushit1Click() {
    StepListedHit(false);
}

bool TFormMain::IsListedHit(int64_t address) {
    if (!HitsPanel || HitsPanel->isHidden() || !HitsPattern || HitsDocument != &Doc()) return false;
    const int64_t first = Doc().View.TopAddress;
    const int64_t count = int64_t(Doc().View.Cols) * Doc().View.Rows;
    const Engine::TStoreSnapshot& now = Doc().Store.Snapshot();
    if (PageHits.First != first || PageHits.Count != count || !PageHits.Snapshot.SameAs(now)) {
        // Only the page shown is searched, so that the cost does not grow with the file.
        PageHits = {now, first, count, std::vector<char>(size_t(count), 0)};
        for (const Engine::TFoundHit& hit : Engine::HitsInRange(now, *HitsPattern, first, count))
            for (int64_t a = std::max<int64_t>(hit.Address, first);
                 a < std::min<int64_t>(hit.Address + hit.Length, first + count); ++a)
                PageHits.Marked[size_t(a - first)] = 1;
    }
    return address >= first && address < first + count && PageHits.Marked[size_t(address - first)];
}
