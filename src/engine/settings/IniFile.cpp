// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/settings/IniFile.h"

#include "engine/files/FileAccess.h"
#include "engine/files/FileReplace.h"

#include <charconv>
#include <functional>
#include <optional>

#ifdef _WIN32
constexpr const char* DefaultLineEnd = "\r\n";
#else
constexpr const char* DefaultLineEnd = "\n";
#endif

// The file as lines, with what it takes to write it back in the same form.
struct IniDetail::TIniText {
    bool Bom = false;
    std::string LineEnd = DefaultLineEnd;
    std::vector<std::string> Lines;
};

namespace {

// A settings file is small; anything beyond this is not one, and is neither read nor rewritten.
constexpr int64_t MaxFileSize = 16 * 1024 * 1024;

std::string SettingsPath;

char FoldCase(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// One line as the reader sees it.
struct TLine {
    enum TKind { Other, Section, Entry } Kind = Other;
    std::string_view Name;  // section or key
    std::string_view Value; // entries only
};

TLine Classify(std::string_view raw) {
    TLine line;
    const std::string_view text = Trimmed(raw);
    if (text.empty() || text.front() == ';') return line;
    if (text.front() == '[') {
        const size_t close = text.find(']');
        line.Kind = TLine::Section;
        line.Name =
            Trimmed(text.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
        return line;
    }
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) return line;
    line.Name = Trimmed(text.substr(0, equals));
    if (line.Name.empty() || line.Name.find('\0') != std::string_view::npos) return line;
    line.Kind = TLine::Entry;
    line.Value = Trimmed(text.substr(equals + 1));
    return line;
}

using IniDetail::TIniText;

enum class TLoad { Ok, Missing, Unusable };

TLoad Load(const std::string& path, TIniText& text) {
    FileAccess::TFile file;
    const int error = file.OpenRead(path);
    if (error == DosError::FileNotFound || error == DosError::PathNotFound) return TLoad::Missing;
    if (error != 0) return TLoad::Unusable;
    const int64_t size = file.Size();
    if (size < 0 || size > MaxFileSize) return TLoad::Unusable;
    std::string bytes(static_cast<size_t>(size), '\0');
    int64_t done = 0;
    if (file.Read(reinterpret_cast<uint8_t*>(bytes.data()), size, done) != 0) return TLoad::Unusable;
    bytes.resize(static_cast<size_t>(done));

    size_t pos = 0;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text.Bom = true;
        pos = 3;
    }
    const size_t firstBreak = bytes.find_first_of("\r\n", pos);
    if (firstBreak != std::string::npos)
        text.LineEnd = bytes.compare(firstBreak, 2, "\r\n") == 0 ? "\r\n" : bytes.substr(firstBreak, 1);
    // CR LF, a lone LF and a lone CR each end a line.
    while (pos < bytes.size()) {
        const size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string::npos) {
            text.Lines.push_back(bytes.substr(pos));
            break;
        }
        text.Lines.push_back(bytes.substr(pos, end - pos));
        pos = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return TLoad::Ok;
}

// Reading never fails: a file that cannot be read has no sections.
TIniText LoadForReading(const std::string& path) {
    TIniText text;
    if (Load(path, text) != TLoad::Ok) text.Lines.clear();
    return text;
}

// Replaces the file only once the new contents are complete on disk.
bool Save(const std::string& path, const TIniText& text) {
    std::string bytes = text.Bom ? "\xEF\xBB\xBF" : "";
    for (const std::string& line : text.Lines)
        bytes += line + text.LineEnd;
    FileAccess::TReplaceRequest request;
    request.Size = static_cast<int64_t>(bytes.size());
    request.WriteContents = [&bytes](FileAccess::TFile& file, bool) {
        return file.Write(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<int64_t>(bytes.size()));
    };
    return FileAccess::ReplaceFile(path, request).Ok();
}

// Calls visit(lineIndex, line) for every entry of every occurrence of section.
template <typename TVisit> void ForEachEntry(const TIniText& text, std::string_view section, TVisit visit) {
    bool inside = false;
    for (size_t i = 0; i < text.Lines.size(); ++i) {
        const TLine line = Classify(text.Lines[i]);
        if (line.Kind == TLine::Section)
            inside = SameName(line.Name, section);
        else if (inside && line.Kind == TLine::Entry && !visit(i, line))
            return;
    }
}

std::optional<std::string> FindValue(const TIniText& text, std::string_view section, std::string_view key) {
    std::optional<std::string> found;
    ForEachEntry(text, section, [&](size_t, const TLine& line) {
        if (!SameName(line.Name, key)) return true;
        found = std::string(line.Value);
        return false;
    });
    return found;
}

// What the platform hands back: one pair of enclosing quotes removed, cut like a C string and to
// MaxValueLength bytes (never inside a UTF-8 sequence).
std::string AsRead(std::string value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    value = value.substr(0, value.find('\0'));
    if (value.size() > TIniFile::MaxValueLength) {
        size_t cut = TIniFile::MaxValueLength;
        while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80)
            --cut;
        value.resize(cut);
    }
    return value;
}

// A name the file can hold and give back under the same name: reading trims names and ends them at the
// characters that close a section or start a value, so such names could never be found again.
bool WritableName(const std::string& name, const char* forbidden) {
    return !name.empty() && Trimmed(name) == name && name.find_first_of(forbidden) == std::string::npos &&
           name.find('\0') == std::string::npos;
}

// A key line must not read as a section header or a comment.
bool WritableKey(const std::string& key) {
    return WritableName(key, "=\r\n") && key.front() != '[' && key.front() != ';';
}

std::optional<int64_t> ParseInteger(std::string_view text, int base) {
    if (text.empty()) return std::nullopt;
    bool negative = false;
    if (base == 10 && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() == '-' || text.front() == '+') return std::nullopt;
    uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (base == 16) {
        // Eight hex digits are a 32-bit pattern, so $FFFFFFFF is -1.
        if (magnitude > 0xFFFFFFFFu) return std::nullopt;
        return static_cast<int32_t>(static_cast<uint32_t>(magnitude));
    }
    if (magnitude > (negative ? 2147483648u : 2147483647u)) return std::nullopt;
    return negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
}

} // namespace

struct TIniFile::TPending {
    TIniText Text;
};

TIniFile::TIniFile(std::string fileName) : Name(std::move(fileName)) {}

TIniFile::~TIniFile() = default;

bool TIniFile::BeginUpdate() {
    auto pending = std::make_unique<TPending>();
    if (Load(Name, pending->Text) == TLoad::Unusable) return false;
    Pending = std::move(pending);
    return true;
}

bool TIniFile::Commit() {
    if (!Pending) return true;
    const std::unique_ptr<TPending> pending = std::move(Pending);
    return Save(Name, pending->Text);
}

TIniText TIniFile::Current() const {
    return Pending ? Pending->Text : LoadForReading(Name);
}

bool TIniFile::Change(const std::function<TChange(TIniText&)>& change) {
    if (Pending) return change(Pending->Text) != TChange::Refused;
    TIniText text;
    const TLoad loaded = Load(Name, text);
    if (loaded == TLoad::Unusable) return false;
    switch (change(text)) {
    case TChange::Refused:
        return false;
    case TChange::None:
        return true;
    case TChange::Changed:
        return Save(Name, text);
    }
    return false;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
    const auto value = FindValue(Current(), section, key);
    return value ? AsRead(*value) : defaultValue;
}

int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key,
                              int32_t defaultValue) const {
    const std::string text = ReadString(section, key, "");
    std::optional<int64_t> value;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        value = ParseInteger(std::string_view(text).substr(2), 16);
    else if (text.size() > 1 && text[0] == '$')
        value = ParseInteger(std::string_view(text).substr(1), 16);
    else
        value = ParseInteger(text, 10);
    return value ? static_cast<int32_t>(*value) : defaultValue;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    if (!WritableName(section, "]\r\n") || !WritableKey(key)) return false;
    // A line break or NUL in a value would split or cut its line.
    std::string clean = value;
    for (char& c : clean)
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    const std::string line = key + "=" + clean;
    return Change([&](TIniText& text) {
        std::optional<size_t> existing;
        ForEachEntry(text, section, [&](size_t i, const TLine& entry) {
            if (!SameName(entry.Name, key)) return true;
            existing = i;
            return false;
        });
        if (existing) {
            text.Lines[*existing] = line;
            return TChange::Changed;
        }
        // A new key goes behind the last non-blank line of the section's last occurrence.
        std::optional<size_t> after;
        bool inside = false;
        for (size_t i = 0; i < text.Lines.size(); ++i) {
            const TLine entry = Classify(text.Lines[i]);
            if (entry.Kind == TLine::Section) inside = SameName(entry.Name, section);
            if (inside && !Trimmed(text.Lines[i]).empty()) after = i;
        }
        if (after) {
            text.Lines.insert(text.Lines.begin() + static_cast<std::ptrdiff_t>(*after + 1), line);
        } else {
            if (!text.Lines.empty() && !Trimmed(text.Lines.back()).empty()) text.Lines.emplace_back();
            text.Lines.push_back("[" + section + "]");
            text.Lines.push_back(line);
        }
        return TChange::Changed;
    });
}

bool TIniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
    return WriteString(section, key, std::to_string(value));
}

bool TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    return WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::EraseSection(const std::string& section) {
    return Change([&](TIniText& text) {
        std::vector<std::string> kept;
        bool inside = false, erased = false;
        for (const std::string& raw : text.Lines) {
            const TLine line = Classify(raw);
            if (line.Kind == TLine::Section) inside = SameName(line.Name, section);
            if (inside)
                erased = true;
            else
                kept.push_back(raw); // copied: a batch keeps the text when nothing is erased
        }
        if (!erased) return TChange::None;
        text.Lines = std::move(kept);
        return TChange::Changed;
    });
}

std::vector<std::string> TIniFile::ReadSectionKeys(const std::string& section) const {
    std::vector<std::string> keys;
    size_t used = 1; // the list's closing NUL
    ForEachEntry(Current(), section, [&](size_t, const TLine& line) {
        for (const std::string& key : keys)
            if (SameName(key, line.Name)) return true;
        if (used + line.Name.size() + 1 > KeyListBytes) return false;
        used += line.Name.size() + 1;
        keys.emplace_back(line.Name);
        return true;
    });
    return keys;
}

std::vector<std::string> TIniFile::ReadSectionValues(const std::string& section) const {
    const TIniText text = Current();
    std::vector<std::string> lines;
    for (const std::string& key : ReadSectionKeys(section)) {
        const std::string value = AsRead(FindValue(text, section, key).value_or(""));
        if (!value.empty()) lines.push_back(key + "=" + value);
    }
    return lines;
}

bool TIniFile::SectionExists(const std::string& section) const {
    for (const std::string& raw : Current().Lines) {
        const TLine line = Classify(raw);
        if (line.Kind == TLine::Section && SameName(line.Name, section)) return true;
    }
    return false;
}

std::string SettingsFileName(const std::string& executablePath) {
    const size_t slash = executablePath.find_last_of("/\\");
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = executablePath.rfind('.');
    // A leading dot starts a hidden name, not an extension.
    if (dot == std::string::npos || dot <= nameStart) return executablePath + ".ini";
    return executablePath.substr(0, dot) + ".ini";
}

void SetSettingsFile(const std::string& path) {
    SettingsPath = path;
}

const std::string& SettingsFile() {
    return SettingsPath;
}

bool LoadListFromIni(const std::string& fileName, const std::string& section,
                     std::vector<std::string>& list) {
    list.clear();
    const TIniFile ini(fileName.empty() ? SettingsFile() : fileName);
    for (const std::string& line : ini.ReadSectionValues(section))
        list.push_back(line.substr(line.find('=') + 1));
    return true;
}

bool SaveListToIni(const std::string& fileName, const std::string& section,
                   const std::vector<std::string>& list) {
    TIniFile ini(fileName.empty() ? SettingsFile() : fileName);
    if (!ini.BeginUpdate() || !ini.EraseSection(section)) return false;
    for (size_t i = 0; i < list.size(); ++i)
        if (!ini.WriteString(section, std::to_string(i), list[i])) return false;
    return ini.Commit();
}
