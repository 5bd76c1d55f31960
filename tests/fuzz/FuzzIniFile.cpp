// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file against a reference reader written from the file format alone: any file (binary junk,
// huge lines, odd line ends) reads as the reference reads it, and every write or erase changes exactly its
// own entry or section and keeps every other line as it was.
#include "FuzzSupport.h"

#include "engine/settings/IniFile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

using TLines = std::vector<std::string>;

struct TEntry {
    std::optional<std::string> Section; // none before the first section header
    std::string Key, Value;
    size_t Line = 0; // index into the lines
};

struct TReference {
    bool Bom = false;
    TLines Lines;
    std::vector<TEntry> Entries;
    std::vector<std::string> Sections;
};

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool Same(const std::string& a, const std::string& b) {
    return Upper(a) == Upper(b);
}

std::string Trim(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

TReference Read(const std::string& bytes) {
    TReference ref;
    size_t at = 0;
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) {
        ref.Bom = true;
        at = 3;
    }
    std::string line;
    for (; at < bytes.size(); ++at) {
        const char c = bytes[at];
        if (c != '\r' && c != '\n') {
            line += c;
            continue;
        }
        if (c == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n') ++at;
        ref.Lines.push_back(line);
        line.clear();
    }
    if (!line.empty()) ref.Lines.push_back(line);

    std::optional<std::string> section;
    for (size_t i = 0; i < ref.Lines.size(); ++i) {
        const std::string text = Trim(ref.Lines[i]);
        if (text.empty() || text[0] == ';') continue;
        if (text[0] == '[') {
            section = Trim(text.substr(1, text.find(']') == std::string::npos ? std::string::npos
                                                                                 : text.find(']') - 1));
            ref.Sections.push_back(*section);
            continue;
        }
        const size_t equals = text.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = Trim(text.substr(0, equals));
        if (key.empty() || key.find('\0') != std::string::npos) continue;
        ref.Entries.push_back({section, key, Trim(text.substr(equals + 1)), i});
    }
    return ref;
}

// What a read hands back: one pair of enclosing quotes gone, cut at a NUL and to the longest value,
// never inside a UTF-8 sequence.
std::string AsRead(const std::string& stored) {
    const bool quoted = stored.size() >= 2 && stored.front() == '"' && stored.back() == '"';
    std::string value = quoted ? stored.substr(1, stored.size() - 2) : stored;
    value.resize(std::min(value.find('\0'), value.size()));
    if (value.size() <= TIniFile::MaxValueLength) return value;
    // Cut before the sequence that the limit would split: drop its continuation bytes and its lead byte.
    const std::string rest = value.substr(TIniFile::MaxValueLength);
    value.resize(TIniFile::MaxValueLength);
    if ((static_cast<unsigned char>(rest[0]) & 0xC0) != 0x80) return value;
    while (!value.empty() && (static_cast<unsigned char>(value.back()) & 0xC0) == 0x80)
        value.pop_back();
    if (!value.empty()) value.pop_back();
    return value;
}

// The first entry of key in any occurrence of section: the one that is read and rewritten.
const TEntry* EntryOf(const TReference& ref, const std::string& section, const std::string& key) {
    for (const TEntry& entry : ref.Entries)
        if (entry.Section && Same(*entry.Section, section) && Same(entry.Key, key)) return &entry;
    return nullptr;
}

std::optional<std::string> ValueOf(const TReference& ref, const std::string& section, const std::string& key) {
    const TEntry* entry = EntryOf(ref, section, key);
    return entry ? std::optional<std::string>(AsRead(entry->Value)) : std::nullopt;
}

std::vector<std::string> KeysOf(const TReference& ref, const std::string& section) {
    std::vector<std::string> keys;
    size_t used = 1;
    for (const TEntry& entry : ref.Entries) {
        if (!entry.Section || !Same(*entry.Section, section)) continue;
        bool known = false;
        for (const std::string& key : keys)
            known = known || Same(key, entry.Key);
        if (known) continue;
        if (used + entry.Key.size() + 1 > TIniFile::KeyListBytes) break;
        used += entry.Key.size() + 1;
        keys.push_back(entry.Key);
    }
    return keys;
}

// Decimal with one optional sign, or hexadecimal after "0x" or "$" as a 32-bit pattern.
std::optional<int32_t> IntegerOf(const std::string& text) {
    auto digits = [](const std::string& s, int base) -> std::optional<uint64_t> {
        if (s.empty()) return std::nullopt;
        uint64_t value = 0;
        for (char c : s) {
            const std::string all = "0123456789abcdef";
            const size_t d = all.find(static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c));
            if (c == '\0' || d == std::string::npos || static_cast<int>(d) >= base) return std::nullopt;
            value = value * static_cast<uint64_t>(base) + d;
            if (value > 0xFFFFFFFFu) return std::nullopt;
        }
        return value;
    };
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        const auto v = digits(text.substr(2), 16);
        return v ? std::optional<int32_t>(static_cast<int32_t>(static_cast<uint32_t>(*v))) : std::nullopt;
    }
    if (text.size() > 1 && text[0] == '$') {
        const auto v = digits(text.substr(1), 16);
        return v ? std::optional<int32_t>(static_cast<int32_t>(static_cast<uint32_t>(*v))) : std::nullopt;
    }
    const bool negative = !text.empty() && text[0] == '-';
    const bool sign = !text.empty() && (text[0] == '-' || text[0] == '+');
    const auto v = digits(sign ? text.substr(1) : text, 10);
    if (!v || *v > (negative ? 2147483648u : 2147483647u)) return std::nullopt;
    return static_cast<int32_t>(negative ? -static_cast<int64_t>(*v) : static_cast<int64_t>(*v));
}

// Whether `part` stands in `all` in the same order, others in between allowed.
bool IsSubsequence(const TLines& part, const TLines& all) {
    size_t at = 0;
    for (const std::string& line : all)
        if (at < part.size() && line == part[at]) ++at;
    return at == part.size();
}

const std::string& FilePath() {
    static const std::string path = [] {
        // Memory-backed when there is such a folder: every write of the file ends in an fsync.
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
        std::string dir = (base / "niblo-fuzz-ini-XXXXXX").string();
        if (!mkdtemp(dir.data())) std::abort();
        static const std::string folder = dir;
        std::atexit([] { std::filesystem::remove_all(folder); });
        return dir + "/niblo.ini";
    }();
    return path;
}

void Put(const std::string& bytes) {
    FILE* file = std::fopen(FilePath().c_str(), "wb");
    FUZZ_CHECK(file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
    std::fclose(file);
}

std::string Get() {
    std::string bytes;
    FILE* file = std::fopen(FilePath().c_str(), "rb");
    FUZZ_CHECK(file);
    char block[4096];
    for (size_t n; (n = std::fread(block, 1, sizeof block, file)) > 0;)
        bytes.append(block, n);
    std::fclose(file);
    return bytes;
}

// A name from the file (in another letter case now and then) or a new one from the input.
std::string PickName(FuzzedDataProvider& input, const std::vector<std::string>& known) {
    if (!known.empty() && input.ConsumeBool()) {
        const std::string& name = known[input.ConsumeIntegralInRange<size_t>(0, known.size() - 1)];
        return input.ConsumeBool() ? Upper(name) : name;
    }
    return input.ConsumeRandomLengthString(12);
}

// Names that the file can hold and give back: no line break, NUL or closing character, nothing that
// trimming would take off, and no key that would read as a section or a comment.
bool Writable(const std::string& section, const std::string& key) {
    auto clean = [](const std::string& name, const std::string& forbidden) {
        return !name.empty() && Trim(name) == name && name.find_first_of(forbidden) == std::string::npos &&
               name.find('\0') == std::string::npos;
    };
    return clean(section, "]\r\n") && clean(key, "=\r\n") && key[0] != '[' && key[0] != ';';
}

void CheckReads(const TReference& ref, const std::string& section, const std::string& key) {
    const TIniFile ini(FilePath());
    const auto value = ValueOf(ref, section, key);
    FUZZ_CHECK(ini.ReadString(section, key, "\x01") == value.value_or("\x01"));
    const auto number = IntegerOf(value.value_or(""));
    FUZZ_CHECK(ini.ReadInteger(section, key, -7) == number.value_or(-7));
    FUZZ_CHECK(ini.ReadSectionKeys(section) == KeysOf(ref, section));
    bool exists = false;
    for (const std::string& name : ref.Sections)
        exists = exists || Same(name, section);
    FUZZ_CHECK(ini.SectionExists(section) == exists);
}

// Every entry the old file had reads the same now, except those of the changed section (and key).
void CheckOthersKept(const TReference& before, const TReference& after, const std::string& section,
                     const std::optional<std::string>& key) {
    for (const TEntry& entry : before.Entries) {
        if (!entry.Section) continue;
        if (Same(*entry.Section, section) && (!key || Same(entry.Key, *key))) continue;
        FUZZ_CHECK(ValueOf(after, *entry.Section, entry.Key) == ValueOf(before, *entry.Section, entry.Key));
    }
    FUZZ_CHECK(after.Bom == before.Bom);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    std::string bytes = input.ConsumeRandomLengthString(8192);
    Put(bytes);
    TReference ref = Read(bytes);
    for (int step = 0; step < 4 && input.remaining_bytes() > 0; ++step) {
        std::vector<std::string> sections = ref.Sections, keys;
        for (const TEntry& entry : ref.Entries)
            keys.push_back(entry.Key);
        const std::string section = PickName(input, sections);
        const std::string key = PickName(input, keys);
        CheckReads(ref, section, key);

        TIniFile ini(FilePath());
        switch (input.ConsumeIntegralInRange(0, 2)) {
        case 0: { // a value written
            const std::string value = input.ConsumeRandomLengthString(1100);
            const bool wrote = ini.WriteString(section, key, value);
            FUZZ_CHECK(wrote == Writable(section, key));
            if (!wrote) {
                FUZZ_CHECK(Read(Get()).Lines == ref.Lines);
                break;
            }
            const TReference after = Read(Get());
            std::string stored = value;
            for (char& c : stored)
                if (c == '\r' || c == '\n' || c == '\0') c = ' ';
            FUZZ_CHECK(ValueOf(after, section, key) == AsRead(Trim(stored)));
            CheckOthersKept(ref, after, section, key);
            // Every other line stays, in its order; only the entry's first line is rewritten.
            TLines others = ref.Lines;
            if (const TEntry* entry = EntryOf(ref, section, key)) {
                others.erase(others.begin() + static_cast<std::ptrdiff_t>(entry->Line));
                FUZZ_CHECK(after.Lines.size() == ref.Lines.size());
            }
            FUZZ_CHECK(IsSubsequence(others, after.Lines));
            ref = after;
            break;
        }
        case 1: { // a section erased
            FUZZ_CHECK(ini.EraseSection(section));
            const TReference after = Read(Get());
            for (const std::string& name : after.Sections)
                FUZZ_CHECK(!Same(name, section));
            CheckOthersKept(ref, after, section, std::nullopt);
            FUZZ_CHECK(IsSubsequence(after.Lines, ref.Lines));
            ref = after;
            break;
        }
        default: // a list saved and loaded again
        {
            std::vector<std::string> list;
            for (size_t n = input.ConsumeIntegralInRange<size_t>(0, 4); n > 0; --n)
                list.push_back(input.ConsumeRandomLengthString(20));
            const bool saved = SaveListToIni(FilePath(), section, list);
            FUZZ_CHECK(saved == (list.empty() || Writable(section, "0")));
            if (!saved) {
                ref = Read(Get()); // the section may be gone before the first entry was refused
                break;
            }
            std::vector<std::string> loaded, expected;
            LoadListFromIni(FilePath(), section, loaded);
            for (std::string entry : list) {
                for (char& c : entry)
                    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
                entry = AsRead(Trim(entry));
                if (!entry.empty()) expected.push_back(entry);
            }
            FUZZ_CHECK(loaded == expected);
            const TReference after = Read(Get());
            CheckOthersKept(ref, after, section, std::nullopt);
            ref = after;
            break;
        }
        }
    }
    return 0;
}
