// SPDX-License-Identifier: GPL-3.0-or-later
// The Search menu's dialogs and Insert string: each dialog fills in the request, the engine does the work.
#include "ui/NIBLO_Main.h"

#include "dialogs/DialogFields.h"
#include "dialogs/NIBLO_Fin.h"
#include "dialogs/NIBLO_Ins.h"
#include "dialogs/NIBLO_Rep.h"
#include "engine/editing/Editing.h"
#include "engine/search/Replace.h"
#include "engine/search/Search.h"
#include "engine/search/SearchRequest.h"

namespace {

// The Find/Count dialog under caption; true when it was confirmed (the request then holds its answer).
// findAll: whether Find all was pressed (the dialog offers it only where findAll is given).
bool AskSearch(QWidget* owner, TSearchRequest& request, const QString& caption, int helpContext,
               bool* findAll = nullptr) {
    TFormFind dialog(owner);
    dialog.setWindowTitle(caption);
    dialog.OfferFindAll(findAll != nullptr);
    dialog.HelpContext = helpContext;
    dialog.setProperty("helpContext", helpContext);
    dialog.LoadRequest(request);
    if (dialog.exec() != QDialog::Accepted) return false;
    dialog.StoreRequest(request);
    if (findAll) *findAll = dialog.FindAllPressed;
    return true;
}

} // namespace

void TFormMain::Find1Click() {
    bool findAll = false;
    const bool ok = AskSearch(this, App.SearchRequest, tr("Find"), HelpFind, &findAll);
    if (findAll) return RunFindAll();
    Engine::FindDialogDone(Doc(), ok);
}

void TFormMain::Count1Click() {
    if (AskSearch(this, App.SearchRequest, tr("Count"), HelpCount)) Engine::CountDialogDone(Doc());
}

void TFormMain::Replace1Click() {
    Engine::TReplaceDialogResult result = Engine::TReplaceDialogResult::Cancel;
    {
        TFormReplace dialog(this);
        dialog.LoadRequest(App.SearchRequest);
        if (dialog.exec() == QDialog::Accepted) {
            dialog.StoreRequest(App.SearchRequest);
            result = dialog.ReplaceAllPressed ? Engine::TReplaceDialogResult::All
                                              : Engine::TReplaceDialogResult::Ok;
        }
    }
    Engine::ReplaceDialogDone(Doc(), result);
}

void TFormMain::Insert1Click() {
    std::vector<uint8_t> bytes;
    int64_t count = 0;
    {
        TFormIns dialog(this);
        if (dialog.exec() != QDialog::Accepted) return;
        bytes = ToByteVector(dialog.InsertBytes);
        count = dialog.InsertCount;
    }
    Engine::InsertRepeated(Doc(), bytes, count);
}

