// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>

// The File menu commands and the file identity of the editor.
namespace Engine {

class TDocument;

inline constexpr const char* ProgramName = "NIBLO";

bool ConfirmSave(TDocument& doc);
// fromRecentList: the sender is an item of the recent-files list, which asks ConfirmSave first. A file that
// cannot be written opens read-only, as does every file with readOnly.
bool OpenFile(TDocument& doc, const std::string& name, bool fromRecentList, bool readOnly = false);
void AfterLoad(TDocument& doc);
// The window became active: a change another program made to the file on disk is told once, with the
// offer to load the file again (which drops the changes made here).
void CheckDiskOnActivate(TDocument& doc);
void New1Click(TDocument& doc);
void Open1Click(TDocument& doc);
void Openreadonly1Click(TDocument& doc);
bool Save1Click(TDocument& doc);
bool SaveAs1Click(TDocument& doc); // true only when a file was written
bool Close1Click(TDocument& doc);  // false when the user kept the file
void Insertfile1Click(TDocument& doc);
void Writeblock1Click(TDocument& doc);
// The file dialog of Open (or Open read-only), without the save question: the window asks that of the tab
// the file goes to.
std::optional<std::string> ChooseFileToOpen(TDocument& doc, bool readOnly);

// Unsaved changes a program that ended left in recovery journals (FileRecovery.cpp). At start: files whose
// save in place was cut short are repaired and told, then each such journal is offered, one after another.
// placeFor (when given) names the document each recovered file goes to (a tab of its own); without it, doc.
void OfferRecoveries(TDocument& doc, const std::function<TDocument&()>& placeFor = {});
// The files a save in place cut short left in the recovery folder's rollback journals, made whole (old or
// new) again; each one repaired is told.
void RepairInterruptedSaves(TDocument& doc);
// The file name was just opened: a journal left for it is offered, and another window's unsaved changes
// to it are told.
void OfferRecoveryOf(TDocument& doc, const std::string& name);

} // namespace Engine
