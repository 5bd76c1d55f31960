// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/document/Session.h"

#include "engine/document/Blocks.h"
#include "engine/document/EngineState.h"
#include "engine/document/View.h"
#include "engine/settings/IniFile.h"

#include <algorithm>
#include <charconv>

namespace Engine {

namespace {

constexpr const char* SessionSection = "Session";

std::string Key(const char* name, size_t n) {
    return name + std::to_string(n + 1);
}

TAddress ReadAddress(const TIniFile& ini, const std::string& key, TAddress fallback) {
    const std::string text = ini.ReadString(SessionSection, key, "");
    TAddress value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= 0 ? value : fallback;
}

} // namespace

TSession SessionOf(std::span<TDocument* const> documents, size_t active) {
    TSession session;
    for (size_t i = 0; i < documents.size(); ++i) {
        const TDocument& doc = *documents[i];
        if (!doc.FileOpen || doc.File.Untitled) continue;
        if (i == active) session.Active = session.Tabs.size();
        session.Tabs.push_back({doc.File.FileName, CurrentAddress(*documents[i]), doc.View.TopAddress,
                                doc.Block.BlockBegin, doc.Block.BlockEnd});
    }
    return session;
}

bool WriteSession(TIniFile& ini, const TSession& session) {
    bool ok = ini.EraseSection(SessionSection) &&
              ini.WriteInteger(SessionSection, "Count", int32_t(session.Tabs.size())) &&
              ini.WriteInteger(SessionSection, "Active", int32_t(session.Active));
    for (size_t n = 0; ok && n < session.Tabs.size(); ++n) {
        const TSessionTab& tab = session.Tabs[n];
        ok = ini.WriteString(SessionSection, Key("File", n), tab.Path) &&
             ini.WriteString(SessionSection, Key("Cursor", n), std::to_string(tab.Cursor)) &&
             ini.WriteString(SessionSection, Key("Top", n), std::to_string(tab.TopAddress)) &&
             ini.WriteString(SessionSection, Key("BlockBegin", n), std::to_string(tab.BlockBegin)) &&
             ini.WriteString(SessionSection, Key("BlockEnd", n), std::to_string(tab.BlockEnd));
    }
    return ok;
}

TSession ReadSession(const TIniFile& ini) {
    TSession session;
    const int32_t count = std::clamp(ini.ReadInteger(SessionSection, "Count", 0), 0, 1000);
    const int32_t active = ini.ReadInteger(SessionSection, "Active", 0);
    for (int32_t n = 0; n < count; ++n) {
        TSessionTab tab;
        tab.Path = ini.ReadString(SessionSection, Key("File", size_t(n)), "");
        if (tab.Path.empty()) continue;
        tab.Cursor = ReadAddress(ini, Key("Cursor", size_t(n)), 1);
        tab.TopAddress = ReadAddress(ini, Key("Top", size_t(n)), 1);
        tab.BlockBegin = ReadAddress(ini, Key("BlockBegin", size_t(n)), 0);
        tab.BlockEnd = ReadAddress(ini, Key("BlockEnd", size_t(n)), 0);
        if (n == active) session.Active = session.Tabs.size();
        session.Tabs.push_back(tab);
    }
    return session;
}

void RestorePlace(TDocument& doc, const TSessionTab& tab) {
    const TCount size = doc.Store.FileSize();
    if (!doc.FileOpen || size == 0) return;
    const bool blockFits = tab.BlockBegin >= 1 && tab.BlockEnd >= tab.BlockBegin && tab.BlockEnd <= size;
    if (blockFits) SetBlock(doc, tab.BlockBegin, tab.BlockEnd);
    // The row that was on top comes back on top when the cursor is on its page; else the cursor shows.
    ShowView(doc, TView{std::clamp<TAddress>(tab.TopAddress, 1, size), tab.Cursor});
}

} // namespace Engine
