// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace IniDetail {
struct TIniText;
}

// The settings file. Every call reads or writes the file at once (nothing is cached), so several
// instances on one file always agree. Sections and keys keep their file order, names compare without
// regard to letter case, and a section that stands in the file more than once is read as one.
// A file edited by hand never makes a call fail on reading: what is not understood is skipped, and
// kept unchanged when the file is rewritten.
class TIniFile {
  public:
    static constexpr size_t MaxValueLength = 1023; // longer values are cut on reading
    static constexpr size_t KeyListBytes = 8192;   // room for the key names of one section, NUL-separated

    explicit TIniFile(std::string fileName);
    ~TIniFile();
    const std::string& FileName() const { return Name; }

    // A batch: from BeginUpdate on, writes and erasures are collected (and reads see them) until Commit
    // rewrites and flushes the file once. BeginUpdate fails on a file that cannot be rewritten; Commit
    // fails when the file could not be written (it is then left as it was). An instance destroyed
    // within a batch drops it.
    bool BeginUpdate();
    bool Commit();

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // Decimal, "0x"/"0X" or "$" hexadecimal; malformed or out of 32-bit range gives defaultValue.
    int32_t ReadInteger(const std::string& section, const std::string& key, int32_t defaultValue) const;
    // "0" is false, any other integer true; malformed gives defaultValue.
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

    // Writes return false when the file could not be written (it is then left as it was).
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    bool WriteInteger(const std::string& section, const std::string& key, int32_t value);
    bool WriteBool(const std::string& section, const std::string& key, bool value);
    bool EraseSection(const std::string& section);

    // Key names in file order, each once.
    std::vector<std::string> ReadSectionKeys(const std::string& section) const;
    // "key=value" per key in file order, each key once, keys with an empty value left out.
    std::vector<std::string> ReadSectionValues(const std::string& section) const;
    bool SectionExists(const std::string& section) const;

  private:
    enum class TChange { Refused, None, Changed };
    // The file's text: the batch's when one is open, else as it stands on disk.
    IniDetail::TIniText Current() const;
    // Applies change to the batch, or to the file which is rewritten when something changed.
    bool Change(const std::function<TChange(IniDetail::TIniText&)>& change);

    struct TPending;
    std::unique_ptr<TPending> Pending;
    std::string Name;
};

// The executable's path with ".ini" in place of its extension (appended when it has none).
std::string SettingsFileName(const std::string& executablePath);

// The program's settings file, used wherever a file name is left empty; set once at start.
void SetSettingsFile(const std::string& path);
const std::string& SettingsFile();

// The values of a section's keys in file order (empty values skipped). Always true.
bool LoadListFromIni(const std::string& fileName, const std::string& section, std::vector<std::string>& list);
// Erases the section and writes the entries under the keys "0", "1", ...; false on the first failure.
bool SaveListToIni(const std::string& fileName, const std::string& section,
                   const std::vector<std::string>& list);
