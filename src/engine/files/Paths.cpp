// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/files/Paths.h"

#include <sys/stat.h>

#include <dirent.h>
#include <vector>

std::string WithTrailingSlash(const std::string& path) {
    if (path.empty() || path.back() == '/') return path;
    return path + '/';
}

std::string WithoutTrailingSlash(const std::string& path) {
    if (!path.empty() && path.back() == '/') return path.substr(0, path.size() - 1);
    return path;
}

bool FileFound(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool DirectoryFound(const std::string& dir) {
    if (dir.empty()) return false;
    const std::string folder = WithoutTrailingSlash(dir);
    DIR* handle = ::opendir(folder.empty() ? "/" : folder.c_str());
    if (!handle) return false;
    ::closedir(handle);
    return true;
}

std::string FileTitle(const std::string& path) {
    const size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.substr(0, name.find('.'));
}

bool IsWildcard(std::string_view text) {
    return text.find('?') != std::string_view::npos ||
           (text.find('*') != std::string_view::npos && text.find('"') == std::string_view::npos);
}

namespace {

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Greedy matching with one remembered star: linear in practice, never exponential.
bool Glob(std::string_view name, std::string_view mask) {
    size_t n = 0, m = 0, starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && (mask[m] == '?' || AsciiUpper(mask[m]) == AsciiUpper(name[n]))) {
            ++m;
            ++n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

} // namespace

bool MatchesMask(std::string_view name, std::string_view mask) {
    if (Glob(name, mask)) return true;
    return mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" &&
           name.find('.') == std::string_view::npos && Glob(name, mask.substr(0, mask.size() - 2));
}

std::string ExpandPath(const std::string& text, const std::string& base, const std::string& home) {
    std::string path = text;
    bool folder = !path.empty() && path.back() == '/';
    if (path == "~" || path.starts_with("~/")) {
        folder = folder || path == "~";
        path = WithTrailingSlash(home) + (path.size() > 2 ? path.substr(2) : std::string());
    }
    if (!path.starts_with('/')) path = WithTrailingSlash(base.empty() ? "/" : base) + path;

    std::vector<std::string> parts;
    size_t start = 0;
    std::string last;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty()) continue;
        last = part;
        if (part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(std::move(part));
    }
    if (last == "." || last == "..") folder = true;

    std::string result;
    for (const std::string& part : parts)
        result += '/' + part;
    if (result.empty() || folder) result += '/';
    return result;
}

std::string DirectoryPart(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NamePart(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ParentDirectory(const std::string& dir) {
    const std::string folder = WithoutTrailingSlash(dir);
    const size_t slash = folder.rfind('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return folder.substr(0, slash);
}
