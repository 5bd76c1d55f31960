// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

// Why a structure could not be read further. Errors about the data stop the object being read and stay in
// the tree where they happened; errors about the definition name its line.
namespace Engine {

enum class TKsErrorKind {
    Unsupported, // the definition uses something this interpreter does not read
    Definition,  // the definition is wrong (unknown name, bad type, bad YAML)
    Data,        // the bytes do not fit the definition (end of stream, failed validation, bad zlib data)
    Limit        // a limit on depth, count, size or time stopped a definition that would not end
};

class TKsError : public std::runtime_error {
  public:
    // name: the kind of error the format language's own runtimes would raise ("EndOfStreamError", ...).
    TKsError(TKsErrorKind kind, const std::string& message, int line = 0, std::string name = {})
        : std::runtime_error(line > 0 ? "line " + std::to_string(line) + ": " + message : message), Kind(kind),
          Line(line), Name(std::move(name)) {}
    TKsErrorKind Kind;
    int Line;
    std::string Name;
};

// e with the definition's file named before its line.
inline TKsError KsInFile(const TKsError& e, const std::string& file) {
    TKsError named(e.Kind, file + ": " + e.what(), 0, e.Name);
    named.Line = e.Line;
    return named;
}

[[noreturn]] inline void KsFail(TKsErrorKind kind, const std::string& message, int line = 0,
                                const std::string& name = {}) {
    throw TKsError(kind, message, line, name);
}

} // namespace Engine
